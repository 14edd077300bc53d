#include "histran/translate.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "eventdb/event_database.h"
#include "histran/history_line.h"
#include "histran/history_reader.h"
#include "platform/text.h"

namespace zelkor::histran {

namespace {

std::string systemError(std::string_view what, const std::string& path) {
    return std::string(what) + " " + path + ": " + std::strerror(errno);
}

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// The file of lines set aside, opened when the first one comes.
class UnreadFile {
  public:
    explicit UnreadFile(std::string path) : path_(std::move(path)) {}
    ~UnreadFile() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    UnreadFile(const UnreadFile&) = delete;
    UnreadFile& operator=(const UnreadFile&) = delete;

    // Copies the line's bytes from `source` with its own end mark (CR LF
    // when it had none) and flushes them, so the line is safe before the
    // position passes it.
    bool keep(int source, const HistoryReader::Line& line, std::string* error) {
        if (fd_ < 0) {
            fd_ =
                ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
            if (fd_ < 0) {
                *error = systemError("Cannot open", path_);
                return false;
            }
        }
        char buffer[65536];
        for (int64_t at = line.start; at < line.end;) {
            const ssize_t n = ::pread(source, buffer,
                                      static_cast<size_t>(std::min<int64_t>(
                                          line.end - at, static_cast<int64_t>(sizeof buffer))),
                                      static_cast<off_t>(at));
            if (n <= 0) {
                *error = "Cannot read the history line to set it aside";
                return false;
            }
            if (!writeAll(fd_, buffer, static_cast<size_t>(n))) {
                *error = systemError("Cannot write", path_);
                return false;
            }
            at += n;
        }
        if ((!line.ended && !writeAll(fd_, "\r\n", 2)) || ::fdatasync(fd_) != 0) {
            *error = systemError("Cannot write", path_);
            return false;
        }
        return true;
    }

  private:
    std::string path_;
    int fd_ = -1;
};

TranslationResult translateLines(eventdb::EventStore& store, const std::string& path,
                                 const std::string& unreadPath) {
    TranslationResult result;
    HistoryReader reader(std::fopen(path.c_str(), "rbe"));
    struct stat info {};
    if (!reader.isOpen() || ::fstat(reader.descriptor(), &info) != 0) {
        result.error = systemError("Cannot read", path);
        return result;
    }
    const eventdb::HistoryFileId file{std::filesystem::path(path).filename().string(),
                                      static_cast<int64_t>(info.st_ino),
                                      static_cast<int64_t>(info.st_size)};
    int64_t start = 0;
    if (!store.position(file, &start)) {
        result.error = store.error();
        return result;
    }
    if (!reader.seek(start)) {
        result.error = systemError("Cannot read", path);
        return result;
    }
    UnreadFile unread(unreadPath);
    HistoryReader::Line line;
    while (reader.next(&line)) {
        if (line.whole && IsBlankHistoryLine(line.text)) {
            continue;
        }
        const auto fields = line.whole ? ParseHistoryLine(line.text) : std::nullopt;
        if (!fields || fields->description.size() > kMaxDescriptionLength) {
            if (!unread.keep(reader.descriptor(), line, &result.error)) {
                return result;
            }
            // Committed at once: a kill before it would set the line aside
            // again on the next run.
            if (!store.advance(file, line.end) || !store.commit()) {
                result.error = store.error();
                return result;
            }
            ++result.setAside;
            continue;
        }
        if (fields->bitmap.empty()) {
            continue;  // the end-of-work line
        }
        ++result.eventLines;
        const eventdb::HistoryEvent event{fields->description, fields->bitmap, fields->video};
        bool held = false;
        if (!store.holds(event, &held)) {
            result.error = store.error();
            return result;
        }
        if (held) {
            ++result.found;
            continue;
        }
        if (!store.add(event, file, line.end)) {
            result.error = store.error();
            return result;
        }
    }
    if (reader.failed()) {
        result.error = "Cannot read " + path + " to its end.";
    }
    return result;
}

}  // namespace

TranslationResult TranslateHistory(eventdb::EventStore& store, const std::string& path,
                                   const std::string& unreadPath) {
    // Whatever stopped the lines, the rows stored so far stay stored. Only
    // committed rows count: a group lost with the server is not stored.
    const uint64_t before = store.storedRows();
    TranslationResult result = translateLines(store, path, unreadPath);
    if (!store.commit() && result.error.empty()) {
        result.error = store.error();
    }
    result.stored = store.storedRows() - before;
    return result;
}

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

}  // namespace zelkor::histran
