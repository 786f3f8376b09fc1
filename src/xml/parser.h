#pragma once
// The parser behind Load: comment removal, then one scan of the working input that builds the
// element arrays of an XmlDocument.
#include <cstddef>
#include <memory>
#include <string>

#include "runtime/text.h"
#include "xml/document.h"
#include "xml/parse_result.h"

namespace quillon::xml {

// Copies `in` without its comments to `out`, which has room for n + 1 bytes, and returns the
// number of bytes written. `out` may be `in` itself (the comments are then removed in place); it
// must not overlap `in` otherwise. A look-ahead that runs past the end copies `filler` for the missing
// character: a zero byte for byte input, 0xFF for file input. `map`, when given, receives the
// places of the comments.
std::size_t StripComments(const unsigned char* in, std::size_t n, unsigned char filler,
                          unsigned char* out, CommentMap* map = nullptr);

// Builds the tree of `doc` from its working input (doc.bytes from offset 1). On failure, `result`
// says why and where (an offset in the caller's input, through doc.comments).
bool ParseDocument(XmlDocument& doc, ParseResult& result);

// The two input roads. Null when the load fails, with `result` saying why.
std::unique_ptr<XmlDocument> LoadBytes(ByteView bytes, ParseResult& result);
std::unique_ptr<XmlDocument> LoadFile(const std::string& fileName, ParseResult& result);

}  // namespace quillon::xml
