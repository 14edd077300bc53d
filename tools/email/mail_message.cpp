#include "tools/email/mail_message.h"

#include <array>
#include <cstdio>

namespace zelkor::tools {

namespace {

constexpr std::string_view kBase64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr size_t kBase64LineLength = 76;

// Base64 lines never start with "-", so this boundary cannot occur in a part.
constexpr std::string_view kBoundary = "=_oculara_part";

std::string joinAddresses(const std::vector<std::string>& addresses) {
    std::string line;
    for (const auto& a : addresses) {
        line += (line.empty() ? "" : ", ") + a;
    }
    return line;
}

// The name as a quoted header parameter: what could end the quotes, the
// header or the path is replaced, and a name that keeps nothing becomes a
// plain one.
std::string safeFileName(std::string_view name) {
    const auto slash = name.find_last_of('/');
    if (slash != std::string_view::npos) {
        name.remove_prefix(slash + 1);
    }
    std::string safe;
    for (const char c : name) {
        const bool printable = c >= 0x20 && c < 0x7f && c != '"' && c != '\\';
        safe.push_back(printable ? c : '_');
    }
    return safe.empty() ? "event.bmp" : safe;
}

}  // namespace

std::string MailSubject(std::optional<uint32_t> event) {
    return event ? "Zelkor Oculara event " + std::to_string(*event) : "Zelkor Oculara warning";
}

std::string Base64Lines(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 4 / 3 + bytes.size() / 38 + 8);
    size_t lineLength = 0;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t n = std::min<size_t>(3, bytes.size() - i);
        uint32_t group = 0;
        for (size_t k = 0; k < 3; ++k) {
            group = (group << 8) | (k < n ? uint8_t(bytes[i + k]) : 0u);
        }
        for (size_t k = 0; k < 4; ++k) {
            out.push_back(k <= n ? kBase64Alphabet[(group >> (18 - 6 * k)) & 0x3f] : '=');
        }
        lineLength += 4;
        if (lineLength == kBase64LineLength) {
            out += "\r\n";
            lineLength = 0;
        }
    }
    if (lineLength > 0) {
        out += "\r\n";
    }
    return out;
}

std::string MailDate(std::time_t time) {
    std::tm utc{};
    gmtime_r(&time, &utc);
    std::array<char, 64> text{};
    std::strftime(text.data(), text.size(), "%a, %d %b %Y %H:%M:%S +0000", &utc);
    return text.data();
}

std::string BuildMailMessage(const MailContent& content) {
    std::string m;
    m += "From: " + content.from + "\r\n";
    m += "To: " + joinAddresses(content.to) + "\r\n";
    if (!content.cc.empty()) {
        m += "Cc: " + joinAddresses(content.cc) + "\r\n";
    }
    m += "Subject: " + content.subject + "\r\n";
    m += "Date: " + MailDate(content.date) + "\r\n";
    m += "Message-ID: <" + content.messageId + ">\r\n";
    m += "MIME-Version: 1.0\r\n";
    const std::string textHeaders =
        "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: base64\r\n";
    if (!content.attachment) {
        return m + textHeaders + "\r\n" + Base64Lines(content.body);
    }
    const std::string boundary(kBoundary);
    const std::string name = safeFileName(content.attachment->fileName);
    m += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n";
    m += "--" + boundary + "\r\n" + textHeaders + "\r\n" + Base64Lines(content.body);
    m += "--" + boundary + "\r\n";
    m += "Content-Type: image/bmp; name=\"" + name + "\"\r\n";
    m += "Content-Transfer-Encoding: base64\r\n";
    m += "Content-Disposition: attachment; filename=\"" + name + "\"\r\n\r\n";
    const auto& bytes = content.attachment->bytes;
    m += Base64Lines(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    m += "--" + boundary + "--\r\n";
    return m;
}

}  // namespace zelkor::tools
