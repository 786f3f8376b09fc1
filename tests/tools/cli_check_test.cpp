// quillon-cli check end to end, and the same failure line from tree and write.
#include <gtest/gtest.h>

#include "run_cli.h"
#include "runtime/codepage.h"

namespace quillon::cli::testing {
namespace {

TEST(CliCheck, ReportsWhereAndWhyALoadFails) {
    ScratchDir dir;
    struct Case {
        std::string name;     // a file name, or "-" with `bytes` on standard input
        std::string bytes;    // UTF-8 text, converted to GBK for --raw
        std::string message;  // after "NAME:"; empty when the document loads
    };
    const Case cases[] = {
        {"good.xml", "<!-- 注释 -->\n<根 名=\"值\">文字</根>", ""},
        {"tag.xml", "<a>\n  <b></c>\n</a>", "2:6: error: end tag does not match the open element"},
        {"text.xml", "<!-- 注释 -->\r\n<根>文字 > 0</根>",
         "2:7: error: unexpected '>' outside a tag"},
        {"lines.xml", "<a>\r\n\r\r\n\n<b", "5:1: error: input ends inside a tag"},
        {"open.xml", "<a>中<!-- 没有结束", "1:5: error: input ends inside a comment"},
        {"-", "<a><b/>", "1:1: error: element is not closed"},
        {"-", "", "1:1: error: empty input"},
    };
    for (const Case& c : cases) {
        for (const bool raw : {false, true}) {
            const std::string bytes = raw ? codepage::utf8ToGbk(c.bytes) : c.bytes;
            const std::string input = c.name == "-" ? c.name : dir.write(c.name, bytes);
            std::vector<std::string> args = {"check", input};
            if (raw) args.insert(args.begin() + 1, "--raw");
            const CliResult r = runCli(args, {.input = bytes});
            SCOPED_TRACE(c.name + (raw ? " --raw" : ""));
            EXPECT_EQ(r.status, c.message.empty() ? 0 : 1);
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(r.err, c.message.empty() ? "" : input + ":" + c.message + "\n");
        }
    }
    // Columns count the user's characters: a byte that is not UTF-8 is one character.
    const CliResult invalid = runCli({"check", "-"}, {.input = "\xff<a>>"});
    EXPECT_EQ(invalid.err, "-:1:5: error: unexpected '>' outside a tag\n");
    // tree and write fail with the same line.
    const std::string bad = dir.write("bad.xml", "<a>\n  <b></c>\n</a>");
    for (const char* command : {"tree", "write"}) {
        const CliResult r = runCli({command, bad});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, bad + ":2:6: error: end tag does not match the open element\n");
    }
}

}  // namespace
}  // namespace quillon::cli::testing
