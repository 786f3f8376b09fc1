#include "runtime/codepage.h"

#include <gtest/gtest.h>

using namespace quillon::codepage;
using quillon::Text;

namespace {
const std::string kZaoAnGbk = "\xD4\xE7\xB0\xB2";  // 早安
const std::string kZaoAnUtf8 = "\xE6\x97\xA9\xE5\xAE\x89";
}  // namespace

TEST(Codepage, GbkCharactersKeepTheirGbkBytes) {
    EXPECT_EQ(utf8ToGbk(kZaoAnUtf8), kZaoAnGbk);
    EXPECT_EQ(gbkToUtf8(kZaoAnGbk), kZaoAnUtf8);
    EXPECT_EQ(gbkToUtf16(kZaoAnGbk), u"早安");
    EXPECT_EQ(utf16ToGbk(u"早安"), kZaoAnGbk);
    EXPECT_EQ(utf8ToGbk("plain <ascii> & text\r\n"), "plain <ascii> & text\r\n");
}

TEST(Codepage, CharactersOutsideGbkSurviveTheRoundTrip) {
    // An emoji (outside the BMP), a Korean syllable and the euro sign are not all GBK characters;
    // GB18030 gives each one a byte sequence, so nothing is lost.
    const std::u16string text = u"a\U0001F600b\uD55C\u20AC\u3000z";
    Text bytes = utf16ToGbk(text);
    EXPECT_EQ(gbkToUtf16(bytes), text);
    EXPECT_EQ(utf8ToGbk(gbkToUtf8(bytes)), bytes);
}

TEST(Codepage, EmbeddedZeroBytesAreKept) {
    const std::string withZero("a\0b", 3);
    EXPECT_EQ(gbkToUtf8(withZero), withZero);
    EXPECT_EQ(utf8ToGbk(withZero), withZero);
}

TEST(Codepage, InvalidBytesBecomeOneReplacementEach) {
    // A lone lead byte at the end, and a lead byte followed by an invalid trail byte.
    EXPECT_EQ(gbkToUtf8("a\x81"), "a\xEF\xBF\xBD");
    EXPECT_EQ(gbkToUtf8("\xFF\xFFz"), "\xEF\xBF\xBD\xEF\xBF\xBDz");
    // Broken UTF-8: a stray continuation byte and a truncated sequence.
    EXPECT_EQ(utf8ToGbk("x\x80y"), "x\x84\x31\xA4\x37y");
    EXPECT_EQ(utf8ToGbk("x\xE6\x97"), "x\x84\x31\xA4\x37\x84\x31\xA4\x37");
    // An unpaired surrogate in UTF-16.
    EXPECT_EQ(utf16ToGbk(std::u16string(u"a") + char16_t(0xD800) + u"b"), "a\x84\x31\xA4\x37" "b");
}

TEST(Codepage, LargeInputConvertsWhole) {
    std::string big;
    for (int i = 0; i < 100000; ++i) big += kZaoAnGbk + "x";
    EXPECT_EQ(utf8ToGbk(gbkToUtf8(big)), big);
    EXPECT_EQ(gbkToUtf8("").size(), 0u);
}
