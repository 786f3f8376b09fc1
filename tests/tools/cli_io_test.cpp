// The input and output roads of quillon-cli, in process: the input limit on every road, and the
// output converted piece by piece.
#include "cli_io.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "commands.h"
#include "run_cli.h"
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

// An endless stream of spaces that counts the bytes it hands out.
std::FILE* EndlessStream(std::size_t* handedOut) {
    cookie_io_functions_t functions{};
    functions.read = [](void* cookie, char* buffer, std::size_t size) -> ssize_t {
        std::fill_n(buffer, size, ' ');
        *static_cast<std::size_t*>(cookie) += size;
        return static_cast<ssize_t>(size);
    };
    return fopencookie(handedOut, "r", functions);
}

std::string Contents(std::FILE* f) {
    std::string bytes(static_cast<std::size_t>(std::ftell(f)), '\0');
    std::rewind(f);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
    return bytes;
}

TEST(InputLimit, EveryRoadRefusesInputBeyondTheLimit) {
    constexpr std::size_t kLimit = 1 << 20;
    testing::ScratchDir dir;
    const std::string atLimit = dir.write("at.xml", "<a>" + std::string(kLimit - 7, 'x') + "</a>");
    const std::string overLimit =
        dir.write("over.xml", "<a>" + std::string(kLimit - 6, 'x') + "</a>");
    struct Case {
        std::string input;
        bool fits;
    };
    for (const Case& c : {Case{"-", false}, Case{"/dev/zero", false}, Case{overLimit, false},
                          Case{atLimit, true}}) {
        for (const char* command : {"tree", "write", "format"}) {
            for (const char* raw : {"--raw", "--"}) {
                SCOPED_TRACE(c.input + " " + command + " " + raw);
                std::size_t handedOut = 0;
                Streams io{EndlessStream(&handedOut), std::tmpfile(), std::tmpfile(), kLimit};
                const std::string_view args[] = {command, raw, c.input};
                const int status = runCommandLine(args, io);
                const std::string out = Contents(io.out), err = Contents(io.err);
                EXPECT_EQ(status, c.fits ? 0 : 1) << err;
                if (!c.fits) {
                    EXPECT_EQ(out, "");
                    EXPECT_NE(err.find("larger than 1048576 bytes"), std::string::npos) << err;
                }
                EXPECT_LE(handedOut, kLimit + (64 << 10));  // at most one read-ahead past it
                for (std::FILE* f : {io.in, io.out, io.err}) std::fclose(f);
            }
        }
    }
}

}  // namespace
}  // namespace quillon::cli
