#pragma once
// Message boxes for tests: every box is recorded, and the answers come from
// a script (the box's default answer once the script is used up).

#include <deque>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace zelkor::platform {

struct RecordedBox {
    std::string text;
    std::string title;
    uint32_t style = 0;
};

class RecordingUi : public Ui {
  public:
    std::vector<RecordedBox> boxes;
    std::deque<int> answers;

    int messageBox(std::string_view text, std::string_view title, uint32_t style) override {
        boxes.push_back({std::string(text), std::string(title), style});
        if (answers.empty()) {
            return defaultAnswer(style);
        }
        const int a = answers.front();
        answers.pop_front();
        return a;
    }

    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& b : boxes) {
            out.push_back(b.text);
        }
        return out;
    }
};

}  // namespace zelkor::platform
