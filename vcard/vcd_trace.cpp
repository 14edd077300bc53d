#include "vcard/vcd_trace.h"

#include <algorithm>

namespace zelkor::vcard {

bool VcdTrace::open(const std::string& path) {
    out_.open(path, std::ios::binary | std::ios::trunc);
    if (!out_) {
        return false;
    }
    out_ << "$version zelkor virtual card $end\n"
            "$timescale 1ns $end\n"
            "$scope module i2c $end\n"
            "$var wire 1 ! scl $end\n"
            "$var wire 1 \" sda $end\n"
            "$upscope $end\n"
            "$enddefinitions $end\n"
            "#0\n"
            "$dumpvars\n1!\n1\"\n$end\n";
    out_.flush();
    return bool(out_);
}

void VcdTrace::change(uint64_t timeNs, bool scl, bool sda) {
    if (!out_.is_open() || (scl == scl_ && sda == sda_)) {
        return;
    }
    if (timeNs < lastTime_) {
        timeNs = lastTime_;
    }
    if (timeNs != lastTime_) {
        out_ << '#' << timeNs << '\n';
    }
    if (scl != scl_) {
        out_ << (scl ? '1' : '0') << "!\n";
    }
    if (sda != sda_) {
        out_ << (sda ? '1' : '0') << "\"\n";
    }
    scl_ = scl;
    sda_ = sda;
    lastTime_ = timeNs;
}

void VcdTrace::finish(uint64_t timeNs) {
    if (!out_.is_open()) {
        return;
    }
    out_ << '#' << std::max(timeNs, lastTime_ + 1) << '\n';
    out_.close();
}

}  // namespace zelkor::vcard
