#pragma once
// Input and output roads of quillon-cli: how the input reaches the library and how the
// library's texts reach the output, in the two modes.
//
// Utf8 (the default): input bytes are UTF-8 and are handed to the library as GB18030 bytes;
// every text the library gives back is converted to UTF-8 on the way out.
// Raw: bytes pass unconverted both ways, and a FILE is read by the library itself.
#include <cstdio>
#include <string>
#include <string_view>

#include "cli_args.h"
#include "runtime/text.h"
#include "xml/xml_tree.h"

namespace quillon::cli {

enum class Mode { Utf8, Raw };

inline Mode modeOf(const Invocation& call) {
    return call.has("--raw") ? Mode::Raw : Mode::Utf8;
}

// Library text -> output bytes.
std::string toOutput(std::string_view text, Mode mode);
// Command-line text -> library text.
Text fromArgument(std::string_view text, Mode mode);

// Loads `input` ("-" for standard input) into `tree`. On failure writes one line to io.err that
// names the input and says why, and returns false.
bool loadInput(xml::XmlTree& tree, std::string_view input, Mode mode, const Streams& io);
// The line for a document that the library refused: INPUT:LINE:COL: error: REASON.
void reportParseFailure(const Streams& io, std::string_view input, ByteView bytes,
                        const xml::ParseResult& result);

// Reads a whole stream or file; false with errno's text in `error` when reading fails.
bool readStream(std::FILE* stream, std::string& bytes, std::string& error);
bool readFile(const std::string& name, std::string& bytes, std::string& error);

// Collects output and hands it to a stream in large pieces; remembers the first write error.
class OutputBuffer {
  public:
    explicit OutputBuffer(std::FILE* stream) : stream_(stream) {}
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    std::string& pending() { return pending_; }
    void flushIfLarge() {
        if (pending_.size() >= kChunk) flush();
    }
    // Writes everything and flushes the stream; false when any write failed.
    bool finish();

  private:
    static constexpr std::size_t kChunk = 1 << 16;
    void flush();

    std::FILE* stream_;
    std::string pending_;
    bool failed_ = false;
};

// Reports a failed write of standard output; returns kExitFailure.
int reportWriteFailure(const Streams& io);

}  // namespace quillon::cli
