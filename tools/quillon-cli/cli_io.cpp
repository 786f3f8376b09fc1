#include "cli_io.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include "runtime/codepage.h"

namespace quillon::cli {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::string inputName(std::string_view input) {
    return input == "-" ? std::string("standard input") : "'" + std::string(input) + "'";
}

void reportLoadFailure(const Streams& io, std::string_view input, std::string_view why) {
    std::fprintf(io.err, "quillon-cli: cannot load %s: %.*s\n", inputName(input).c_str(),
                 static_cast<int>(why.size()), why.data());
}

// After the library's own file road failed, finds out whether the file could be read at all,
// so the message says "No such file" rather than blaming the document.
std::string diagnoseFile(const std::string& name) {
    errno = 0;
    FilePtr file(std::fopen(name.c_str(), "rb"));
    if (!file) return std::strerror(errno);
    char byte;
    if (std::fread(&byte, 1, 1, file.get()) == 1) return {};
    return std::ferror(file.get()) ? std::strerror(errno) : "the input is empty";
}

ByteView asBytes(std::string_view bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

}  // namespace

std::string toOutput(std::string_view text, Mode mode) {
    return mode == Mode::Raw ? std::string(text) : codepage::gbkToUtf8(text);
}

Text fromArgument(std::string_view text, Mode mode) {
    return mode == Mode::Raw ? Text(text) : codepage::utf8ToGbk(text);
}

bool readStream(std::FILE* stream, std::string& bytes, std::string& error) {
    constexpr std::size_t kChunk = 1 << 16;
    bytes.clear();
    std::size_t got = 0;
    do {
        std::size_t used = bytes.size();
        bytes.resize(used + kChunk);
        got = std::fread(bytes.data() + used, 1, kChunk, stream);
        bytes.resize(used + got);
    } while (got == kChunk);
    if (std::ferror(stream)) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

bool readFile(const std::string& name, std::string& bytes, std::string& error) {
    errno = 0;
    FilePtr file(std::fopen(name.c_str(), "rb"));
    if (!file) {
        error = std::strerror(errno);
        return false;
    }
    return readStream(file.get(), bytes, error);
}

bool loadInput(xml::XmlTree& tree, std::string_view input, Mode mode, const Streams& io) {
    std::string name(input);
    if (mode == Mode::Raw && input != "-") {
        if (tree.Load(Text(name))) return true;
        const xml::ParseResult result = tree.LastResult();
        std::string bytes, why;  // the bytes again, for a line and a column
        if (result.status == xml::ParseStatus::FileUnreadable ||
            (result.offset != 0 && !readFile(name, bytes, why))) {
            if (why.empty()) why = diagnoseFile(name);
            reportLoadFailure(io, input, why.empty() ? "the file cannot be read" : why);
            return false;
        }
        reportParseFailure(io, input, asBytes(bytes), result);
        return false;
    }
    std::string bytes;
    std::string error;
    bool read = input == "-" ? readStream(io.in, bytes, error) : readFile(name, bytes, error);
    if (!read) {
        reportLoadFailure(io, input, error);
        return false;
    }
    if (mode == Mode::Utf8) bytes = codepage::utf8ToGbk(bytes);
    if (tree.Load(asBytes(bytes))) return true;
    reportParseFailure(io, input, asBytes(bytes), tree.LastResult());
    return false;
}

void OutputBuffer::flush() {
    if (!pending_.empty() && !failed_ &&
        std::fwrite(pending_.data(), 1, pending_.size(), stream_) != pending_.size())
        failed_ = true;
    pending_.clear();
}

bool OutputBuffer::finish() {
    flush();
    if (std::fflush(stream_) != 0) failed_ = true;
    return !failed_;
}

int reportWriteFailure(const Streams& io) {
    std::fprintf(io.err, "quillon-cli: cannot write standard output: %s\n", std::strerror(errno));
    return kExitFailure;
}

}  // namespace quillon::cli
