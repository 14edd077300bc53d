#include "histran/history_reader.h"

#include <sys/types.h>

namespace zelkor::histran {

HistoryReader::~HistoryReader() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool HistoryReader::seek(int64_t position) {
    if (file_ == nullptr || fseeko(file_, static_cast<off_t>(position), SEEK_SET) != 0) {
        return false;
    }
    position_ = position;
    return true;
}

bool HistoryReader::next(Line* line) {
    if (file_ == nullptr) {
        return false;
    }
    text_.clear();
    line->start = position_;
    line->whole = true;
    int c = getc_unlocked(file_);
    if (c == EOF) {
        return false;
    }
    while (c != EOF && c != '\r' && c != '\n') {
        if (text_.size() < kMaxLineBytes) {
            text_.push_back(static_cast<char>(c));
        } else {
            line->whole = false;
        }
        ++position_;
        c = getc_unlocked(file_);
    }
    // A line cut short by a read error is not a line of the file.
    if (c == EOF && std::ferror(file_) != 0) {
        return false;
    }
    line->ended = c != EOF;
    if (line->ended) {
        ++position_;
    }
    if (c == '\r') {
        const int after = getc_unlocked(file_);
        if (after == '\n') {
            ++position_;
        } else if (after != EOF) {
            std::ungetc(after, file_);
        }
    }
    line->end = position_;
    line->text = text_;
    return true;
}

}  // namespace zelkor::histran
