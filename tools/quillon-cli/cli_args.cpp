#include "cli_args.h"

#include <algorithm>

namespace quillon::cli {
namespace {

const OptionSpec* findOption(const CommandSpec& command, std::string_view name) {
    auto it = std::find_if(command.options.begin(), command.options.end(),
                           [&](const OptionSpec& o) { return o.name == name; });
    return it == command.options.end() ? nullptr : &*it;
}

const CommandSpec* findCommand(std::span<const CommandSpec> commands, std::string_view name) {
    auto it = std::find_if(commands.begin(), commands.end(),
                           [&](const CommandSpec& c) { return c.name == name; });
    return it == commands.end() ? nullptr : &*it;
}

ParseResult usageError(std::string error) {
    ParseResult result;
    result.error = std::move(error);
    return result;
}

std::string quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

// Reads the options and the operand of one command; `args` starts after the command word.
ParseResult parseCommand(const CommandSpec& command, std::span<const std::string_view> args) {
    ParseResult result;
    result.command = &command;
    std::vector<std::string_view> operands;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        if (optionsEnded || arg == "-" || !arg.starts_with("-")) {
            operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::size_t equals = arg.find('=');
        std::string_view name = arg.substr(0, equals);
        const OptionSpec* option = findOption(command, name);
        if (!option)
            return usageError("unknown option " + quoted(name) + " for " + quoted(command.name));
        std::string value;
        if (option->takesValue && equals != std::string_view::npos) {
            value = arg.substr(equals + 1);
        } else if (option->takesValue) {
            if (i + 1 == args.size()) return usageError(quoted(name) + " needs a value");
            value = args[++i];
        } else if (equals != std::string_view::npos) {
            return usageError(quoted(name) + " takes no value");
        }
        if (option->escaped) {
            std::string error;
            std::optional<std::string> decoded = decodeEscapes(value, error);
            if (!decoded) return usageError(quoted(name) + ": " + error);
            value = std::move(*decoded);
        }
        result.call.options.insert_or_assign(std::string(name), std::move(value));
    }
    if (operands.empty())
        return usageError(quoted(command.name) + " needs a FILE or - for standard input");
    if (operands.size() > 1) return usageError("unexpected argument " + quoted(operands[1]));
    result.call.input = operands[0];
    result.kind = ParseResult::Kind::Run;
    return result;
}

}  // namespace

std::optional<std::string> Invocation::value(std::string_view option) const {
    auto it = options.find(option);
    if (it == options.end()) return std::nullopt;
    return it->second;
}

ParseResult parseArguments(std::span<const CommandSpec> commands,
                           std::span<const std::string_view> args) {
    // Help wins over everything before "--", so "tree --bogus --help" still explains.
    for (std::string_view arg : args) {
        if (arg == "--") break;
        if (arg == "--help" || arg == "-h") {
            ParseResult help;
            help.kind = ParseResult::Kind::Help;
            return help;
        }
    }
    if (args.empty()) return usageError("no command given");
    const CommandSpec* command = findCommand(commands, args[0]);
    if (!command) return usageError("unknown command " + quoted(args[0]));
    return parseCommand(*command, args.subspan(1));
}

std::optional<std::string> decodeEscapes(std::string_view text, std::string& error) {
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
            continue;
        }
        char next = i + 1 < text.size() ? text[i + 1] : '\0';
        switch (next) {
            case 'r':
                bytes += '\r';
                break;
            case 'n':
                bytes += '\n';
                break;
            case 't':
                bytes += '\t';
                break;
            case '\\':
                bytes += '\\';
                break;
            default:
                error =
                    i + 1 < text.size()
                        ? "unknown escape " + quoted(text.substr(i, 2)) + " (use \\r \\n \\t \\\\)"
                        : std::string("a lone backslash ends the text (write \\\\ for one)");
                return std::nullopt;
        }
        ++i;
    }
    return bytes;
}

std::string usageText(std::span<const CommandSpec> commands) {
    std::string text;
    for (const CommandSpec& command : commands) {
        text += text.empty() ? "usage: " : "       ";
        text += "quillon-cli ";
        text += command.name;
        for (const OptionSpec& option : command.options) {
            text += " [";
            text += option.name;
            if (option.takesValue) text += " TEXT";
            text += "]";
        }
        text += " FILE|-\n";
    }
    text += "       quillon-cli --help\n";
    return text;
}

}  // namespace quillon::cli
