#include "ui/text_convert.h"

#include <gtest/gtest.h>

namespace quillon::ui {
namespace {

TEST(TextConvert, KeepsEveryCharacterThroughTheRoundTrip) {
    const QString text = QString::fromUtf8("<t a=\"早安\">€ é \u00A0 \U0001F600 丂</t>");
    EXPECT_EQ(ToText(text),
              "<t a=\"\xD4\xE7\xB0\xB2\">\xA2\xE3 \xA8\xA6 \x81\x30\x84\x32 "
              "\x94\x39\xFC\x36 \x81\x40</t>");
    EXPECT_EQ(ToQString(ToText(text)), text);
    EXPECT_EQ(ToText(QString()), "");
    EXPECT_EQ(ToQString(""), QString());
    // Broken bytes show as one replacement character each, and the string holds only what they
    // made, not the room it was given.
    const QString broken = ToQString("a\x81\xFF");
    EXPECT_EQ(broken, QString::fromUtf16(u"a\uFFFD\uFFFD"));
    EXPECT_EQ(broken.size(), 3);
}

TEST(TextConvert, BlockSeparatorsBecomeCrLf) {
    EXPECT_EQ(ToCrLfText(QString::fromUtf16(u"a\u2029b")), "a\r\nb");
    EXPECT_EQ(ToCrLfText(QString::fromUtf16(u"\u2029\u2029")), "\r\n\r\n");
    EXPECT_EQ(ToCrLfText(QString::fromUtf16(u"\u65E9\u2029\u00A0\u2029")),
              "\xD4\xE7\r\n\x81\x30\x84\x32\r\n");
    // A half surrogate next to a separator is one broken unit, not a swallowed line break.
    EXPECT_EQ(ToCrLfText(QString::fromUtf16(u"x") + QChar(0xD83D) + QChar(0x2029) + u'y'),
              "x\x84\x31\xA4\x37\r\ny");
    // Plain line feeds are left as they are.
    EXPECT_EQ(ToCrLfText(QStringLiteral("a\nb")), "a\nb");
}

}  // namespace
}  // namespace quillon::ui
