#pragma once
// Reading a history file line by line together with each line's place in
// the file, so a run can record how far it got, go on from there, and copy
// a line it cannot read byte for byte. Memory stays bounded whatever the
// file holds: of a line longer than kMaxLineBytes only its place is kept.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace zelkor::histran {

class HistoryReader {
  public:
    // Far more than any line Vorrak writes: a description of at most 4096
    // characters and two paths.
    static constexpr size_t kMaxLineBytes = 65536;

    struct Line {
        int64_t start = 0;      // its first byte
        int64_t end = 0;        // just past its end mark
        bool ended = false;     // false for a last line without an end mark
        bool whole = true;      // false: longer than kMaxLineBytes, text holds the start
        std::string_view text;  // without the end mark; valid until the next call
    };

    // Takes over `file` (null when it could not be opened) and closes it.
    explicit HistoryReader(std::FILE* file) : file_(file) {}
    ~HistoryReader();
    HistoryReader(const HistoryReader&) = delete;
    HistoryReader& operator=(const HistoryReader&) = delete;

    bool isOpen() const { return file_ != nullptr; }
    int descriptor() const { return file_ != nullptr ? fileno(file_) : -1; }
    // Goes to byte `position`, which must start a line.
    bool seek(int64_t position);
    // The next line; false at the end of the file or on a read error. A line
    // ends at CR, CR LF or LF.
    bool next(Line* line);
    // Whether a read error ended the lines early.
    bool failed() const { return file_ != nullptr && std::ferror(file_) != 0; }

  private:
    std::FILE* file_;
    int64_t position_ = 0;
    std::string text_;
};

}  // namespace zelkor::histran
