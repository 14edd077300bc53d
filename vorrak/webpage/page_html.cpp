#include "vorrak/webpage/page_html.h"

#include <algorithm>

#include "vorrak/resources/strings.h"

namespace zelkor::vorrak::webpage {

std::string escapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default: {
                const auto byte = static_cast<unsigned char>(c);
                if (byte < 0x80) {
                    // Control characters other than tab and line ends are
                    // not text a page may hold.
                    out += (byte < 0x20 && c != '\t' && c != '\n' && c != '\r') ? ' ' : c;
                } else {
                    out += char(0xC0 | (byte >> 6));
                    out += char(0x80 | (byte & 0x3F));
                }
            }
        }
    }
    return out;
}

std::string encodeUrlPath(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
    }
    return out;
}

namespace {

void line(std::string& page, std::string_view text) {
    page.append(text);
    page += '\n';
}

}  // namespace

std::string buildPage(const PageState& state, const std::vector<PageEvent>& events,
                      uint32_t refreshSeconds) {
    const std::string title = escapeHtml(resources::kTitle);
    std::string page(kPageHead);
    line(page, "<html lang=\"en\">");
    line(page, "<head>");
    line(page, "<meta charset=\"utf-8\">");
    line(page, "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">");
    if (state.running) {
        line(page,
             "<meta http-equiv=\"refresh\" content=\"" + std::to_string(refreshSeconds) + "\">");
    }
    line(page, "<title>" + title + "</title>");
    line(page,
         "<style>body{font-family:sans-serif;margin:1em}img{max-width:100%}"
         "ul{padding:0}li{margin:.5em 0;list-style:none;display:flex;align-items:center;gap:.5em}"
         ".thumb{width:176px;max-width:45vw;display:block}</style>");
    line(page, "</head>");
    line(page, "<body>");
    line(page, "<h1>" + title + "</h1>");
    line(page, "<p id=\"state\">" + escapeHtml(state.state) +
                   (state.since.empty() ? "" : " since " + escapeHtml(state.since)) +
                   ", events this run: " + std::to_string(state.events) + "</p>");
    if (!state.live.empty()) {
        line(page, "<p><img id=\"live\" alt=\"The current picture\" src=\"" +
                       escapeHtml(state.live) + "?v=" + std::to_string(state.liveVersion) + "\">" +
                       (state.liveTaken.empty() ? std::string()
                                                : "<br><span id=\"taken\">Picture of " +
                                                      escapeHtml(state.liveTaken) + "</span>") +
                       "</p>");
    }
    line(page, "<h2>Events</h2>");
    const size_t shown = std::min(events.size(), kMaxPageEvents);
    if (shown == 0) {
        line(page, "<p>No events.</p>");
    } else {
        line(page, "<ul id=\"events\">");
        for (size_t i = 0; i < shown; ++i) {
            const PageEvent& e = events[i];
            std::string item = "<li>";
            if (!e.thumbnail.empty()) {
                const std::string img = "<img class=\"thumb\" alt=\"Event picture\" src=\"" +
                                        escapeHtml(e.thumbnail) + "\">";
                item += e.picture.empty()
                            ? img
                            : "<a href=\"" + escapeHtml(e.picture) + "\">" + img + "</a>";
                item += ' ';
            }
            item += escapeHtml(e.description);
            if (!e.clip.empty()) {
                item += " <a href=\"" + escapeHtml(e.clip) + "\">clip</a>";
            }
            item += "</li>";
            line(page, item);
        }
        line(page, "</ul>");
    }
    line(page, "</body>");
    line(page, "</html>");
    return page;
}

}  // namespace zelkor::vorrak::webpage
