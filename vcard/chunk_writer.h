#pragma once
// Writes a RIFF file: nested chunks whose sizes are filled in when they end
// (and on request while they are still open, so a file cut short still
// tells a reader how far its data goes), and named fields that can be
// rewritten later by name.

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zelkor::vcard {

class ChunkWriter {
  public:
    ChunkWriter() = default;
    ChunkWriter(const ChunkWriter&) = delete;
    ChunkWriter& operator=(const ChunkWriter&) = delete;
    ~ChunkWriter();

    // Creates or empties the file.
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

    void u16(std::string_view name, uint16_t value);
    void u32(std::string_view name, uint32_t value);
    void bytes(std::string_view name, std::span<const uint8_t> data);
    // A whole chunk (header, data, pad) in one write.
    void chunk(uint32_t id, std::span<const uint8_t> data);

    // Rewrites a field written earlier; false when no field had that name.
    bool patch(std::string_view name, uint32_t value);
    // Where the named field starts, or -1.
    int64_t offsetOf(std::string_view name) const;

    // Flushes nothing (writes go straight to the file) but closes it.
    bool close();

  private:
    void write(std::span<const uint8_t> data);
    void writeAt(uint64_t at, uint32_t value);

    int fd_ = -1;
    bool ok_ = false;
    uint64_t position_ = 0;
    std::vector<uint64_t> open_;  // offsets of the size fields of open chunks
    std::map<std::string, uint64_t, std::less<>> fields_;
};

}  // namespace zelkor::vcard
