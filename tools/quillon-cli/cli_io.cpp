#include "cli_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>

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

std::string tooLarge(std::size_t limit) {
    return "the input is larger than " + std::to_string(limit) +
           " bytes, the most the library loads";
}

// The size of a regular file; nullopt for anything else (a pipe, a device, a folder, nothing).
std::optional<std::uintmax_t> regularFileSize(const std::string& name) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(name, error)) return std::nullopt;
    const std::uintmax_t size = std::filesystem::file_size(name, error);
    if (error) return std::nullopt;
    return size;
}

}  // namespace

std::string toOutput(std::string_view text, Mode mode) {
    return mode == Mode::Raw ? std::string(text) : codepage::gbkToUtf8(text);
}

Text fromArgument(std::string_view text, Mode mode) {
    return mode == Mode::Raw ? Text(text) : codepage::utf8ToGbk(text);
}

bool readStream(std::FILE* stream, std::size_t limit, std::string& bytes, std::string& error) {
    constexpr std::size_t kChunk = 1 << 16;
    bytes.clear();
    for (;;) {
        // Up to one byte past the limit, which tells an input of exactly the limit from a longer
        // one; the storage never grows beyond that either.
        const std::size_t used = bytes.size();
        const std::size_t wanted = std::min(kChunk, limit + 1 - used);
        if (bytes.capacity() < used + wanted)
            bytes.reserve(std::min(std::max(bytes.capacity() * 2, used + wanted), limit + 1));
        bytes.resize(used + wanted);
        const std::size_t got = std::fread(bytes.data() + used, 1, wanted, stream);
        bytes.resize(used + got);
        if (bytes.size() > limit) {
            bytes = std::string();
            error = tooLarge(limit);
            return false;
        }
        if (got < wanted) break;
    }
    if (std::ferror(stream)) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

bool readFile(const std::string& name, std::size_t limit, std::string& bytes, std::string& error) {
    if (const auto size = regularFileSize(name); size && *size > limit) {
        error = tooLarge(limit);
        return false;
    }
    errno = 0;
    FilePtr file(std::fopen(name.c_str(), "rb"));
    if (!file) {
        error = std::strerror(errno);
        return false;
    }
    return readStream(file.get(), limit, bytes, error);
}

bool loadInput(xml::XmlTree& tree, std::string_view input, Mode mode, const Streams& io) {
    std::string name(input);
    if (mode == Mode::Raw && input != "-") {
        // The library reads a regular file of an acceptable size itself; anything else (a pipe,
        // a device that never ends) is read here, where the limit is watched as it is read.
        const auto size = regularFileSize(name);
        if (size && *size > io.inputLimit) {
            reportLoadFailure(io, input, tooLarge(io.inputLimit));
            return false;
        }
        if (size) {
            if (tree.Load(Text(name))) return true;
            const xml::ParseResult result = tree.LastResult();
            std::string bytes, why;  // the bytes again, for a line and a column
            if (result.status == xml::ParseStatus::FileUnreadable ||
                (result.offset != 0 && !readFile(name, io.inputLimit, bytes, why))) {
                if (why.empty()) why = diagnoseFile(name);
                reportLoadFailure(io, input, why.empty() ? "the file cannot be read" : why);
                return false;
            }
            reportParseFailure(io, input, asBytes(bytes), result);
            return false;
        }
    }
    std::string bytes;
    std::string error;
    bool read = input == "-" ? readStream(io.in, io.inputLimit, bytes, error)
                             : readFile(name, io.inputLimit, bytes, error);
    if (!read) {
        reportLoadFailure(io, input, error);
        return false;
    }
    if (mode == Mode::Utf8) {
        bytes = codepage::utf8ToGbk(bytes);
        if (bytes.size() > io.inputLimit) {
            reportLoadFailure(io, input, tooLarge(io.inputLimit) + " once converted to GB18030");
            return false;
        }
    }
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

namespace {

// Where the text may be cut: after the last two ASCII bytes in a row at or beyond `from`, or 0.
std::size_t safeCut(std::string_view gbk, std::size_t from) {
    auto ascii = [&](std::size_t at) { return static_cast<unsigned char>(gbk[at]) < 0x80; };
    for (std::size_t end = gbk.size(); end >= 2 && end >= from; --end) {
        if (ascii(end - 1) && ascii(end - 2)) return end;
    }
    return 0;
}

// Eight bytes at a time: the output of a deep tree is mostly indentation.
bool isAscii(std::string_view bytes) {
    std::uint64_t any = 0;
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        any |= word;
    }
    for (; i < bytes.size(); ++i) any |= static_cast<unsigned char>(bytes[i]);
    return (any & 0x8080808080808080u) == 0;
}

}  // namespace

std::string_view Utf8Pieces::take(std::string_view gbk) {
    if (held_.empty()) {
        // ASCII reads alike in both encodings and leaves nothing open: it passes as it is.
        if (isAscii(gbk)) return gbk;
        const std::size_t cut = safeCut(gbk, 0);
        converted_ = codepage::gbkToUtf8(gbk.substr(0, cut));
        held_.assign(gbk.substr(cut));
        return converted_;
    }
    // Pairs inside what was already held back were looked at before.
    const std::size_t from = held_.size() + 1;
    held_ += gbk;
    const std::size_t cut = safeCut(held_, from);
    converted_ = codepage::gbkToUtf8(std::string_view(held_).substr(0, cut));
    held_.erase(0, cut);
    return converted_;
}

std::string Utf8Pieces::finish() {
    std::string converted = codepage::gbkToUtf8(held_);
    held_.clear();
    return converted;
}

bool StreamSink::put(std::string_view bytes) {
    if (error_ == 0 && std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size())
        error_ = errno != 0 ? errno : EIO;
    return error_ == 0;
}

bool StreamSink::write(std::string_view piece) {
    if (mode_ == Mode::Raw) return put(piece);
    try {
        return put(converter_.take(piece));
    } catch (const std::bad_alloc&) {
        error_ = ENOMEM;
        return false;
    }
}

bool StreamSink::finish() {
    if (mode_ == Mode::Utf8 && error_ == 0) put(converter_.finish());
    if (error_ == 0 && std::fflush(stream_) != 0) error_ = errno != 0 ? errno : EIO;
    return error_ == 0;
}

int reportWriteFailure(const Streams& io, int error) {
    std::fprintf(io.err, "quillon-cli: cannot write standard output: %s\n",
                 std::strerror(error != 0 ? error : errno));
    return kExitFailure;
}

}  // namespace quillon::cli
