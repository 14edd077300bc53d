#include "vorrak/webpage/status_page.h"

#include <cstdio>

#include "vorrak/guard/event_history.h"

namespace zelkor::vorrak::webpage {

namespace {

constexpr uint32_t kStatusTimer = 1;
// The state is looked at every second, so that "since" is right to the
// second whatever the refresh period.
constexpr uint32_t kLookMs = 1000;

std::string stateOf(const Vorrak& v) {
    if (v.capture.CaptureState != kCaptureConnected) {
        return "StandBy";
    }
    if (v.guardMode.active != 0) {
        return "Guarding";
    }
    return v.guardMode.trace.tracing != 0 ? "Tracing" : "StandBy";
}

}  // namespace

std::optional<PagePlaces> PagePlacesOf(const Settings& settings, std::string* error) {
    std::string path = settings.WEBPAGEFILENAME;
    if (path.empty()) {
        path = std::string(kDefaultPageName);
    }
    if (path.front() != '/') {
        path = settings.WORKINGDIR + "/" + path;
    }
    const size_t slash = path.rfind('/');
    PagePlaces places;
    places.directory = slash == 0 ? "/" : path.substr(0, slash);
    places.pageName = path.substr(slash + 1);
    if (places.pageName.empty() || places.pageName == "." || places.pageName == "..") {
        *error = "WEBPAGEFILENAME " + settings.WEBPAGEFILENAME + " names no file";
        return std::nullopt;
    }
    places.folderName = places.pageName + ".files";
    return places;
}

StatusPage::StatusPage(const Vorrak& v, platform::Timers& timers, platform::Clock& clock)
    : v_(v), timers_(timers), clock_(clock) {}

StatusPage::~StatusPage() {
    timers_.killTimer(this, kStatusTimer);
}

void StatusPage::start() {
    if (v_.settings.UPDATEWEBPAGE == 0) {
        return;
    }
    std::string error;
    const auto places = PagePlacesOf(v_.settings, &error);
    if (!places || !writer_.open(*places, v_.settings.UPDATEWEBPAGE, &error)) {
        std::fprintf(stderr, "Vorrak: web page: %s; no page is made\n", error.c_str());
        std::fflush(stderr);
        return;
    }
    running_ = true;
    refreshSeconds_ = v_.settings.UPDATEWEBPAGE;
    state_ = stateOf(v_);
    since_ = now();
    writer_.post(snapshot());
    timers_.setTimer(this, kStatusTimer, kLookMs, [this] { tick(); });
}

void StatusPage::stop() {
    if (!running_) {
        return;
    }
    timers_.killTimer(this, kStatusTimer);
    running_ = false;
    PageInput last = snapshot();
    last.state.state = "stopped at " + now();
    last.state.since.clear();
    last.state.running = false;
    writer_.finish(std::move(last));
}

void StatusPage::tick() {
    const std::string state = stateOf(v_);
    if (state != state_) {
        state_ = state;
        since_ = now();
    }
    noteLive();
    ++ticks_;
    if (ticks_ * kLookMs >= refreshSeconds_ * 1000 || v_.guard.EventNumber != eventsPosted_) {
        writer_.post(snapshot());
    }
}

PageInput StatusPage::snapshot() {
    ticks_ = 0;
    eventsPosted_ = v_.guard.EventNumber;
    PageInput input;
    input.state.state = state_;
    input.state.since = since_;
    input.state.events = v_.guard.EventNumber;
    noteLive();
    input.live = live_;
    input.state.liveTaken = liveTaken_;
    // The slots are used in turn; the newest is the current one.
    const uint32_t kept = std::min<uint32_t>(v_.guard.EventNumber, kMaxPageEvents);
    for (uint32_t back = 0; back < kept; ++back) {
        const uint32_t number = v_.guard.EventNumber - back;
        const EventSlot& slot = v_.guard.eventSlots[EventSlotIndex(number)];
        if (!slot.bitmapPath.empty()) {
            input.events.push_back({number, slot.description, slot.bitmapPath, slot.videoPath});
        }
    }
    return input;
}

void StatusPage::noteLive() {
    // A history freed when guard mode ends leaves the last picture shown.
    if (v_.guard.history.newest && v_.guard.history.newest != live_) {
        live_ = v_.guard.history.newest;
        liveTaken_ = now();
    }
}

std::string StatusPage::now() const {
    const platform::LocalTime t = clock_.localTime();
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

}  // namespace zelkor::vorrak::webpage
