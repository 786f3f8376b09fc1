// The two input roads: a byte set, and a file read whole.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>

#include "xml/grammar.h"
#include "xml/parser.h"
#include "xml/xml_tree.h"

namespace quillon::xml {

namespace {

std::unique_ptr<XmlDocument> Load(ByteView bytes, unsigned char filler, ParseResult& result) {
    result = ParseResult{};
    if (bytes.empty()) result.status = ParseStatus::EmptyInput;
    if (bytes.size() > kMaxInput) result.status = ParseStatus::TooLarge;
    if (!result.ok()) return nullptr;
    auto doc = std::make_unique<XmlDocument>();
    doc->bytes.resize(bytes.size() + 3);  // "1", the input, a filler, a zero byte
    auto* store = reinterpret_cast<unsigned char*>(doc->bytes.data());
    store[0] = '1';
    const std::size_t length =
        StripComments(bytes.data(), bytes.size(), filler, store + 1, &doc->comments);
    if (length == 0) {
        const std::size_t comment = doc->comments.unclosed;
        result = comment == CommentMap::kNowhere
                     ? ParseResult{ParseStatus::EmptyInput, 0}
                     : ParseResult{ParseStatus::EndInsideComment, comment};
        return nullptr;
    }
    doc->bytes.resize(1 + length);
    const bool parsed = ParseDocument(*doc, result);
    result.offset = std::min(result.offset, bytes.size());  // a filler stands past the end
    if (!parsed) return nullptr;
    return doc;
}

enum class Read { Done, Failed, TooLarge };

// Reads the whole file. Only a regular file's size is taken as the size to expect: a folder, for
// one, may report an end offset of 2^63, which would reserve (and clear) gigabytes for nothing.
Read ReadFile(std::FILE* f, bool regular, ByteSet& bytes) {
    std::size_t capacity = 1 << 16;
    if (regular && std::fseek(f, 0, SEEK_END) == 0) {
        const long size = std::ftell(f);
        if (size > 0) capacity = std::min(kMaxInput, static_cast<std::size_t>(size)) + 1;
        std::rewind(f);
    }
    for (;;) {
        const std::size_t length = bytes.size();
        if (length > kMaxInput) return Read::TooLarge;
        bytes.resize(std::max(capacity, length + 1));
        const std::size_t got = std::fread(bytes.data() + length, 1, bytes.size() - length, f);
        if (got < bytes.size() - length) {
            bytes.resize(length + got);
            return std::ferror(f) ? Read::Failed : Read::Done;
        }
        capacity = bytes.size() * 2;
    }
}

}  // namespace

std::unique_ptr<XmlDocument> LoadBytes(ByteView bytes, ParseResult& result) {
    return Load(bytes, 0, result);
}

std::unique_ptr<XmlDocument> LoadFile(const std::string& fileName, ParseResult& result) {
    std::error_code error;
    const bool regular = std::filesystem::is_regular_file(fileName, error);
    result = ParseResult{ParseStatus::FileUnreadable, 0};
    std::FILE* f = std::fopen(fileName.c_str(), "rb");
    if (f == nullptr) return nullptr;
    ByteSet bytes;
    const Read read = ReadFile(f, regular, bytes);
    std::fclose(f);
    if (read == Read::TooLarge) result.status = ParseStatus::TooLarge;
    if (read != Read::Done) return nullptr;
    return Load(bytes, 0xFF, result);  // a character read past the end of a file comes back as 0xFF
}

}  // namespace quillon::xml
