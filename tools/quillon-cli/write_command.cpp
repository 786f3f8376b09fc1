#include "cli_io.h"
#include "commands.h"

namespace quillon::cli {
namespace {

// A layout option (--newline, --indent) as library text; nullopt when left out, so the
// library's own default applies. Its escapes were decoded while parsing.
std::optional<Text> layoutOption(const Invocation& call, std::string_view option, Mode mode) {
    std::optional<std::string> given = call.value(option);
    if (!given) return std::nullopt;
    return fromArgument(*given, mode);
}

}  // namespace

int runWrite(const Invocation& call, const Streams& io) {
    Mode mode = modeOf(call);
    xml::XmlTree tree;
    if (!loadInput(tree, call.input, mode, io)) return kExitFailure;

    Text encoding = fromArgument(call.value("--encoding").value_or(""), mode);
    // Straight to the output as it is written: a document of any size, and of any depth, needs
    // no more memory than the tree and one piece.
    StreamSink out(io.out, mode);
    const bool written = tree.WriteTo(out, encoding, layoutOption(call, "--newline", mode),
                                      layoutOption(call, "--indent", mode));
    if (out.error() != 0) return reportWriteFailure(io, out.error());
    if (!written) {
        std::fprintf(io.err, "quillon-cli: the document could not be written: out of memory\n");
        return kExitFailure;
    }
    return out.finish() ? kExitOk : reportWriteFailure(io, out.error());
}

}  // namespace quillon::cli
