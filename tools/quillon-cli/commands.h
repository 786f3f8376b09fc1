#pragma once
// The commands of quillon-cli. A command is a CommandSpec in the table that allCommands()
// returns; main() parses against that table and runs what it finds.
#include <span>

#include "cli_args.h"
#include "cli_io.h"
#include "xml/xml_tree.h"

namespace quillon::cli {

std::span<const CommandSpec> allCommands();

// The full help text: synopsis, options, output format and exit statuses.
std::string helpText();

// Runs a whole command line (without the program name) and returns the exit status.
int runCommandLine(std::span<const std::string_view> args, const Streams& io);

// tree: one line per element in pre-order, then one line per attribute.
int runTree(const Invocation& call, const Streams& io);
// write: the loaded document as the library writes it.
int runWrite(const Invocation& call, const Streams& io);
// format: the input re-indented as the window's format button does it.
int runFormat(const Invocation& call, const Streams& io);
// check: nothing when the document loads, else where and why it fails.
int runCheck(const Invocation& call, const Streams& io);

// Escapes one output field: backslash, TAB, LF and CR become \\ \t \n \r.
void appendField(std::string& line, std::string_view field);

// Writes the tree listing of a loaded document to `out`; false when writing failed.
bool printTree(const xml::XmlTree& tree, Mode mode, std::FILE* out);

}  // namespace quillon::cli
