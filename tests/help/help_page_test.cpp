// The help page describes the program as it is: every key the main window
// registers is in its key table, every button of the setting bar is named,
// nothing the program does is called missing, and the page needs nothing
// but itself.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ReadSource(const std::string& relative) {
    const char* root = std::getenv("ZELKOR_SOURCE_DIR");
    EXPECT_NE(root, nullptr) << "ZELKOR_SOURCE_DIR is not set";
    std::ifstream in(std::string(root ? root : ".") + "/" + relative, std::ios::binary);
    EXPECT_TRUE(in) << relative;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Lower(std::string s) {
    std::ranges::transform(s, s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

// "Qt::CTRL | Qt::Key_F12" as the page writes it: <kbd>Ctrl</kbd>+<kbd>F12</kbd>.
std::string PageKey(const std::string& sequence) {
    static const std::regex part(R"(Qt::(\w+))");
    std::string keys;
    for (std::sregex_iterator it(sequence.begin(), sequence.end(), part), end; it != end; ++it) {
        std::string name = (*it)[1];
        if (name == "CTRL") {
            name = "Ctrl";
        } else if (name == "SHIFT") {
            name = "Shift";
        } else if (name == "ALT") {
            name = "Alt";
        } else if (name.starts_with("Key_")) {
            name = name.substr(4);
            if (name == "Escape") {
                name = "Esc";
            }
        }
        keys += (keys.empty() ? "" : "+") + ("<kbd>" + name + "</kbd>");
    }
    return keys;
}

class HelpPage : public testing::Test {
  protected:
    const std::string page = ReadSource("vorrak/resources/help/Help.htm");
};

TEST_F(HelpPage, EveryRegisteredKeyHasItsOwnRow) {
    const std::string window = ReadSource("vorrak/shell/main_window.cpp");
    static const std::regex accelerator(
        R"(addAccelerator\(QKeySequence\(([^)]*)\),\s*command::(\w+)\))");
    std::vector<std::string> keys;
    for (std::sregex_iterator it(window.begin(), window.end(), accelerator), end; it != end; ++it) {
        keys.push_back(PageKey((*it)[1]));
    }
    // Esc, F1 to F4 and Ctrl+F12.
    ASSERT_GE(keys.size(), 6u);
    const size_t table = page.find("<h2>Keys</h2>");
    ASSERT_NE(table, std::string::npos);
    const std::string keyTable = page.substr(table, page.find("</table>", table) - table);
    for (const std::string& key : keys) {
        const std::string row = "<tr><td>" + key + "</td><td>";
        const size_t at = keyTable.find(row);
        ASSERT_NE(at, std::string::npos) << key << " has no row in the key table";
        // What the key does, and no word of it being missing.
        const std::string what =
            Lower(keyTable.substr(at + row.size(), keyTable.find("</tr>", at) - at - row.size()));
        EXPECT_GT(what.size(), 10u) << key;
        EXPECT_EQ(what.find("not yet"), std::string::npos) << key << ": " << what;
    }
}

TEST_F(HelpPage, NamesTheSettingBarsButtonsAndCallsNothingMissing) {
    const std::string bar = ReadSource("vorrak/dialogs/setting_bar.cpp");
    static const std::regex button(R"(ControlKind::PushButton,\s*"([^"]+)\")");
    int buttons = 0;
    for (std::sregex_iterator it(bar.begin(), bar.end(), button), end; it != end; ++it) {
        ++buttons;
        EXPECT_NE(page.find("<b>" + (*it)[1].str() + "</b>"), std::string::npos) << (*it)[1];
    }
    EXPECT_EQ(buttons, 3);
    const std::string lower = Lower(page);
    for (const char* missing : {"not yet", "this version", "not available", "coming soon"}) {
        EXPECT_EQ(lower.find(missing), std::string::npos) << missing;
    }
}

TEST_F(HelpPage, IsSelfContainedAndItsTagsClose) {
    const std::string lower = Lower(page);
    for (const char* outside : {"<script", "src=", "href=", "url(", "@import", "http:", "https:"}) {
        EXPECT_EQ(lower.find(outside), std::string::npos) << outside;
    }
    // Every element opened is closed, in order; the void ones stand alone.
    static const std::regex tag(R"(<(/?)([a-z0-9]+)[^>]*>)");
    std::vector<std::string> open;
    for (std::sregex_iterator it(lower.begin(), lower.end(), tag), end; it != end; ++it) {
        const std::string name = (*it)[2];
        if (name == "meta" || name == "br") {
            continue;
        }
        if ((*it)[1].length() == 0) {
            open.push_back(name);
            continue;
        }
        ASSERT_FALSE(open.empty()) << "</" << name << "> closes nothing";
        ASSERT_EQ(open.back(), name) << "</" << name << "> closes <" << open.back() << ">";
        open.pop_back();
    }
    EXPECT_TRUE(open.empty()) << open.size() << " elements left open";
}

}  // namespace
