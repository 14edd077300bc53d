#pragma once
// The status web page: what the guard is doing and what it caught, as one
// HTML file that any web server can hand out. Nothing but text here; the
// pictures are files beside the page, named by the caller.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zelkor::vorrak::webpage {

// One event as the page lists it. Texts are the program's own (ANSI code
// page, Latin-1 here); links are relative to the page and empty when there
// is nothing to link to.
struct PageEvent {
    std::string description;
    std::string picture;    // the full picture
    std::string thumbnail;  // shown in the list
    std::string clip;
};

struct PageState {
    std::string state;  // "StandBy", "Guarding", "Tracing", "stopped at ..."
    std::string since;  // when that state began, as the page shows it
    uint32_t events = 0;
    std::string live;          // the current picture, relative to the page; empty: none
    uint64_t liveVersion = 0;  // changes with every new current picture
    bool running = true;       // false: the page stays as it is, no refresh
    // When the current picture was first seen, as the page shows it: a
    // picture the guard no longer renews is not taken for a live one.
    std::string liveTaken = {};
};

// How every page begins: a file that begins otherwise is not one of ours
// and is never replaced by one.
constexpr std::string_view kPageHead = "<!DOCTYPE html>\n<!-- Oculara status page -->\n";

// At most this many events are listed, the newest first.
constexpr size_t kMaxPageEvents = 50;

// `text` (Latin-1) as UTF-8 with &, <, >, " and ' replaced by entities, so
// it is shown as it is and never read as markup, in text or in a quoted
// attribute.
std::string escapeHtml(std::string_view text);

// `path` (relative, '/' between its parts) as the path of a link: every
// byte but letters, digits, '-', '.', '_', '~' and '/' percent-encoded, so
// a space, '#' or '?' in a file name still leads to the file.
std::string encodeUrlPath(std::string_view path);

// The page: HTML5, UTF-8, no script; while the program runs it reloads
// itself every `refreshSeconds`. `events` are newest first; only the first
// kMaxPageEvents are listed.
std::string buildPage(const PageState& state, const std::vector<PageEvent>& events,
                      uint32_t refreshSeconds);

}  // namespace zelkor::vorrak::webpage
