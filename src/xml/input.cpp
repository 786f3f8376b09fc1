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

// Checks the size of an input of `n` bytes, setting `result` when it cannot be loaded.
bool Acceptable(std::size_t n, ParseResult& result) {
    result = ParseResult{};
    if (n == 0) result.status = ParseStatus::EmptyInput;
    if (n > kMaxInput) result.status = ParseStatus::TooLarge;
    return result.ok();
}

// A document whose byte store has room for "1", `n` input bytes, a filler and a zero byte.
std::unique_ptr<XmlDocument> NewDocument(std::size_t n) {
    auto doc = std::make_unique<XmlDocument>();
    doc->bytes.resize(n + 3);
    doc->bytes.data()[0] = '1';
    return doc;
}

// Writes `in` (n bytes) without its comments to the store from offset 1, and parses it. `in` may
// already stand there: the comments are then removed in place.
std::unique_ptr<XmlDocument> Parse(std::unique_ptr<XmlDocument> doc, const unsigned char* in,
                                   std::size_t n, unsigned char filler, ParseResult& result) {
    auto* store = reinterpret_cast<unsigned char*>(doc->bytes.data());
    const std::size_t length = StripComments(in, n, filler, store + 1, &doc->comments);
    if (length == 0) {
        const std::size_t comment = doc->comments.unclosed;
        result = comment == CommentMap::kNowhere
                     ? ParseResult{ParseStatus::EmptyInput, 0}
                     : ParseResult{ParseStatus::EndInsideComment, comment};
        return nullptr;
    }
    doc->bytes.resize(1 + length);
    const bool parsed = ParseDocument(*doc, result);
    result.offset = std::min(result.offset, n);  // a filler stands past the end
    if (!parsed) return nullptr;
    return doc;
}

enum class Read { Done, Failed, TooLarge };

// Reads the whole file into the store from offset 1 on, keeping the two bytes after it spare, and
// sets `n` to the bytes read. Only a regular file's size is taken as the size to expect: a
// folder, for one, may report an end offset of 2^63, which would reserve gigabytes for nothing.
Read ReadFile(std::FILE* f, bool regular, ByteStore& store, std::size_t& n) {
    std::size_t capacity = 1 << 16;
    if (regular && std::fseek(f, 0, SEEK_END) == 0) {
        const long size = std::ftell(f);
        if (size > 0) capacity = std::min(kMaxInput, static_cast<std::size_t>(size)) + 1;
        std::rewind(f);
    }
    n = 0;
    for (;;) {
        if (n > kMaxInput) return Read::TooLarge;
        const std::size_t room = std::max(capacity, n + 1);  // one more than expected shows growth
        store.resize(1 + room + 2);
        const std::size_t got = std::fread(store.data() + 1 + n, 1, room - n, f);
        const bool shortRead = got < room - n;
        n += got;
        if (shortRead) return std::ferror(f) ? Read::Failed : Read::Done;
        capacity = room * 2;
    }
}

}  // namespace

std::unique_ptr<XmlDocument> LoadBytes(ByteView bytes, ParseResult& result) {
    if (!Acceptable(bytes.size(), result)) return nullptr;
    return Parse(NewDocument(bytes.size()), bytes.data(), bytes.size(), 0, result);
}

std::unique_ptr<XmlDocument> LoadFile(const std::string& fileName, ParseResult& result) {
    std::error_code error;
    const bool regular = std::filesystem::is_regular_file(fileName, error);
    result = ParseResult{ParseStatus::FileUnreadable, 0};
    std::FILE* f = std::fopen(fileName.c_str(), "rb");
    if (f == nullptr) return nullptr;
    // The file is read straight into the document's store and its comments removed there, so
    // that its bytes are held once.
    auto doc = std::make_unique<XmlDocument>();
    std::size_t n = 0;
    const Read read = ReadFile(f, regular, doc->bytes, n);
    std::fclose(f);
    if (read == Read::TooLarge) result.status = ParseStatus::TooLarge;
    if (read != Read::Done || !Acceptable(n, result)) return nullptr;
    doc->bytes.data()[0] = '1';
    const auto* in = reinterpret_cast<const unsigned char*>(doc->bytes.data()) + 1;
    return Parse(std::move(doc), in, n, 0xFF, result);  // past a file's end, a read gives 0xFF
}

}  // namespace quillon::xml
