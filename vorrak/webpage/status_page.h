#pragma once
// The status page while Vorrak runs: on the program's thread a timer notes
// the state and, every refresh period or at a new event, hands copies of
// the state, the newest frame and the events to the page's writer.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/timers.h"
#include "vorrak/state/vorrak.h"
#include "vorrak/webpage/page_writer.h"

namespace zelkor::vorrak::webpage {

// The page a user gets without naming one, in the working directory.
constexpr std::string_view kDefaultPageName = "Oculara.html";

// Where WEBPAGEFILENAME puts the page: empty is kDefaultPageName in the
// working directory, a relative name lies in the working directory. Nothing
// (with `error`) for a name that ends in '/' or names no file.
std::optional<PagePlaces> PagePlacesOf(const Settings& settings, std::string* error);

class StatusPage {
  public:
    StatusPage(const Vorrak& v, platform::Timers& timers, platform::Clock& clock);
    ~StatusPage();
    StatusPage(const StatusPage&) = delete;
    StatusPage& operator=(const StatusPage&) = delete;

    // Starts the page when UPDATEWEBPAGE asks for it; says on stderr why
    // when it cannot be made.
    void start();
    // The program ends: the page says since when it stopped and no longer
    // refreshes itself, so it is not taken for a live one.
    void stop();

    bool running() const { return running_; }

  private:
    void tick();
    // Notes when the guard's newest frame changed; the page keeps the last one.
    void noteLive();
    PageInput snapshot();
    std::string now() const;

    const Vorrak& v_;
    platform::Timers& timers_;
    platform::Clock& clock_;
    PageWriter writer_;
    bool running_ = false;
    // As the run started: a later settings load does not change the page.
    uint32_t refreshSeconds_ = 0;
    std::string state_;
    std::string since_;
    uint32_t ticks_ = 0;
    uint32_t eventsPosted_ = 0;
    FrameRef live_;
    std::string liveTaken_;
};

}  // namespace zelkor::vorrak::webpage
