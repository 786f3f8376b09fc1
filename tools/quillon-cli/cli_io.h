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

// Reads a whole stream or file, but never more than `limit` bytes: false with the reason in
// `error` when reading fails or the input goes on past the limit (an endless stream included).
bool readStream(std::FILE* stream, std::size_t limit, std::string& bytes, std::string& error);
bool readFile(const std::string& name, std::size_t limit, std::string& bytes, std::string& error);

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

// Converts GBK text to UTF-8 as it arrives in pieces, giving exactly the bytes that converting
// the whole text at once would give. Each piece is converted up to its last two ASCII bytes in a
// row (no GB18030 character holds two, and an invalid byte never swallows them); what follows
// them waits for the next piece, so a character cut between pieces is converted whole.
class Utf8Pieces {
  public:
    // The UTF-8 of everything up to the last safe place in what was given so far; valid until
    // the next call.
    std::string_view take(std::string_view gbk);
    // The UTF-8 of what is still held back.
    std::string finish();

  private:
    std::string held_;
    std::string converted_;
};

// Writes the library's output to a stream as it is produced, converted in Utf8 mode; remembers
// the first failed write and ignores everything after it.
class StreamSink : public xml::WriteSink {
  public:
    StreamSink(std::FILE* stream, Mode mode) : stream_(stream), mode_(mode) {}
    bool write(std::string_view piece) override;
    // Writes what is held back and flushes the stream; false when any write failed.
    bool finish();
    // errno of the first failed write, 0 while none failed.
    int error() const { return error_; }

  private:
    bool put(std::string_view bytes);

    std::FILE* stream_;
    Mode mode_;
    Utf8Pieces converter_;
    int error_ = 0;
};

// Reports a failed write of standard output with errno's text for `error` (errno itself when
// 0); returns kExitFailure.
int reportWriteFailure(const Streams& io, int error = 0);

}  // namespace quillon::cli
