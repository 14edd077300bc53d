#include "platform/regedit_format.h"

#include <gtest/gtest.h>

#include "tests/platform_store/store_test_support.h"

namespace zelkor::platform {
namespace {

using test::dataFile;

void put(RegistryData& data, std::string_view path, std::string_view name, RegType type,
         std::string_view bytes) {
    data.create(path).set(name, type, bytes.data(), uint32_t(bytes.size()));
}

// The store the hand-written expected.reg describes: every kind of value the
// writer has a form for, escapes, and a wrapped hex list.
RegistryData sampleStore() {
    using namespace std::string_view_literals;
    RegistryData data;
    put(data, "SOFTWARE\\Zelkor", "RUNNORMAL", RegType::Dword, "\xda\x12\0\0"sv);
    put(data, "SOFTWARE\\Zelkor", "RUNSTRING", RegType::Sz, "Q\"x7\\z\0"sv);
    const auto product = "SOFTWARE\\Zelkor\\Oculara"sv;
    put(data, product, "BRIGHTNESS", RegType::Dword, "\x80\0\0\0"sv);
    put(data, product, "WORKINGDIR", RegType::Sz, "C:\\Oculara\\work\0"sv);
    put(data, product, "EMAILBODY", RegType::Sz, "\0"sv);
    std::string address("abc");
    address.resize(50, '\0');
    put(data, product, "EMAILADDRESS", RegType::MultiSz, address);
    put(data, product, "PANEL", RegType::Binary, "\x00\xff\x10\x7f"sv);
    put(data, product, "EMPTY", RegType::Binary, ""sv);
    put(data, product, "NOZERO", RegType::Sz, "ab"sv);
    put(data, product, "TWOLINES", RegType::Sz, "a\r\nb\0"sv);
    put(data, product, "SHORT", RegType::Dword, "\x01\x02"sv);
    put(data, product, "", RegType::Sz, "default text\0"sv);
    put(data, product, "Say \"hi\"", RegType(11), "\x01\0\0\0\0\0\0\x80"sv);
    return data;
}

void expectSameStore(const RegistryData& a, const RegistryData& b) {
    ASSERT_EQ(a.keys.size(), b.keys.size());
    for (size_t k = 0; k < a.keys.size(); ++k) {
        EXPECT_EQ(a.keys[k].path, b.keys[k].path);
        ASSERT_EQ(a.keys[k].values.size(), b.keys[k].values.size()) << a.keys[k].path;
        for (size_t v = 0; v < a.keys[k].values.size(); ++v) {
            const auto& x = a.keys[k].values[v];
            const auto& y = b.keys[k].values[v];
            EXPECT_EQ(x.name, y.name);
            EXPECT_EQ(x.type, y.type) << x.name;
            EXPECT_EQ(x.data, y.data) << x.name;
        }
    }
}

std::string withCrlf(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

TEST(RegeditFormat, WritesTheEditorsExportByteForByte) {
    const auto expected = dataFile("expected.reg");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(formatRegedit(sampleStore()), expected);
}

TEST(RegeditFormat, ReadsBackWhatItWrites) {
    const auto expected = dataFile("expected.reg");
    const auto parsed = parseRegedit(expected);
    ASSERT_TRUE(parsed.ok) << parsed.errorLine << ": " << parsed.errorReason;
    expectSameStore(parsed.data, sampleStore());
    EXPECT_EQ(formatRegedit(parsed.data), expected);
}

TEST(RegeditFormat, ReadsCrlfFiles) {
    const auto parsed = parseRegedit(withCrlf(dataFile("expected.reg")));
    ASSERT_TRUE(parsed.ok) << parsed.errorLine << ": " << parsed.errorReason;
    expectSameStore(parsed.data, sampleStore());
}

TEST(RegeditFormat, KeepsOnlyLocalMachineKeysAndToleratesHandEdits) {
    const auto good = parseRegedit(
        "REGEDIT4\r\n"
        "; a comment\n"
        "[HKEY_CURRENT_USER\\Software\\Other]\n"
        "\"X\"=dword:00000001\n"
        "[hkey_local_machine\\SOFTWARE\\Zelkor\\Oculara]   \n"
        "  \"SCANTIME\" = DWORD:000001F4\n"
        "\"LIST\"=hex(7):41 , 00,\\\n"
        "     00\n"
        "[HKEY_LOCAL_MACHINE]\n"
        "\"ROOTVALUE\"=dword:00000002\n"
        "[HKEY_LOCAL_MACHINE\\software\\zelkor\\OCULARA]\n"
        "\"scantime\"=dword:000003e8\n");
    ASSERT_TRUE(good.ok) << good.errorLine << ": " << good.errorReason;
    // The parents come first, as a key cannot exist without them.
    ASSERT_EQ(good.data.keys.size(), 3u);
    EXPECT_EQ(good.data.keys[0].path, "SOFTWARE");
    EXPECT_EQ(good.data.keys[1].path, "SOFTWARE\\Zelkor");
    const auto& key = good.data.keys[2];
    ASSERT_EQ(key.values.size(), 2u);
    EXPECT_EQ(key.values[0].name, "SCANTIME");  // later spelling updates, first name stays
    EXPECT_EQ(key.values[0].data, (std::vector<uint8_t>{0xe8, 0x03, 0, 0}));
    EXPECT_EQ(key.values[1].type, RegType::MultiSz);
    EXPECT_EQ(key.values[1].data, (std::vector<uint8_t>{0x41, 0, 0}));
}

struct Malformed {
    const char* text;
    int line;
    const char* reason;
};

TEST(RegeditFormat, RefusesMalformedTextNamingTheLine) {
    const std::string head = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkor]\n";
    const Malformed cases[] = {
        {"", 1, "empty file"},
        {"Windows Registry Editor Version 5.00\r\n", 1, "unknown header"},
        {"\nREGEDIT4\n", 1, "unknown header"},
        {"REGEDIT4\n\n\"A\"=dword:00000001\n", 3, "outside a key"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\n", 2, "closing ]"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\\\\B]\n", 2, "bad key name"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\\]\n", 2, "bad key name"},
        {"REGEDIT4\n[HKEY_NOWHERE\\A]\n", 2, "unknown root"},
        {"REGEDIT4\n[-HKEY_LOCAL_MACHINE\\A]\n", 2, "key deletion"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\nkey=value\n", 3, "unrecognised"},
    };
    for (const auto& c : cases) {
        const auto parsed = parseRegedit(c.text);
        EXPECT_FALSE(parsed.ok) << c.text;
        EXPECT_EQ(parsed.errorLine, c.line) << c.text;
        EXPECT_NE(parsed.errorReason.find(c.reason), std::string::npos)
            << c.text << " gave " << parsed.errorReason;
    }
    const Malformed values[] = {
        {"\"A\"=\"x\\n\"\n", 4, "bad escape"},
        {"\"A\"=\"open\n", 4, "closing quote"},
        {"\"A\"=\"x\" tail\n", 4, "after the quoted value"},
        {"\"A\\\"=dword:00000001\n", 4, "closing quote"},
        {"\"\"=dword:00000001\n", 4, "bad value name"},
        {"\"A\"\n", 4, "= expected"},
        {"\"A\"=dword:0000001\n", 4, "8 hex digits"},
        {"\"A\"=dword:000000010\n", 4, "8 hex digits"},
        {"\"A\"=dword:0000000g\n", 4, "8 hex digits"},
        {"\"A\"=hex:0g\n", 4, "bad hex byte"},
        {"\"A\"=hex:1,2\n", 4, "bad hex byte"},
        {"\"A\"=hex:011\n", 4, "bad hex byte"},
        {"\"A\"=hex:01 02\n", 4, "comma expected"},
        {"\"A\"=hex:,01\n", 4, "misplaced comma"},
        {"\"A\"=hex:01,\n", 4, "ends with a comma"},
        {"\"A\"=hex(7:01\n", 4, "hex(type)"},
        {"\"A\"=hex(123456789):01\n", 4, "hex(type)"},
        {"\"A\"=-\n", 4, "value deletion"},
        {"\"A\"=word:1\n", 4, "unknown value type"},
        {"\"A\"=hex:01,\\\n  02,\\\n  zz\n", 6, "bad hex byte"},
        {"\"A\"=hex:01,\\\n\n\"B\"=hex:\n", 5, "ends with a comma"},
        {"\"A\"=hex:01,\\\r\n  02,\\\r\n", 5, "past the end"},
        {"\"A\tB\"=dword:00000001\n", 4, "bad value name"},
    };
    for (const auto& c : values) {
        const auto parsed = parseRegedit(head + c.text);
        EXPECT_FALSE(parsed.ok) << c.text;
        EXPECT_EQ(parsed.errorLine, c.line) << c.text;
        EXPECT_NE(parsed.errorReason.find(c.reason), std::string::npos)
            << c.text << " gave " << parsed.errorReason;
    }
}

TEST(RegeditFormat, RefusesZeroBytes) {
    using namespace std::string_view_literals;
    const auto parsed = parseRegedit("REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"A\"=\"a\0b\"\n"sv);
    EXPECT_FALSE(parsed.ok);
    EXPECT_EQ(parsed.errorLine, 3);
    EXPECT_NE(parsed.errorReason.find("zero byte"), std::string::npos);
}

}  // namespace
}  // namespace zelkor::platform
