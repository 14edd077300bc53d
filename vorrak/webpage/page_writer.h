#pragma once
// Makes the status page off the program's thread: the program hands over
// copies of what the page shows through a slot where the newest replaces
// one not yet taken, and a thread of the writer's own makes the pictures
// and writes the files. An event's pictures are made once.

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "vorrak/detection/guard_state.h"
#include "vorrak/webpage/page_folder.h"
#include "vorrak/webpage/page_html.h"

namespace zelkor::vorrak::webpage {

// Where the page goes: the file `pageName` in `directory`, its pictures in
// the folder `folderName` beside it.
struct PagePlaces {
    std::string directory;
    std::string pageName;
    std::string folderName;
};

struct PageEventInput {
    uint32_t number = 0;  // the run's event number: names its pictures
    std::string description;
    std::string bitmapPath;  // the event bitmap, read for its pictures
    std::string clipPath;    // empty: no clip
};

struct PageInput {
    PageState state;                     // live and liveVersion are the writer's to fill
    FrameRef live;                       // the newest grabbed frame, or none
    std::vector<PageEventInput> events;  // newest first
};

class PageWriter {
  public:
    PageWriter() = default;
    ~PageWriter();
    PageWriter(const PageWriter&) = delete;
    PageWriter& operator=(const PageWriter&) = delete;

    // Opens the page's folders and clears the pictures a page before left
    // there. False (with `error`) when they cannot be opened, or when a file
    // that is not a page of ours stands at the page's name.
    bool open(const PagePlaces& places, uint32_t refreshSeconds, std::string* error);

    // Hands over the next page; the writer's thread makes it.
    void post(PageInput input);

    // Ends the thread, then writes `last` on the caller's thread: the page
    // is complete when this returns.
    void finish(PageInput last);

  private:
    void run();
    void write(PageInput input);
    bool makeEventPictures(const PageEventInput& event);
    void showLive(const FrameRef& frame);
    std::string clipLink(const std::string& clipPath) const;
    void tell(const std::string& error);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<PageInput> pending_;
    bool ending_ = false;
    std::thread thread_;

    // Touched by one thread at a time: the writer's, or the caller of
    // open and finish while there is none.
    PagePlaces places_;
    uint32_t refreshSeconds_ = 0;
    PageFolder directory_;
    PageFolder folder_;
    std::map<uint32_t, bool> made_;  // event number: its pictures are there
    FrameRef liveShown_;
    uint64_t liveVersion_ = 0;
    std::string lastError_;
};

// The name of event `number`'s picture and its thumbnail in the folder.
std::string EventPictureName(uint32_t number);
std::string EventThumbnailName(uint32_t number);

}  // namespace zelkor::vorrak::webpage
