#pragma once
// Writes a RIFF file: nested chunks whose sizes are filled in when they end
// (and on request while they are still open, so a file cut short still
// tells a reader how far its data goes), and fields that are rewritten later
// through the handle their write gave back.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zelkor::vcard {

class ChunkWriter {
  public:
    // A 32-bit field written earlier that changes as the file grows (a count,
    // a rate). A default one refers to no field: patching it fails, and the
    // file with it. It stays valid until the next open().
    class Field {
      public:
        Field() = default;

      private:
        friend class ChunkWriter;
        static constexpr uint64_t None = UINT64_MAX;
        explicit Field(uint64_t at) : at_(at) {}
        uint64_t at_ = None;
    };

    ChunkWriter() = default;
    ChunkWriter(const ChunkWriter&) = delete;
    ChunkWriter& operator=(const ChunkWriter&) = delete;
    ~ChunkWriter();

    // Creates or empties the file; a link under the name is refused, not
    // followed.
    bool open(const std::string& path);
    // False once any write has failed since open().
    bool ok() const { return ok_; }
    uint64_t position() const { return position_; }

    // "RIFF" or "LIST" with its form type, or a plain chunk.
    void beginList(uint32_t listId, uint32_t type);
    void beginChunk(uint32_t id);
    // Writes the size of the innermost open chunk and pads it to an even
    // length.
    void end();
    // Writes the sizes every open chunk has so far, without ending any.
    void patchOpenSizes();

    void u16(uint16_t value);
    void u32(uint32_t value);
    // A u32 that patch() can rewrite later.
    Field field32(uint32_t value);
    void bytes(std::span<const uint8_t> data);
    // A whole chunk (header, data, pad) in one write.
    void chunk(uint32_t id, std::span<const uint8_t> data);

    // Rewrites a field; false when it refers to no field or the write fails
    // (or one failed before). Either way ok() is false from then on.
    [[nodiscard]] bool patch(Field field, uint32_t value);

    // Flushes nothing (writes go straight to the file) but closes it.
    bool close();

  private:
    void write(std::span<const uint8_t> data);
    void writeAt(uint64_t at, uint32_t value);

    int fd_ = -1;
    bool ok_ = false;
    uint64_t position_ = 0;
    std::vector<uint64_t> open_;  // offsets of the size fields of open chunks
};

}  // namespace zelkor::vcard
