// History lines: the field cuts never read outside the line, and accepted
// fields are the text between their own brackets.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "histran/history_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const std::string_view field = zelkor::histran::BracketField(line);
    if (field.find(']') != std::string_view::npos) {
        std::abort();
    }
    const auto parsed = zelkor::histran::ParseHistoryLine(line);
    if (parsed) {
        for (const std::string_view f :
             {parsed->number, parsed->description, parsed->bitmap, parsed->video}) {
            if (f.find(']') != std::string_view::npos ||
                (!f.empty() &&
                 (f.data() < line.data() || f.data() + f.size() > line.data() + size))) {
                std::abort();
            }
        }
        // Only a byte-order mark and blanks may stand before the first field.
        std::string_view lead = line.substr(0, line.find('['));
        if (lead.starts_with("\xEF\xBB\xBF")) {
            lead.remove_prefix(3);
        }
        if (lead.size() == line.size() || lead.find_first_not_of(" \t") != std::string_view::npos ||
            line.find('\0') != std::string_view::npos) {
            std::abort();
        }
    }
    return 0;
}
