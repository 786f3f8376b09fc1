#include "commands.h"

#include <algorithm>
#include <new>
#include <stdexcept>

namespace quillon::cli {
namespace {

const OptionSpec kRaw{"--raw", false, false,
                      "bytes as they are: the library reads a regular FILE, texts stay GBK"};

const CommandSpec kCommands[] = {
    {"tree",
     "List every element in pre-order, the order in which the window fills its tree.",
     {kRaw},
     runTree},
    {"write",
     "Load the document and write it out again, with an XML declaration.",
     {kRaw,
      {"--encoding", true, false, "encoding name for the declaration (default: gb18030)"},
      {"--newline", true, true, "line break before each element (default: \\r\\n)"},
      {"--indent", true, true, "indent per level (default: \\t)"}},
     runWrite},
    {"format",
     "Re-indent the text as the window's format button does: one tag per line, four spaces per\n"
     "  open element, CR LF line breaks. The text need not be well-formed XML.",
     {kRaw},
     runFormat},
    {"check",
     "Print nothing when the document loads; else FILE:LINE:COL: error: REASON.",
     {kRaw},
     runCheck},
};

constexpr std::string_view kHelpTail = R"(
FILE is an XML document; - reads standard input. Without --raw the input is
read as UTF-8 (a byte that is not valid UTF-8 becomes U+FFFD), handed to
the library as GB18030 bytes, and every text is converted back to UTF-8 on
output (so write --encoding utf-8 makes the declaration match the bytes).

tree prints, for every element, the line
  PATH <TAB> NAME <TAB> VALUE
followed by one line per attribute:
  <TAB> NAME <TAB> VALUE
PATH is the root's name followed by /@N per level (N counts the element's
position among its parent's children from 1). VALUE is the element's text, or
NULL when its path finds nothing. In every field a backslash, TAB, LF and CR
are written \\, \t, \n and \r.

format reads the whole input as text (no XML parsing) and writes it
formatted. Comments move to lines of their own after a bare LF.

--newline and --indent take \r, \n, \t and \\ for CR, LF, TAB and a
backslash; given empty, they write nothing.

Input beyond 2 GiB, the most the library loads, is refused; an endless
stream is read only that far.

A document that does not load is reported on standard error as
  FILE:LINE:COL: error: REASON
(FILE as given, - for standard input; LINE and COL count characters from 1).

Exit status: 0 on success, 1 when the input cannot be read, loaded or
formatted (nothing is written to standard output) or the output cannot be
written (write sends its output as it is produced, so what was written before
the failure stays written), 2 for a usage error.
)";

}  // namespace

std::span<const CommandSpec> allCommands() {
    return kCommands;
}

std::string helpText() {
    std::string text = "quillon-cli: reads XML documents with the Quillon XML library.\n\n";
    text += usageText(allCommands());
    for (const CommandSpec& command : allCommands()) {
        text += "\n";
        text += command.name;
        text += ": ";
        text += command.summary;
        text += "\n";
        for (const OptionSpec& option : command.options) {
            std::string head = "  " + std::string(option.name) + (option.takesValue ? " TEXT" : "");
            head.resize(std::max<std::size_t>(head.size() + 2, 19), ' ');
            text += head + std::string(option.help) + "\n";
        }
    }
    text += kHelpTail;
    return text;
}

int runCommandLine(std::span<const std::string_view> args, const Streams& io) {
    ParseResult parsed = parseArguments(allCommands(), args);
    switch (parsed.kind) {
        case ParseResult::Kind::Help:
            std::fputs(helpText().c_str(), io.out);
            return std::fflush(io.out) == 0 ? kExitOk : reportWriteFailure(io);
        case ParseResult::Kind::UsageError:
            std::fprintf(io.err, "quillon-cli: %s\n%s", parsed.error.c_str(),
                         usageText(allCommands()).c_str());
            return kExitUsage;
        case ParseResult::Kind::Run:
            break;
    }
    // Whatever a command could not allocate (a huge input converted, a listing of a huge tree)
    // ends it with a message, never with an abort.
    try {
        return parsed.command->run(parsed.call, io);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    std::fprintf(io.err, "quillon-cli: %.*s: out of memory\n",
                 static_cast<int>(parsed.command->name.size()), parsed.command->name.data());
    return kExitFailure;
}

}  // namespace quillon::cli
