// The output road of quillon-cli, piece by piece.
#include "cli_io.h"

#include <gtest/gtest.h>

#include <random>

#include "runtime/codepage.h"

namespace quillon::cli {
namespace {

TEST(Utf8Pieces, ConvertingInPiecesEqualsConvertingTheWhole) {
    // Characters of every length, invalid and cut-off sequences, and ASCII that can stand inside
    // a character (the trail byte of a two-byte one, the digits of a four-byte one).
    const std::string_view alphabet[] = {"a",
                                         "<",
                                         "\r\n",
                                         "@",
                                         "5",
                                         "\xd6\xd0",
                                         "\x81",
                                         "\x80",
                                         "\xff",
                                         "\x81@",
                                         "\x81\x30\x81\x30",
                                         "\x90\x30\x81\x30",
                                         "\x84\x31\xa4",
                                         "\xfe\x39"};
    std::mt19937 rng(7);
    for (int round = 0; round < 2000; ++round) {
        std::string gbk;
        for (int n = rng() % 40; n > 0; --n) gbk += alphabet[rng() % std::size(alphabet)];
        Utf8Pieces pieces;
        std::string joined;
        for (std::size_t at = 0; at < gbk.size();) {
            const std::size_t size = std::min<std::size_t>(rng() % 6, gbk.size() - at);
            joined += pieces.take(std::string_view(gbk).substr(at, size));
            at += size;
        }
        joined += pieces.finish();
        ASSERT_EQ(joined, codepage::gbkToUtf8(gbk)) << ::testing::PrintToString(gbk);
    }
}

}  // namespace
}  // namespace quillon::cli
