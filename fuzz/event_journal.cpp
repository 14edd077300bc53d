// Event journals: the record reader never reads outside the text, and every
// event it reports fits a history line and an event slot.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "vorrak/detection/guard_state.h"
#include "vorrak/guard/event_journal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const auto& event : zelkor::vorrak::PendingJournalEvents(text)) {
        if (event.bitmapPath.empty() || event.bitmapPath.size() >= zelkor::vorrak::kEventPathMax ||
            event.description.size() >= zelkor::vorrak::kEventDescriptionMax ||
            event.clipPath.size() >= zelkor::vorrak::kEventPathMax ||
            text.find(event.bitmapPath) == std::string_view::npos) {
            std::abort();
        }
        for (const std::string_view field :
             {std::string_view(event.bitmapPath), std::string_view(event.description),
              std::string_view(event.clipPath)}) {
            if (field.find_first_of("[]\r\n") != std::string_view::npos) {
                std::abort();
            }
        }
    }
    return 0;
}
