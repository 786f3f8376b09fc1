#include "web/text_primitives.h"

#include <gtest/gtest.h>

using namespace quillon::web;
using quillon::ByteSet;
using quillon::TextArray;

namespace {
// GBK bytes: 早 = D4 E7, 啊 = B0 A1 (its trail byte is the lead of the full-width space A1 A1),
// 圆 = D4 B2; the trail byte 0x41 of 丂 (81 41) looks like ASCII "A".
const std::string kZao = "\xD4\xE7";
const std::string kA = "\xB0\xA1";
const std::string kKao = "\x81\x41";
const std::string kWideSpace = "\xA1\xA1";
}  // namespace

TEST(FindText, PositionsStartAndEmptySought) {
    EXPECT_EQ(FindText("abcabc", "bc"), 2);
    EXPECT_EQ(FindText("abcabc", "bc", 3), 5);
    EXPECT_EQ(FindText("abcabc", "bc", -4), 2);
    EXPECT_EQ(FindText("abcabc", "x"), -1);
    EXPECT_EQ(FindText("abc", "c", 4), -1);
    EXPECT_EQ(FindText("abc", "", 3), 1);
    EXPECT_EQ(FindText("abc", "", 4), -1);
    EXPECT_EQ(FindText("", ""), -1);
    EXPECT_EQ(FindText("ab", "abc"), -1);
}

TEST(FindText, CaseFoldingIsAsciiOnly) {
    EXPECT_EQ(FindText("xHeLLo", "hello"), -1);
    EXPECT_EQ(FindText("xHeLLo", "hello", 1, true), 2);
    // The trail byte 0x41 of a double-byte character is no letter "A" and never folds.
    EXPECT_EQ(FindText(kKao + "a", "a", 1, true), 3);
    EXPECT_EQ(FindText(kKao,
                       "\x81"
                       "a",
                       1, true),
              -1);
}

TEST(FindText, NeverMatchesOnTheSecondByteOfACharacter) {
    // "啊" followed by "!" holds the bytes A1 21 at offset 1; they must not be found.
    EXPECT_EQ(FindText(kA + "!", "\xA1!"), -1);
    EXPECT_EQ(FindText(kKao + "A", "A"), 3);
    EXPECT_EQ(FindTextBackward(kKao + "A" + kKao, "A"), 3);
    // A start inside a character moves on to the next character.
    EXPECT_EQ(FindText(kZao + "x", "x", 2), 3);
    EXPECT_EQ(FindText("x" + kZao + kZao, kZao, 3), 4);
}

TEST(FindTextBackward, FindsTheLastOccurrence) {
    EXPECT_EQ(FindTextBackward("a:b:c", ":"), 4);
    EXPECT_EQ(FindTextBackward("abc", ":"), -1);
    EXPECT_EQ(FindTextBackward("aXa", "x"), -1);
}

TEST(ReplaceText, StartCountAndCase) {
    EXPECT_EQ(ReplaceText("a-b-c-d", "-", "+"), "a+b+c+d");
    EXPECT_EQ(ReplaceText("a-b-c-d", "-", "+", 3), "a-b+c+d");
    EXPECT_EQ(ReplaceText("a-b-c-d", "-", "+", 1, 2), "a+b+c-d");
    EXPECT_EQ(ReplaceText("a-b-c-d", "-", "+", 1, 0), "a-b-c-d");
    EXPECT_EQ(ReplaceText("a-b-c-d", "-"), "abcd");
    EXPECT_EQ(ReplaceText("aaaa", "aa", "b"), "bb");  // no overlap
    EXPECT_EQ(
        ReplaceText("Set-COOKIE set-cookie", "set-cookie", "Set-Cookie", 1, std::nullopt, false),
        "Set-Cookie Set-Cookie");
    EXPECT_EQ(ReplaceText("xX", "x", "y"), "yX");
    EXPECT_EQ(ReplaceText("", "x", "y"), "");
    EXPECT_EQ(ReplaceText("abc", "", "y"), "abc");
    EXPECT_EQ(ReplaceText("abc", "c", "y", 99), "abc");
    EXPECT_EQ(ReplaceText(kA + "!", "\xA1!", "?"), kA + "!");
}

TEST(Blanks, TrimAndRemoveKnowBothSpaces) {
    EXPECT_EQ(TrimBlanks("  " + kWideSpace + "a b" + kWideSpace + " "), "a b");
    EXPECT_EQ(TrimBlanks("\ta\r\n"), "\ta\r\n");
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(TrimBlanks(""), "");
    // 啊 ends in A1 and a following A1 is no full-width space: nothing is trimmed.
    EXPECT_EQ(TrimBlanks(kA + "\xA1"), kA + "\xA1");
    EXPECT_EQ(TrimBlanks(kA + kWideSpace), kA);
    EXPECT_EQ(RemoveBlanks(" s i" + kWideSpace + "d "), "sid");
    EXPECT_EQ(RemoveBlanks(kA + kWideSpace + " x" + kWideSpace), kA + "x");
}

TEST(SplitText, ItemsAndSeparators) {
    EXPECT_EQ(SplitText("a;;b", ";"), (TextArray{"a", "", "b"}));
    EXPECT_EQ(SplitText("a;", ";"), (TextArray{"a"}));
    EXPECT_EQ(SplitText(";a", ";"), (TextArray{"", "a"}));
    EXPECT_EQ(SplitText("a,b"), (TextArray{"a", "b"}));
    EXPECT_EQ(SplitText("", ";"), TextArray{});
    EXPECT_EQ(SplitText("a;b", ""), (TextArray{"a;b"}));
    EXPECT_EQ(SplitText("l1\r\nl2\r\n\r\n", "\r\n"), (TextArray{"l1", "l2", ""}));
    EXPECT_EQ(SplitText(kA + "!x", "\xA1!"), (TextArray{kA + "!x"}));
}

TEST(Substrings, LeftRightMid) {
    EXPECT_EQ(LeftText("abc", 2), "ab");
    EXPECT_EQ(LeftText("abc", 9), "abc");
    EXPECT_EQ(LeftText("abc", 0), "");
    EXPECT_EQ(LeftText("abc", -1), "");
    EXPECT_EQ(RightText("abc", 2), "bc");
    EXPECT_EQ(RightText("abc", 9), "abc");
    EXPECT_EQ(RightText("abc", -3), "");
    EXPECT_EQ(MidText("abcde", 2, 3), "bcd");
    EXPECT_EQ(MidText("abcde", 4, 9), "de");
    EXPECT_EQ(MidText("abcde", 0, 2), "");
    EXPECT_EQ(MidText("abcde", 6, 2), "");
    EXPECT_EQ(MidText("abcde", 1, 0), "");
}

TEST(ToLowerAscii, LeavesDoubleByteCharactersAlone) {
    EXPECT_EQ(ToLowerAscii("HeLLo-Z@["), "hello-z@[");
    EXPECT_EQ(ToLowerAscii(kKao + "A"), kKao + "a");
}

TEST(Bytes, ConversionStopsAtTheFirstZero) {
    EXPECT_EQ(TextToBytes("ab"), (ByteSet{'a', 'b'}));
    EXPECT_TRUE(TextToBytes("").empty());
    const ByteSet withZero{'o', 'k', 0, 'x'};
    EXPECT_EQ(BytesToText(withZero), "ok");
    EXPECT_EQ(BytesToText(ByteSet{'a', 'b'}), "ab");
    EXPECT_EQ(BytesToText(ByteSet{}), "");
    EXPECT_EQ(BytesToText(ByteSet{0}), "");
}

TEST(TextToInteger, LeadingNumber) {
    EXPECT_EQ(TextToInteger("8080"), 8080);
    EXPECT_EQ(TextToInteger("  -12abc"), -12);
    EXPECT_EQ(TextToInteger("\t+7"), 7);
    EXPECT_EQ(TextToInteger("abc"), 0);
    EXPECT_EQ(TextToInteger(""), 0);
    EXPECT_EQ(TextToInteger("- 3"), 0);
    // Full-width space, minus and digits: "　－１２３" in GBK.
    EXPECT_EQ(TextToInteger(kWideSpace + "\xA3\xAD\xA3\xB1\xA3\xB2\xA3\xB3"), -123);
    EXPECT_EQ(TextToInteger("99999999999"), 2147483647);
    EXPECT_EQ(TextToInteger("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(TextToInteger("-99999999999"), -2147483647 - 1);
}
