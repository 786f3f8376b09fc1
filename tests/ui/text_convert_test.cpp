#include "ui/text_convert.h"

#include <gtest/gtest.h>

#include <random>

#include "runtime/codepage.h"

namespace quillon::ui {
namespace {

QString FromUtf16(const std::u16string& units) {
    return QString(reinterpret_cast<const QChar*>(units.data()),
                   static_cast<qsizetype>(units.size()));
}

// Bytes that mix ASCII, two- and four-byte characters and broken sequences of every kind.
Text RandomBytes(std::mt19937& random, std::size_t size) {
    static constexpr unsigned char kPicks[] = {'a',  '<',  ' ',  '0',  '9',  '@',  0x7F, 0x80, 0x81,
                                               0x84, 0x90, 0xA1, 0xB0, 0xD4, 0xE3, 0xFE, 0xFF};
    Text bytes;
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kPicks - 1);
    for (std::size_t i = 0; i < size; ++i) bytes.push_back(static_cast<char>(kPicks[pick(random)]));
    return bytes;
}

TEST(TextConvert, AgreesWithTheCodePageOnAnyBytes) {
    std::mt19937 random(20170107);
    for (int round = 0; round < 300; ++round) {
        const Text bytes = RandomBytes(random, 1 + round % 40);
        const std::u16string wide = codepage::gbkToUtf16(bytes);
        const QString shown = ToQString(bytes);
        ASSERT_EQ(shown, FromUtf16(wide)) << round;
        ASSERT_EQ(ToText(shown), codepage::utf16ToGbk(wide)) << round;
    }
}

TEST(TextConvert, AgreesWithTheCodePageOnAnyUnits) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> unit(0, 9);
    static constexpr char16_t kUnits[] = {u'a',   u'\n',  0x00E9, 0x4E2D, 0x20AC,
                                          0xD83D, 0xDE00, 0xFFFD, 0xE000, 0x00A0};
    for (int round = 0; round < 300; ++round) {
        std::u16string units;
        for (int i = 0; i < 1 + round % 30; ++i) units.push_back(kUnits[unit(random)]);
        ASSERT_EQ(ToText(FromUtf16(units)), codepage::utf16ToGbk(units)) << round;
    }
}

TEST(TextConvert, AgreesWithTheCodePageOnEveryTwoByteCodeAndUnit) {
    Text codes;
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            codes += static_cast<char>(lead);
            codes += static_cast<char>(trail);
        }
    EXPECT_EQ(ToQString(codes), FromUtf16(codepage::gbkToUtf16(codes)));
    std::u16string units;
    for (char32_t unit = 0x80; unit <= 0xFFFF; ++unit)
        if (unit < 0xD800 || unit >= 0xE000) units.push_back(static_cast<char16_t>(unit));
    EXPECT_EQ(ToText(FromUtf16(units)), codepage::utf16ToGbk(units));
}

TEST(TextConvert, KeepsEveryCharacterThroughTheRoundTrip) {
    const QString text = QString::fromUtf8("<t a=\"早安\">€ é \u00A0 \U0001F600 丂</t>");
    EXPECT_EQ(ToQString(ToText(text)), text);
    EXPECT_EQ(ToText(QString()), "");
    EXPECT_EQ(ToQString(""), QString());
    EXPECT_EQ(ToCrLfText(QString::fromUtf16(u"a\u2029b")), "a\r\nb");
}

}  // namespace
}  // namespace quillon::ui
