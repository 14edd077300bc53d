#include "vorrak/webpage/page_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <set>

#include "vorrak/webpage/page_picture.h"

namespace zelkor::vorrak::webpage {

namespace {

constexpr std::string_view kEventPrefix = "event-";
constexpr std::string_view kLiveName = "live.jpg";
// No event bitmap comes near this; a larger file is not read.
constexpr size_t kMaxBitmapBytes = 16u << 20;

std::optional<std::vector<uint8_t>> readFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    ssize_t got = 0;
    while ((got = ::read(fd, chunk, sizeof chunk)) > 0 && bytes.size() <= kMaxBitmapBytes) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    ::close(fd);
    if (got < 0 || bytes.size() > kMaxBitmapBytes) {
        return std::nullopt;
    }
    return bytes;
}

std::string_view asText(const std::vector<uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace

std::string EventPictureName(uint32_t number) {
    return std::string(kEventPrefix) + std::to_string(number) + ".jpg";
}

std::string EventThumbnailName(uint32_t number) {
    return std::string(kEventPrefix) + std::to_string(number) + "-thumb.jpg";
}

PageWriter::~PageWriter() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool PageWriter::open(const PagePlaces& places, uint32_t refreshSeconds, std::string* error) {
    places_ = places;
    refreshSeconds_ = refreshSeconds;
    if (!directory_.open(places.directory, error, FolderKind::Existing)) {
        return false;
    }
    if (!directory_.mayReplace(places.pageName, kPageHead)) {
        *error = places.directory + "/" + places.pageName +
                 " is there and is not a status page: it is left as it is";
        return false;
    }
    if (!folder_.open(places.directory + "/" + places.folderName, error)) {
        return false;
    }
    // The page lists this run's events only: pictures of a run before are
    // no longer listed by anything.
    folder_.prune(kEventPrefix, {});
    return true;
}

void PageWriter::post(PageInput input) {
    {
        std::lock_guard lock(mutex_);
        pending_ = std::move(input);
        if (!thread_.joinable() && !ending_) {
            thread_ = std::thread([this] { run(); });
        }
    }
    wake_.notify_one();
}

void PageWriter::finish(PageInput last) {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
        pending_.reset();
    }
    wake_.notify_one();
    if (thread_.joinable()) {
        thread_.join();
    }
    write(std::move(last));
}

void PageWriter::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return ending_ || pending_.has_value(); });
        if (ending_) {
            return;
        }
        PageInput input = std::move(*pending_);
        pending_.reset();
        lock.unlock();
        write(std::move(input));
        lock.lock();
    }
}

void PageWriter::write(PageInput input) {
    std::vector<PageEvent> listed;
    std::set<std::string> keep;
    std::map<uint32_t, bool> stillListed;
    const std::string folderLink = encodeUrlPath(places_.folderName) + "/";
    for (const PageEventInput& event : input.events) {
        if (listed.size() == kMaxPageEvents) {
            break;
        }
        auto found = made_.find(event.number);
        const bool made = found != made_.end() ? found->second : makeEventPictures(event);
        stillListed[event.number] = made;
        // An event whose pictures could not be made is left off the page.
        if (!made) {
            continue;
        }
        keep.insert(EventPictureName(event.number));
        keep.insert(EventThumbnailName(event.number));
        listed.push_back({event.description, folderLink + EventPictureName(event.number),
                          folderLink + EventThumbnailName(event.number), clipLink(event.clipPath)});
    }
    made_ = std::move(stillListed);
    showLive(input.live);
    input.state.live = liveVersion_ == 0 ? "" : folderLink + std::string(kLiveName);
    input.state.liveVersion = liveVersion_;
    std::string error;
    if (!directory_.write(places_.pageName, buildPage(input.state, listed, refreshSeconds_),
                          &error)) {
        tell(error);
        return;
    }
    folder_.prune(kEventPrefix, keep);
    tell({});
}

bool PageWriter::makeEventPictures(const PageEventInput& event) {
    const auto bytes = readFile(event.bitmapPath);
    const auto picture = bytes ? decodeBitmapFile(*bytes) : std::nullopt;
    if (!picture) {
        tell("cannot read the event picture " + event.bitmapPath);
        return false;
    }
    // The event bitmap holds the earlier frame above the newer one: the
    // thumbnail shows the newer, at half size.
    std::vector<uint8_t> full;
    std::vector<uint8_t> thumbnail;
    std::string error;
    if (!encodePicture(*picture, full) ||
        !encodePicture(halve(lowerRows(*picture, picture->height / 2)), thumbnail)) {
        tell("cannot make pictures of " + event.bitmapPath);
        return false;
    }
    if (!folder_.write(EventPictureName(event.number), asText(full), &error) ||
        !folder_.write(EventThumbnailName(event.number), asText(thumbnail), &error)) {
        tell(error);
        return false;
    }
    return true;
}

void PageWriter::showLive(const FrameRef& frame) {
    if (!frame || frame == liveShown_) {
        return;
    }
    liveShown_ = frame;
    const auto picture = decodeDib({frame->block.get(), frame->blockSize}, frame->pixelOffset);
    std::vector<uint8_t> jpeg;
    std::string error;
    if (!picture || !encodePicture(*picture, jpeg)) {
        tell("cannot make the current picture");
        return;
    }
    if (!folder_.write(kLiveName, asText(jpeg), &error)) {
        tell(error);
        return;
    }
    ++liveVersion_;
}

std::string PageWriter::clipLink(const std::string& clipPath) const {
    // A clip is linked where a server of the page's folder reaches it: below
    // the page's own directory.
    const std::string base = places_.directory + "/";
    if (!clipPath.starts_with(base) || clipPath.find("/../") != std::string::npos) {
        return {};
    }
    return encodeUrlPath(clipPath.substr(base.size()));
}

void PageWriter::tell(const std::string& error) {
    if (error != lastError_ && !error.empty()) {
        std::fprintf(stderr, "Vorrak: web page: %s\n", error.c_str());
        std::fflush(stderr);
    }
    lastError_ = error;
}

}  // namespace zelkor::vorrak::webpage
