// The conversions from several threads at once, in a program of their own so that the first of
// them also builds the lookup tables: every thread must get what one thread alone gets.
#include <gtest/gtest.h>

#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "runtime/codepage.h"

using namespace quillon::codepage;

namespace {

// Every two-byte code, a four-byte character, invalid bytes, and ASCII between them.
std::string everyKindOfGbText() {
    std::string text;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            text += static_cast<char>(lead);
            text += static_cast<char>(trail);
        }
        text += "a\x81\x30\x81\x30\xFF";
    }
    return text;
}

struct Results {
    std::u16string utf16;
    std::string utf8;
    std::string fromUtf16;
    std::string fromUtf8;

    bool operator==(const Results&) const = default;
};

Results convert(const std::string& gb) {
    Results r;
    r.utf16 = gbkToUtf16(gb);
    r.utf8 = gbkToUtf8(gb);
    r.fromUtf16 = utf16ToGbk(r.utf16);
    r.fromUtf8 = utf8ToGbk(r.utf8);
    return r;
}

}  // namespace

TEST(CodepageThreads, FirstUseFromManyThreadsGivesOneResult) {
    const std::string text = everyKindOfGbText();
    constexpr int kThreads = 8;
    std::vector<Results> results(kThreads);
    std::latch start(kThreads);
    {
        std::vector<std::jthread> threads;
        for (int i = 0; i < kThreads; ++i) {
            threads.emplace_back([&, i] {
                start.arrive_and_wait();
                results[i] = convert(text);
            });
        }
    }
    const Results alone = convert(text);
    EXPECT_EQ(alone.fromUtf16, alone.fromUtf8);
    for (int i = 0; i < kThreads; ++i) EXPECT_TRUE(results[i] == alone) << "thread " << i;
}
