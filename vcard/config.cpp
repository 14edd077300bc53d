#include "vcard/config.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/ini_document.h"
#include "platform/text.h"
#include "vcard/scene.h"
#include "vcard/stream_address.h"

namespace zelkor::vcard {

namespace {

using platform::toLowerAscii;

// A value may carry the carriage return of a file saved with CR LF ends.
std::string_view trim(std::string_view s) {
    return platform::trim(s, " \t\r");
}

template <typename T>
bool parseNumber(std::string_view s, T& out, int base = 10) {
    const char* end = s.data() + s.size();
    const auto r = std::from_chars(s.data(), end, out, base);
    return !s.empty() && r.ec == std::errc() && r.ptr == end;
}

bool parseChip(std::string_view s, ChipId& chip) {
    const size_t colon = s.find(':');
    return colon == 4 && s.size() == 9 && parseNumber(s.substr(0, 4), chip.vendor, 16) &&
           parseNumber(s.substr(5), chip.device, 16);
}

bool parseChips(std::string_view s, std::vector<ChipId>& chips) {
    chips.clear();
    if (toLowerAscii(s) == "none") {
        return true;
    }
    while (true) {
        const size_t comma = s.find(',');
        ChipId chip;
        if (!parseChip(trim(s.substr(0, comma)), chip)) {
            return false;
        }
        chips.push_back(chip);
        if (comma == std::string_view::npos) {
            return true;
        }
        s = s.substr(comma + 1);
    }
}

bool parseYesNo(std::string_view s, bool& out) {
    const std::string v = toLowerAscii(s);
    if (v == "yes" || v == "1" || v == "true") {
        out = true;
        return true;
    }
    if (v == "no" || v == "0" || v == "false") {
        out = false;
        return true;
    }
    return false;
}

// Checks a source's kind and, for scenes, its name; "" when it is fine.
std::string checkSourceLocation(std::string_view location) {
    if (location == "none") {
        return {};
    }
    if (location.starts_with("scene:")) {
        return isSceneName(location.substr(6))
                   ? std::string()
                   : "unknown scene (known: " + std::string(sceneNames()) + ")";
    }
    if ((location.starts_with("y4m:") && location.size() > 4) ||
        (location.starts_with("v4l2:") && location.size() > 5)) {
        return {};
    }
    if (location.starts_with("stream:")) {
        return checkStreamAddress(location.substr(7));
    }
    return "expected scene:NAME, y4m:PATH, v4l2:/dev/videoN, stream:URL or none";
}

class Parser {
  public:
    Parser(std::string_view fileName, VcardConfig& config, std::string& error)
        : fileName_(fileName), config_(config), error_(error) {}

    bool line(int number, std::string_view text) {
        number_ = number;
        text = trim(text);
        const platform::IniLineParts parts = platform::splitIniLine(text);
        if (parts.kind == platform::IniLineParts::Blank ||
            parts.kind == platform::IniLineParts::Comment || text.front() == '#') {
            return true;
        }
        if (text.front() == '[') {
            if (parts.kind != platform::IniLineParts::Section || text.back() != ']') {
                return fail("section header without ']'");
            }
            section_ = toLowerAscii(parts.name);
            if (section_ != "card" && section_ != "composite" && section_ != "svideo" &&
                section_ != "capture" && section_ != "display" && driverIndex() < 0) {
                return fail("unknown section [" + section_ + "]");
            }
            return true;
        }
        if (parts.kind != platform::IniLineParts::Key) {
            return fail("expected key = value");
        }
        key_ = toLowerAscii(parts.name);
        const std::string_view value = trim(parts.value);
        if (section_.empty()) {
            return keyFail("key outside any section");
        }
        if (section_ == "card") {
            return cardKey(value);
        }
        if (section_ == "composite") {
            return sourceKey(config_.composite, value);
        }
        if (section_ == "svideo") {
            return sourceKey(config_.svideo, value);
        }
        if (section_ == "capture") {
            return captureKey(value);
        }
        if (section_ == "display") {
            return displayKey(value);
        }
        return driverKey(value);
    }

  private:
    int driverIndex() const {
        if (section_.size() == 7 && section_.starts_with("driver") && section_[6] >= '0' &&
            section_[6] <= '9') {
            return section_[6] - '0';
        }
        return -1;
    }

    bool cardKey(std::string_view value) {
        if (key_ == "chip") {
            return parseChips(value, config_.chips) ||
                   keyFail("expected VVVV:DDDD in hex, a comma-separated list of them, or none");
        }
        if (key_ == "pci" || key_ == "ports") {
            const std::string v = toLowerAscii(value);
            const bool real = key_ == "pci" ? v == "system" : v == "real";
            if (v != "virtual" && !real) {
                return keyFail(key_ == "pci" ? "expected virtual or system"
                                             : "expected virtual or real");
            }
            if (key_ == "pci") {
                config_.pci = real ? PciBackend::System : PciBackend::Virtual;
            } else {
                config_.ports = real ? PortsBackend::Real : PortsBackend::Virtual;
            }
            return true;
        }
        if (key_ == "decoder") {
            return parseYesNo(value, config_.decoderPresent) || keyFail("expected yes or no");
        }
        if (key_ == "optional_device") {
            const std::string v = toLowerAscii(value);
            if (v == "none") {
                config_.optionalDevice = 0;
            } else if (v == "c2" || v == "c0") {
                config_.optionalDevice = v == "c2" ? 0xC2 : 0xC0;
            } else {
                return keyFail("expected C2, C0 or none");
            }
            return true;
        }
        if (key_ == "trace") {
            config_.traceFile = std::string(value);
            return true;
        }
        return keyFail("unknown key in [card]");
    }

    bool sourceKey(SourceConfig& source, std::string_view value) {
        if (key_ == "source") {
            const std::string problem = checkSourceLocation(value);
            if (!problem.empty()) {
                return keyFail(problem);
            }
            source.location = std::string(value);
            return true;
        }
        if (key_ == "rate") {
            int rate = 0;
            if (!parseNumber(value, rate) || (rate != 50 && rate != 60)) {
                return keyFail("expected 50 or 60");
            }
            source.fieldRate = rate;
            return true;
        }
        if (key_ == "seed") {
            return parseNumber(value, source.seed) || keyFail("expected a number 0-4294967295");
        }
        if (key_ == "period") {
            uint32_t ms = 0;
            if (!parseNumber(value, ms) || ms < 1000 || ms > 3600000) {
                return keyFail("expected milliseconds, 1000-3600000");
            }
            source.periodMs = ms;
            return true;
        }
        if (key_ == "transport") {
            const std::string v = toLowerAscii(value);
            if (v != "tcp" && v != "udp") {
                return keyFail("expected tcp or udp");
            }
            source.rtspUdp = v == "udp";
            return true;
        }
        if (key_ == "loop") {
            bool loop = true;
            if (!parseYesNo(value, loop)) {
                return keyFail("expected yes or no");
            }
            source.loop = loop;
            return true;
        }
        if (key_ == "timeout") {
            int seconds = 0;
            if (!parseNumber(value, seconds) || seconds < 1 || seconds > kMaxStreamTimeoutSeconds) {
                return keyFail("expected seconds, 1-" + std::to_string(kMaxStreamTimeoutSeconds));
            }
            source.timeoutSeconds = seconds;
            return true;
        }
        return keyFail("unknown key in [" + section_ + "]");
    }

    bool captureKey(std::string_view value) {
        CaptureOptions& capture = config_.capture;
        if (key_ == "audio") {
            return parseYesNo(value, capture.audioHardware) || keyFail("expected yes or no");
        }
        if (key_ == "formats") {
            capture.acceptZkv2 = capture.acceptZkv1 = false;
            std::string_view rest = value;
            while (!rest.empty()) {
                const size_t comma = rest.find(',');
                const std::string name = toLowerAscii(trim(rest.substr(0, comma)));
                if (name == "zkv2") {
                    capture.acceptZkv2 = true;
                } else if (name == "zkv1") {
                    capture.acceptZkv1 = true;
                } else if (name != "none" || value.find(',') != std::string_view::npos) {
                    return keyFail("expected ZKV2, ZKV1, both separated by a comma, or none");
                }
                rest =
                    comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
            }
            return true;
        }
        if (key_ == "jpeg_quality") {
            int quality = 0;
            if (!parseNumber(value, quality) || quality < 1 || quality > 100) {
                return keyFail("expected 1-100");
            }
            capture.jpegQuality = quality;
            return true;
        }
        return keyFail("unknown key in [capture]");
    }

    bool displayKey(std::string_view value) {
        DisplayOptions& d = config_.display;
        const std::pair<std::string_view, bool*> flags[] = {
            {"video_port", &d.videoPort},
            {"overlay", &d.overlay},
            {"auto_flip", &d.autoFlip},
            {"interleave", &d.interleave},
            {"port_start_fails", &d.portStartFails}};
        for (const auto& [name, flag] : flags) {
            if (key_ == name) {
                return parseYesNo(value, *flag) || keyFail("expected yes or no");
            }
        }
        const std::pair<std::string_view, uint32_t*> numbers[] = {
            {"align_boundary_dest", &d.alignBoundaryDest},
            {"align_size_dest", &d.alignSizeDest},
            {"align_boundary_src", &d.alignBoundarySrc},
            {"align_size_src", &d.alignSizeSrc},
            {"bandwidth_overlay", &d.bandwidthOverlay},
            {"bandwidth_colorkey", &d.bandwidthColorKey},
            {"bandwidth_yinterpolate", &d.bandwidthYInterpolate},
            {"bandwidth_yinterp_colorkey", &d.bandwidthYInterpAndColorKey},
            {"overlay_failures", &d.overlayFailures},
            {"surfaces_lost_after", &d.surfacesLostAfterMs}};
        for (const auto& [name, number] : numbers) {
            if (key_ == name) {
                return parseNumber(value, *number) || keyFail("expected a number 0-4294967295");
            }
        }
        if (key_ == "max_prescale_width") {
            uint32_t width = 0;
            if (!parseNumber(value, width) || width < 1 || width > 720) {
                return keyFail("expected 1-720");
            }
            d.maxPrescaleWidth = width;
            return true;
        }
        if (key_ == "bandwidth_caps") {
            const std::string v = toLowerAscii(value);
            if (v != "source" && v != "videoport") {
                return keyFail("expected source or videoport");
            }
            d.bandwidthSource = v == "source";
            return true;
        }
        if (key_ == "desktop") {
            const std::string v = toLowerAscii(value);
            const std::pair<std::string_view, DesktopFormat> formats[] = {
                {"8", DesktopFormat::Palette8},
                {"565", DesktopFormat::Rgb565},
                {"555", DesktopFormat::Rgb555},
                {"24", DesktopFormat::Rgb24},
                {"32", DesktopFormat::Rgb32}};
            for (const auto& [name, format] : formats) {
                if (v == name) {
                    d.desktop = format;
                    return true;
                }
            }
            return keyFail("expected 8, 565, 555, 24 or 32");
        }
        if (key_ == "output_formats") {
            d.outputFormats.clear();
            std::string_view rest = value;
            while (!rest.empty()) {
                const size_t comma = rest.find(',');
                const std::string name = toLowerAscii(trim(rest.substr(0, comma)));
                if (name == "uyvy" || name == "yuy2") {
                    d.outputFormats.push_back(name == "uyvy" ? platform::display::Uyvy
                                                             : platform::display::Yuy2);
                } else {
                    return keyFail("expected UYVY, YUY2 or both separated by a comma");
                }
                rest =
                    comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
            }
            return !d.outputFormats.empty() ||
                   keyFail("expected UYVY, YUY2 or both separated by a comma");
        }
        return keyFail("unknown key in [display]");
    }

    bool driverKey(std::string_view value) {
        std::optional<DriverDescription>& d = config_.drivers[size_t(driverIndex())];
        if (key_ != "name" && key_ != "version") {
            return keyFail("unknown key in [" + section_ + "]");
        }
        if (!d) {
            d.emplace();
        }
        (key_ == "name" ? d->name : d->version) = std::string(value);
        // A driver without a name is no driver.
        if (key_ == "name" && value.empty()) {
            d.reset();
        }
        return true;
    }

    bool fail(const std::string& why) {
        error_ = std::string(fileName_) + ", line " + std::to_string(number_) + ": " + why;
        return false;
    }
    bool keyFail(const std::string& why) {
        error_ = std::string(fileName_) + ", line " + std::to_string(number_) + ", key \"" + key_ +
                 "\": " + why;
        return false;
    }

    std::string_view fileName_;
    VcardConfig& config_;
    std::string& error_;
    std::string section_;
    std::string key_;
    int number_ = 0;
};

}  // namespace

bool parseVcardConfig(std::string_view text, std::string_view fileName, VcardConfig& config,
                      std::string& error) {
    // Editors on some systems start a UTF-8 file with a byte-order mark.
    constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
    if (text.starts_with(kUtf8Bom)) {
        text.remove_prefix(kUtf8Bom.size());
    }
    Parser parser(fileName, config, error);
    const platform::IniDocument document = platform::IniDocument::parse(text);
    int number = 0;
    for (const platform::IniLine& line : document.lines()) {
        if (!parser.line(++number, line.text)) {
            return false;
        }
    }
    return true;
}

namespace {

// Paths in a file are taken from the file's own folder.
void resolvePaths(VcardConfig& config, const std::filesystem::path& base) {
    const auto resolve = [&](std::string& path) {
        if (!path.empty() && std::filesystem::path(path).is_relative()) {
            path = (base / path).string();
        }
    };
    for (SourceConfig* s : {&config.composite, &config.svideo}) {
        if (s->location.starts_with("y4m:")) {
            std::string path = s->location.substr(4);
            resolve(path);
            s->location = "y4m:" + path;
        }
        if (s->location.starts_with("stream:")) {
            StreamAddress address = parseStreamAddress(std::string_view(s->location).substr(7));
            if (address.local) {
                resolve(address.target);
                s->location = "stream:" + address.target;
            }
        }
    }
    resolve(config.traceFile);
}

}  // namespace

bool loadVcardConfig(const char* environment, const std::string& programDir, VcardConfig& config,
                     std::string& error) {
    config = VcardConfig{};
    const bool named = environment != nullptr && *environment != '\0';
    const std::filesystem::path file = named ? std::filesystem::path(environment)
                                             : std::filesystem::path(programDir) / "vcard.ini";
    // A configuration that was asked for but is not there, or is no file, is
    // an error: running the built-in card instead would hide the mistake.
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(file, ec);
    if (!std::filesystem::exists(status)) {
        if (!named) {
            return true;  // the built-in card
        }
        error = file.string() + ": no such card configuration file";
        return false;
    }
    if (!std::filesystem::is_regular_file(status)) {
        error = file.string() + ": not a card configuration file (a folder or a device)";
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = file.string() + ": cannot be read";
        return false;
    }
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!parseVcardConfig(text, file.string(), config, error)) {
        return false;
    }
    resolvePaths(config, file.parent_path());
    return true;
}

}  // namespace zelkor::vcard
