// History files: the lines the reader gives cover the file exactly, each
// line's text is the file's bytes at its place, and no text holds an end
// mark, so a position recorded after a line always starts the next one.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "histran/history_line.h"
#include "histran/history_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;  // fmemopen refuses an empty buffer
    }
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    zelkor::histran::HistoryReader reader(fmemopen(const_cast<uint8_t*>(data), size, "rb"));
    if (!reader.isOpen()) {
        return 0;
    }
    zelkor::histran::HistoryReader::Line line;
    int64_t expected = 0;
    while (reader.next(&line)) {
        if (line.start != expected || line.end <= line.start ||
            line.end > static_cast<int64_t>(size) ||
            line.text.size() > zelkor::histran::HistoryReader::kMaxLineBytes ||
            line.text != file.substr(static_cast<size_t>(line.start), line.text.size()) ||
            line.text.find_first_of("\r\n") != std::string_view::npos) {
            std::abort();
        }
        const int64_t mark = line.end - line.start - static_cast<int64_t>(line.text.size());
        if (line.whole && (line.ended ? mark < 1 || mark > 2 : mark != 0)) {
            std::abort();
        }
        zelkor::histran::ParseHistoryLine(line.text);
        expected = line.end;
    }
    if (reader.failed() || expected != static_cast<int64_t>(size)) {
        std::abort();
    }
    return 0;
}
