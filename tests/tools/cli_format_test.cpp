// quillon-cli format end to end: the built binary re-indents files and standard input.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "run_cli.h"
#include "runtime/codepage.h"

namespace quillon::cli::testing {
namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        out.push_back(text.substr(start, end - start));
    out.push_back(text.substr(start));
    return out;
}

TEST(CliFormat, TheSampleBecomesSevenUtf8Lines) {
    CliResult r = runCli({"format", QUILLON_SAMPLE_FILE});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::vector<std::string> got = lines(r.out);
    ASSERT_EQ(got.size(), 7u) << r.out;
    EXPECT_EQ(got[0], "<?xml version=\"1.0\" encoding=\"utf-8\"?>");
    EXPECT_TRUE(got[1].starts_with("<msg  serviceID=\"1\" templateID=\"19\"")) << got[1];
    EXPECT_NE(got[1].find("brief=\"我有一句话不知当讲不当讲\""), std::string::npos) << got[1];
    EXPECT_EQ(got[2], "    <item  layout=\"0\">");
    EXPECT_EQ(got[3], "        <title  size=\"305\" color=\"#ff6644\">早安</title>");
    EXPECT_EQ(got[4], "    </item>");
    EXPECT_EQ(got[5], "    <source  name=\"\" icon=\"\" action=\"\" appid=\"-1\"/>");
    EXPECT_EQ(got[6], "</msg>");
}

TEST(CliFormat, StandardInputInBothModes) {
    const std::string utf8 = "<根><子 名=\"值\"/><b x='1'>文字\r\n</b></根>\r\n";
    const std::string expected =
        "<根>\r\n    <子 名=\"值\"/>\r\n    <b  x='1'>文字\r\n    </b>\r\n</根>";
    CliResult r = runCli({"format", "-"}, {.input = utf8});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected);

    r = runCli({"format", "--raw", "-"}, {.input = codepage::utf8ToGbk(utf8)});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, codepage::utf8ToGbk(expected));

    // Any text formats, even an empty one.
    r = runCli({"format", "-"}, {.input = ""});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
}

TEST(CliFormat, UnreadableInputsAndUsage) {
    ScratchDir dir;
    const std::string missing = (dir.path() / "missing.xml").string();
    for (const std::string& input : {missing, dir.path().string()}) {
        CliResult r = runCli({"format", input});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("cannot read '" + input + "'"), std::string::npos) << r.err;
    }
    EXPECT_EQ(runCli({"format"}).status, 2);
    EXPECT_EQ(runCli({"format", "--indent", "x", "-"}).status, 2);
    CliResult help = runCli({"format", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("quillon-cli format [--raw] FILE|-"), std::string::npos) << help.out;
}

}  // namespace
}  // namespace quillon::cli::testing
