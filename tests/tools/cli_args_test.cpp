// Argument parsing, option escapes and field escaping of quillon-cli, driven in-process.
#include "cli_args.h"

#include <gtest/gtest.h>

#include "commands.h"

namespace quillon::cli {
namespace {

ParseResult parse(std::initializer_list<std::string_view> args) {
    std::vector<std::string_view> list(args);
    return parseArguments(allCommands(), list);
}

TEST(CliArgs, ReadsCommandOptionsAndInput) {
    ParseResult r = parse({"write", "--raw", "--encoding", "utf-8", "--indent=\\t\\t", "doc.xml"});
    ASSERT_EQ(r.kind, ParseResult::Kind::Run) << r.error;
    EXPECT_EQ(r.command->name, "write");
    EXPECT_EQ(r.call.input, "doc.xml");
    EXPECT_TRUE(r.call.has("--raw"));
    EXPECT_EQ(r.call.value("--encoding"), "utf-8");
    EXPECT_EQ(r.call.value("--indent"), "\t\t");
    EXPECT_EQ(r.call.value("--newline"), std::nullopt);  // left out: the library's default

    r = parse({"write", "--newline", "", "-"});  // given empty: kept as an empty text
    ASSERT_EQ(r.kind, ParseResult::Kind::Run) << r.error;
    EXPECT_EQ(r.call.value("--newline"), "");
    EXPECT_EQ(r.call.input, "-");

    r = parse({"tree", "--", "--raw"});  // after "--" even an option-like word is the file
    ASSERT_EQ(r.kind, ParseResult::Kind::Run) << r.error;
    EXPECT_FALSE(r.call.has("--raw"));
    EXPECT_EQ(r.call.input, "--raw");

    r = parse({"tree", "a.xml", "--raw"});  // options may follow the file
    ASSERT_EQ(r.kind, ParseResult::Kind::Run) << r.error;
    EXPECT_TRUE(r.call.has("--raw"));
}

TEST(CliArgs, RefusesWhatItCannotRun) {
    for (auto args : std::vector<std::vector<std::string_view>>{
             {},
             {"parse", "a.xml"},
             {"tree"},
             {"tree", "a.xml", "b.xml"},
             {"tree", "--encoding", "utf-8", "a.xml"},  // write's option, not tree's
             {"tree", "-r", "a.xml"},
             {"tree", "--raw=yes", "a.xml"},
             {"write", "a.xml", "--indent"},
             {"write", "--newline", "\\x", "a.xml"},
             {"write", "--indent", "\\", "a.xml"},
         }) {
        ParseResult r = parseArguments(allCommands(), args);
        EXPECT_EQ(r.kind, ParseResult::Kind::UsageError) << (args.empty() ? "" : args[0]);
        EXPECT_FALSE(r.error.empty());
    }
    EXPECT_EQ(parse({"tree", "--nonsense", "--help"}).kind, ParseResult::Kind::Help);
    EXPECT_EQ(parse({"tree", "--", "--help"}).kind, ParseResult::Kind::Run);
}

TEST(CliArgs, DecodesTheFourEscapes) {
    std::string error;
    EXPECT_EQ(decodeEscapes("\\r\\n", error), "\r\n");
    EXPECT_EQ(decodeEscapes("a\\tb\\\\n", error), "a\tb\\n");  // "\\n" is backslash + n
    EXPECT_EQ(decodeEscapes("", error), "");
    EXPECT_EQ(decodeEscapes("\\0", error), std::nullopt);
    EXPECT_NE(error.find("\\0"), std::string::npos);
}

TEST(CliFields, EscapesOnlyBackslashAndLineControls) {
    std::string line;
    appendField(line, std::string_view("a\\b\tc\nd\re\"f\x01\xb0\\", 14));
    EXPECT_EQ(line, std::string_view("a\\\\b\\tc\\nd\\re\"f\x01\xb0\\\\", 19));
}

TEST(CliHelp, NamesEveryCommandAndOption) {
    std::string help = helpText();
    for (const CommandSpec& command : allCommands()) {
        EXPECT_NE(help.find("quillon-cli " + std::string(command.name)), std::string::npos);
        for (const OptionSpec& option : command.options)
            EXPECT_NE(help.find(option.name), std::string::npos) << option.name;
    }
    EXPECT_NE(help.find("Exit status"), std::string::npos);
}

}  // namespace
}  // namespace quillon::cli
