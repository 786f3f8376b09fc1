#include <new>
#include <stdexcept>

#include "app/format_xml.h"
#include "cli_io.h"
#include "commands.h"
#include "runtime/codepage.h"

namespace quillon::cli {
namespace {

std::string inputName(std::string_view input) {
    return input == "-" ? std::string("standard input") : "'" + std::string(input) + "'";
}

void reportFailure(const Streams& io, std::string_view verb, std::string_view input,
                   std::string_view why) {
    std::fprintf(io.err, "quillon-cli: cannot %.*s %s: %.*s\n", static_cast<int>(verb.size()),
                 verb.data(), inputName(input).c_str(), static_cast<int>(why.size()), why.data());
}

}  // namespace

int runFormat(const Invocation& call, const Streams& io) {
    const Mode mode = modeOf(call);
    std::string bytes;
    std::string error;
    const bool read = call.input == "-" ? readStream(io.in, io.inputLimit, bytes, error)
                                        : readFile(call.input, io.inputLimit, bytes, error);
    if (!read) {
        reportFailure(io, "read", call.input, error);
        return kExitFailure;
    }
    OutputBuffer out(io.out);
    try {
        const Text formatted = app::formatXml(fromArgument(bytes, mode));
        out.pending() = toOutput(formatted, mode);
    } catch (const std::length_error&) {
        reportFailure(io, "format", call.input, "the formatted text would exceed 1 GiB");
        return kExitFailure;
    } catch (const std::bad_alloc&) {
        reportFailure(io, "format", call.input, "out of memory");
        return kExitFailure;
    }
    return out.finish() ? kExitOk : reportWriteFailure(io);
}

}  // namespace quillon::cli
