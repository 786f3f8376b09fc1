// quillon-cli end to end: the built binary on real files and standard input, compared by its
// standard output, standard error and exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

#include "run_cli.h"
#include "runtime/codepage.h"

namespace quillon::cli::testing {
namespace {

void expectLoadFailure(const CliResult& r, std::string_view inputName) {
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(inputName), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
}

class Cli : public ::testing::Test {
  protected:
    ScratchDir dir;
};

TEST_F(Cli, TreeListsTheSampleAsTheWindowFillsIt) {
    CliResult r = runCli({"tree", QUILLON_SAMPLE_FILE});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string link =
        "quillon://card/open?src=sample&ver=1&id=20170107&type=group&from=message";
    EXPECT_EQ(r.out,
              "msg\tmsg\t\n"
              "\tserviceID\t1\n\ttemplateID\t19\n\taction\tplugin\n"
              "\ta_actionData\t" +
                  link + "\n\ti_actionData\t" + link +
                  "\n"
                  "\tbrief\t我有一句话不知当讲不当讲\n\turl\t\n\tflag\t0\n\tmultiMsgFlag\t0\n"
                  "msg/@1\titem\t\n\tlayout\t0\n"
                  "msg/@1/@1\ttitle\t早安\n\tsize\t305\n\tcolor\t#ff6644\n"
                  "msg/@2\tsource\t\n\tname\t\n\ticon\t\n\taction\t\n\tappid\t-1\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(Cli, TreeWalksSiblingsByPositionAndEscapesFields) {
    std::string doc =
        "<r><x><y k=\"a\tb\">1\\2</y></x><x><z>line1\r\nline2</z></x>"
        "<x/></r>";
    CliResult r = runCli({"tree", "-"}, {.input = doc});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "r\tr\t\n"
              "r/@1\tx\t\n"
              "r/@1/@1\ty\t1\\\\2\n\tk\ta\\tb\n"
              "r/@2\tx\t\n"  // a same-named sibling shows its own child
              "r/@2/@1\tz\tline1\\r\\nline2\n"
              "r/@3\tx\t\n");
}

TEST_F(Cli, TreeReadsAttributesByPosition) {
    // A name read back need not select its attribute again, and 80,000 attributes looked up by
    // name would take minutes.
    constexpr int kAttributes = 80000;
    std::string doc = "<r &#65;=\"v\" @1=\"w\"";
    std::string expected = "r\tr\t\n\t&#65;\tv\n\t@1\tw\n";
    for (int i = 0; i < kAttributes; ++i) {
        const std::string n = std::to_string(i);
        doc += " k" + n + "=\"" + n + "\"";
        expected += "\tk" + n + "\t" + n + "\n";
    }
    doc += "/>";
    CliResult r = runCli({"tree", "-"}, {.input = doc});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out == expected);  // not EXPECT_EQ: a failure would print megabytes
}

TEST_F(Cli, TreeShowsNullWhereThePathFindsNothing) {
    // A root name holding "/" cannot be addressed by a path: the window shows NULL and no
    // children for it, and so does the listing.
    CliResult r = runCli({"tree", "-"}, {.input = "<a/b k=\"v\"><c/></a/b>"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "a/b\ta/b\tNULL\n");
}

TEST_F(Cli, RawModeKeepsGbkBytesBothWays) {
    std::string doc = codepage::utf8ToGbk("<根 名=\"值\">文字</根>");
    std::string file = dir.write("gbk.xml", doc);
    std::string expected = codepage::utf8ToGbk("根\t根\t文字\n\t名\t值\n");
    for (const std::string& input : {file, std::string("-")}) {
        CliResult r = runCli({"tree", "--raw", input}, {.input = doc});
        ASSERT_EQ(r.status, 0) << input << r.err;
        EXPECT_EQ(r.out, expected) << input;
    }
    // The same bytes read as UTF-8 are not valid UTF-8; they still load, but as other text.
    CliResult converted = runCli({"tree", file});
    EXPECT_EQ(converted.status, 0);
    EXPECT_NE(converted.out, expected);
}

TEST_F(Cli, WriteUsesTheLibraryDefaultsAndTheGivenLayout) {
    std::string file = dir.write("doc.xml", "<a x=\"1\"><b>t</b><c/></a>");
    CliResult r = runCli({"write", file});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "<?xml version=\"1.0\" encoding=\"gb18030\"?>\r\n<a x=\"1\">\r\n\t<b>t</b>\r\n"
              "\t<c/>\r\n</a>");

    r = runCli({"write", "--encoding", "utf-8", "--newline", "\\n", "--indent", "  ", file});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<a x=\"1\">\n  <b>t</b>\n  <c/>\n</a>");

    r = runCli({"write", "--newline=", "--indent=", file});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "<?xml version=\"1.0\" encoding=\"gb18030\"?><a x=\"1\"><b>t</b><c/></a>");
}

TEST_F(Cli, WriteConvertsUnlessRaw) {
    std::string utf8 = "<t 名=\"值\">早安 &amp; 晚安</t>";
    std::string declared = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    CliResult r = runCli({"write", "--newline=", "--encoding", "UTF-8", "-"}, {.input = utf8});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, declared + utf8);

    std::string gbk = codepage::utf8ToGbk(utf8);
    r = runCli({"write", "--raw", "--newline=", "--encoding", "UTF-8", dir.write("g.xml", gbk)});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, declared + gbk);
}

TEST_F(Cli, FailedLoadsWriteNothingAndNameTheInput) {
    std::string bad = dir.write("bad.xml", "<a><b></a>");
    std::string missing = (dir.path() / "missing.xml").string();
    for (const char* command : {"tree", "write"}) {
        for (const char* raw : {"--raw", "--"}) {
            SCOPED_TRACE(std::string(command) + " " + raw);
            expectLoadFailure(runCli({command, raw, bad}), "bad.xml");
            expectLoadFailure(runCli({command, raw, missing}), "missing.xml");
        }
    }
    for (const char* raw : {"--raw", "--"}) {
        SCOPED_TRACE(raw);
        expectLoadFailure(runCli({"tree", raw, dir.path().string()}), dir.path().string());
        expectLoadFailure(runCli({"tree", raw, "-"}, {.input = ""}), "-:1:1: error:");
    }
    expectLoadFailure(runCli({"tree", "-"}, {.input = "just text"}), "-:1:1: error:");
}

TEST_F(Cli, UsageErrorsAndHelp) {
    for (std::vector<std::string> args :
         std::vector<std::vector<std::string>>{{},
                                               {"tree"},
                                               {"list", "-"},
                                               {"tree", "--indent", "x", "-"},
                                               {"write", "--newline"},
                                               {"write", "--newline", "\\q", "-"}}) {
        CliResult r = runCli(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("usage: quillon-cli tree [--raw] FILE|-"), std::string::npos) << r.err;
    }
    CliResult help = runCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("quillon-cli write [--raw] [--encoding TEXT] [--newline TEXT] "
                            "[--indent TEXT] FILE|-"),
              std::string::npos);
    EXPECT_EQ(help.err, "");
}

TEST_F(Cli, DeepDocumentsNeedNoStack) {
    // Nesting far beyond what a recursive walk could fit in a 128 KB stack.
    constexpr int kTreeDepth = 2500;
    std::string doc;
    for (int i = 0; i < kTreeDepth; ++i) doc += "<e>";
    doc += "v";
    for (int i = 0; i < kTreeDepth; ++i) doc += "</e>";
    CliResult r = runCli({"tree", "-"}, {.input = doc, .stackKilobytes = 128});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), kTreeDepth);
    std::string deepest = "e";
    for (int i = 1; i < kTreeDepth; ++i) deepest += "/@1";
    EXPECT_TRUE(r.out.ends_with("\n" + deepest + "\te\tv\n"));

    // A million levels: the listing would be quadratic in size, so write it out flat instead.
    constexpr int kWriteDepth = 1000000;
    doc.clear();
    for (int i = 0; i < kWriteDepth; ++i) doc += "<e>";
    for (int i = 0; i < kWriteDepth; ++i) doc += "</e>";
    r = runCli({"write", "--newline=", "--indent=", "-"}, {.input = doc, .stackKilobytes = 128});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string expected = "<?xml version=\"1.0\" encoding=\"gb18030\"?>";
    for (int i = 1; i < kWriteDepth; ++i) expected += "<e>";
    expected += "<e/>";  // the innermost element has neither value nor children
    for (int i = 1; i < kWriteDepth; ++i) expected += "</e>";
    EXPECT_TRUE(r.out == expected);  // not EXPECT_EQ: a failure would print megabytes
}

TEST_F(Cli, WriteStreamsPastMemoryUntilTheDestinationFails) {
    // A million levels with the default indent make about a terabyte of output: the write must
    // stream it under the memory cap of every run, and stop with a message when the reader goes
    // away after the first 16 MiB, or when the device is full.
    constexpr int kDepth = 1000000;
    std::string doc;
    for (int i = 0; i < kDepth; ++i) doc += "<e>";
    for (int i = 0; i < kDepth; ++i) doc += "</e>";
    const std::string file = dir.write("deep.xml", doc);
    constexpr std::size_t kHead = 16 << 20;
    std::string expected = "<?xml version=\"1.0\" encoding=\"gb18030\"?>";
    for (std::size_t depth = 0; expected.size() < kHead; ++depth)
        expected += "\r\n" + std::string(depth, '\t') + "<e>";
    expected.resize(kHead);

    for (const char* raw : {"--raw", "--"}) {
        SCOPED_TRACE(raw);
        int ends[2];
        ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);  // the child must not hold the reading end
        std::string head(kHead, '\0');
        std::size_t got = 0;
        std::thread reader([&] {
            for (ssize_t n = 1; got < kHead && n > 0; got += n > 0 ? n : 0)
                n = read(ends[0], head.data() + got, kHead - got);
            close(ends[0]);
        });
        CliOptions options;
        options.outputFd = ends[1];
        CliResult r = runCli({"write", raw, file}, options);
        close(ends[1]);
        reader.join();
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "quillon-cli: cannot write standard output: Broken pipe\n");
        EXPECT_EQ(got, kHead);
        EXPECT_TRUE(head == expected);  // not EXPECT_EQ: a failure would print megabytes
    }

    const int full = open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    CliOptions toFull;
    toFull.outputFd = full;
    CliResult r = runCli({"write", file}, toFull);
    close(full);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "quillon-cli: cannot write standard output: No space left on device\n");
}

}  // namespace
}  // namespace quillon::cli::testing
