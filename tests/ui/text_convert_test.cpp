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

}  // namespace
}  // namespace quillon::ui
