// The fast conversions against the plain converter, unit by unit, on every two-byte code and
// every BMP character, and on random mixes of valid and broken input.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <random>
#include <stdexcept>

#include "runtime/codepage.h"

namespace quillon::codepage {
namespace {

// The whole input through one iconv call chain, each unit it rejects replaced by `replacement`.
std::string Reference(const char* to, const char* from, std::string_view in, std::size_t unitSize,
                      std::string_view replacement) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open");
    std::string out;
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    while (srcLeft > 0) {
        char buffer[256];
        char* dst = buffer;
        std::size_t dstLeft = sizeof buffer;
        const std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, sizeof buffer - dstLeft);
        if (rc != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
        const std::size_t skip = std::min(unitSize, srcLeft);
        src += skip;
        srcLeft -= skip;
        out.append(replacement);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}

const std::string_view kGbReplacement = "\x84\x31\xA4\x37";

std::u16string RefGbkToUtf16(std::string_view gbk) {
    const std::string bytes = Reference("UTF-16LE", "GB18030", gbk, 1, {"\xFD\xFF", 2});
    std::u16string out;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            static_cast<unsigned char>(bytes[i + 1]) << 8));
    return out;
}

Text RefUtf16ToGbk(std::u16string_view units) {
    std::string bytes;
    for (char16_t unit : units) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return Reference("GB18030", "UTF-16LE", bytes, 2, kGbReplacement);
}

// All four conversions of `gbk` and of its UTF-8 and UTF-16 forms against the reference.
void ExpectAgreementOnGbk(std::string_view gbk) {
    const std::u16string units = gbkToUtf16(gbk);
    ASSERT_EQ(units, RefGbkToUtf16(gbk));
    const std::string utf8 = gbkToUtf8(gbk);
    ASSERT_EQ(utf8, Reference("UTF-8", "GB18030", gbk, 1, "\xEF\xBF\xBD"));
    ASSERT_EQ(utf16ToGbk(units), RefUtf16ToGbk(units));
    ASSERT_EQ(utf8ToGbk(utf8), Reference("GB18030", "UTF-8", utf8, 1, kGbReplacement));
}

// Bytes that mix ASCII, two- and four-byte characters and broken sequences of every kind.
std::string RandomBytes(std::mt19937& random, std::size_t size) {
    static constexpr unsigned char kPicks[] = {'a',  '<',  ' ',  '0',  '9',  '@',  0x7F, 0x80, 0x81,
                                               0x84, 0x90, 0xA1, 0xB0, 0xD4, 0xE3, 0xFE, 0xFF};
    std::string bytes;
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kPicks - 1);
    for (std::size_t i = 0; i < size; ++i) bytes.push_back(static_cast<char>(kPicks[pick(random)]));
    return bytes;
}

TEST(CodepageAgreement, AnyGbkBytes) {
    std::mt19937 random(20170107);
    for (int round = 0; round < 400; ++round) {
        SCOPED_TRACE(round);
        ExpectAgreementOnGbk(RandomBytes(random, 1 + round % 40));
    }
}

TEST(CodepageAgreement, AnyUtf16Units) {
    std::mt19937 random(7);
    static constexpr char16_t kUnits[] = {u'a',   u'\n',  0x00E9, 0x4E2D, 0x20AC, 0xD83D,
                                          0xDE00, 0xFFFD, 0xE000, 0x00A0, 0x2029, 0xAC00};
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kUnits) - 1);
    for (int round = 0; round < 400; ++round) {
        std::u16string units;
        for (int i = 0; i < 1 + round % 30; ++i) units.push_back(kUnits[pick(random)]);
        ASSERT_EQ(utf16ToGbk(units), RefUtf16ToGbk(units)) << round;
        Text appended = "x";
        appendGbk(units, appended);
        ASSERT_EQ(appended, "x" + RefUtf16ToGbk(units)) << round;
    }
}

// Valid characters of every length beside stray, truncated, overlong and surrogate forms.
TEST(CodepageAgreement, AnyUtf8Bytes) {
    // The last three: U+00B7, which has a two-byte code, and two overlong forms of such units.
    static const std::string_view kPieces[] = {"a",
                                               " ",
                                               "\xC3\xA9",
                                               "\xE4\xB8\xAD",
                                               "\xE2\x82\xAC",
                                               "\xEA\xB0\x80",
                                               "\x80",
                                               "\xBF",
                                               "\xC3",
                                               "\xE4\xB8",
                                               "\xF0\x9F",
                                               "\xF0\x9F\x98\x80",
                                               "\xFE",
                                               "\xFF",
                                               "\xC0\xAF",
                                               "\xE0\x80\xAF",
                                               "\xED\xA0\x80",
                                               "\xF8\x88\x80\x80\x80",
                                               "\xC2\x80",
                                               "\xEF\xBF\xBF",
                                               "\xC2\xB7",
                                               "\xE0\x82\xB7",
                                               "\xE0\x83\x97"};
    std::mt19937 random(11);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kPieces) - 1);
    for (int round = 0; round < 400; ++round) {
        std::string utf8;
        for (int i = 0; i < 1 + round % 25; ++i) utf8 += kPieces[pick(random)];
        ASSERT_EQ(utf8ToGbk(utf8), Reference("GB18030", "UTF-8", utf8, 1, kGbReplacement)) << round;
    }
}

TEST(CodepageAgreement, EveryTwoByteCodeAndEveryBmpCharacter) {
    std::string codes;
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            codes += static_cast<char>(lead);
            codes += static_cast<char>(trail);
        }
    ExpectAgreementOnGbk(codes);
    std::u16string units;
    for (char32_t unit = 0x80; unit <= 0xFFFF; ++unit)
        if (unit < 0xD800 || unit >= 0xE000) units.push_back(static_cast<char16_t>(unit));
    const Text gbk = utf16ToGbk(units);
    ASSERT_EQ(gbk, RefUtf16ToGbk(units));
    ExpectAgreementOnGbk(gbk);
}

TEST(CodepageAgreement, WritesNoMoreUnitsThanBytes) {
    // Four-byte characters outside the BMP make two units from four bytes; broken bytes one each.
    const std::string gbk = utf16ToGbk(u"\U0001F600\u00E9") + "\x81\xFF\x84\x31";
    std::u16string room(gbk.size() + 4, u'#');
    const std::size_t written = gbkToUtf16(gbk, room.data());
    EXPECT_EQ(room.substr(0, written), RefGbkToUtf16(gbk));
    EXPECT_EQ(room.substr(gbk.size()), u"####");
}

}  // namespace
}  // namespace quillon::codepage
