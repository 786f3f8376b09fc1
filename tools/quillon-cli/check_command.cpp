// check: whether a document loads, and if not, where it goes wrong.
#include "cli_io.h"
#include "commands.h"

namespace quillon::cli {

void reportParseFailure(const Streams& io, std::string_view input, ByteView bytes,
                        const xml::ParseResult& result) {
    // Characters are counted in the bytes the library read; in UTF-8 mode those are the
    // conversion of the user's text, one character for each of theirs.
    const xml::TextPosition at = xml::PositionOf(bytes, result.offset);
    std::fprintf(io.err, "%.*s:%zu:%zu: error: %s\n", static_cast<int>(input.size()), input.data(),
                 at.line, at.column, result.description());
}

int runCheck(const Invocation& call, const Streams& io) {
    xml::XmlTree tree;
    return loadInput(tree, call.input, modeOf(call), io) ? kExitOk : kExitFailure;
}

}  // namespace quillon::cli
