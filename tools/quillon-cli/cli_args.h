#pragma once
// Command-line parsing for quillon-cli: a command word, its options and one input operand.
//
// Each command declares the options it accepts, so a new command plugs in by adding a
// CommandSpec to the table in commands.cpp; the parser itself knows no command by name.
#include <cstdio>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xml/xml_tree.h"

namespace quillon::cli {

enum ExitStatus : int { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

struct OptionSpec {
    std::string_view name;  // with the leading dashes: "--raw"
    bool takesValue = false;
    bool escaped = false;  // the value's backslash escapes are decoded (see decodeEscapes)
    std::string_view help;
};

// One parsed call of a command: its options (flags map to an empty text) and the input operand.
struct Invocation {
    std::map<std::string, std::string, std::less<>> options;
    std::string input;  // a file name, or "-" for standard input

    bool has(std::string_view option) const { return options.contains(option); }
    std::optional<std::string> value(std::string_view option) const;
};

struct Streams {
    std::FILE* in = stdin;
    std::FILE* out = stdout;
    std::FILE* err = stderr;
    std::size_t inputLimit = xml::kMaxLoadSize;  // the most input bytes a command reads
};

struct CommandSpec {
    std::string_view name;
    std::string_view summary;
    std::vector<OptionSpec> options;
    int (*run)(const Invocation& call, const Streams& io) = nullptr;
};

struct ParseResult {
    enum class Kind { Run, Help, UsageError };
    Kind kind = Kind::UsageError;
    const CommandSpec* command = nullptr;
    Invocation call;
    std::string error;  // why a usage error is one
};

// Parses the arguments after the program name. "--help" anywhere asks for help; "--" ends the
// options so that a file named like an option can still be given. Options take their value as
// the next argument or after "=" ("--indent=  "); a repeated option keeps its last value.
ParseResult parseArguments(std::span<const CommandSpec> commands,
                           std::span<const std::string_view> args);

// Turns an option text into bytes: "\r", "\n", "\t" and "\\" stand for CR, LF, TAB and a
// backslash. Any other backslash sequence is refused (nullopt, with the reason in `error`) so a
// mistyped escape is reported instead of being written into the document.
std::optional<std::string> decodeEscapes(std::string_view text, std::string& error);

// The one-line synopsis of every command, as printed for usage errors.
std::string usageText(std::span<const CommandSpec> commands);

}  // namespace quillon::cli
