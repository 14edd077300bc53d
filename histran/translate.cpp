#include "histran/translate.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <unordered_set>

#include "eventdb/event_database.h"
#include "histran/history_line.h"
#include "platform/text.h"

namespace zelkor::histran {

namespace {

// Lines end at CR, CR LF or LF; the end mark is not part of the line.
class LineReader {
  public:
    explicit LineReader(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {}
    ~LineReader() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    bool isOpen() const { return file_ != nullptr; }
    bool failed() const { return file_ != nullptr && std::ferror(file_) != 0; }

    bool next(std::string* line) {
        line->clear();
        int c = std::getc(file_);
        if (c == EOF) {
            return false;
        }
        while (c != EOF && c != '\r' && c != '\n') {
            line->push_back(static_cast<char>(c));
            c = std::getc(file_);
        }
        if (c == '\r') {
            const int after = std::getc(file_);
            if (after != '\n' && after != EOF) {
                std::ungetc(after, file_);
            }
        }
        return true;
    }

  private:
    std::FILE* file_;
};

}  // namespace

std::optional<std::string> FindFileIgnoringCase(const std::string& directory,
                                                std::string_view name) {
    std::optional<std::string> best;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(directory, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (platform::equalsIgnoreCase(entry, name) && it->is_regular_file(ec) &&
            (!best || entry < std::filesystem::path(*best).filename().string())) {
            best = it->path().string();
        }
    }
    return best;
}

TranslationResult TranslateHistory(eventdb::Recordset& table, const std::string& historyPath) {
    TranslationResult result;
    std::vector<eventdb::Value> present;
    if (!table.readColumn(eventdb::kDescColumn, &present)) {
        result.error = table.error();
        return result;
    }
    std::unordered_set<std::string> known;
    for (auto& desc : present) {
        if (desc && !desc->empty()) {
            known.insert(std::move(*desc));
        }
    }
    present.clear();

    LineReader reader(historyPath);
    if (!reader.isOpen()) {
        result.error = "Cannot read " + historyPath;
        return result;
    }
    std::string text;
    while (reader.next(&text)) {
        const auto line = ParseHistoryLine(text);
        if (!line) {
            ++result.malformed;
            continue;
        }
        if (line->bitmap.empty()) {
            continue;  // the end-of-work line
        }
        ++result.eventLines;
        const std::string desc(line->description);
        if (!desc.empty() && known.contains(desc)) {
            ++result.found;
            continue;
        }
        eventdb::FieldValues values{{eventdb::kDescColumn, desc},
                                    {eventdb::kBitmapColumn, std::string(line->bitmap)}};
        if (!line->video.empty()) {
            values.emplace_back(eventdb::kVideoColumn, std::string(line->video));
        }
        if (!table.addNew(values)) {
            ++result.failed;
            if (result.error.empty()) {
                result.error = table.error();
            }
            continue;
        }
        ++result.stored;
        if (!desc.empty()) {
            known.insert(desc);
        }
    }
    result.readAll = !reader.failed();
    return result;
}

}  // namespace zelkor::histran
