#pragma once
// The parser behind Load: comment removal, then one scan of the working input that builds the
// element arrays of an XmlDocument.
#include <cstddef>
#include <memory>
#include <string>

#include "runtime/text.h"
#include "xml/document.h"

namespace quillon::xml {

// Copies `in` without its comments to `out`, which has room for n + 1 bytes, and returns the
// number of bytes written. A look-ahead that runs past the end copies `filler` for the missing
// character: a zero byte for byte input, 0xFF for file input.
std::size_t StripComments(const unsigned char* in, std::size_t n, unsigned char filler,
                          unsigned char* out);

// Builds the tree of `doc` from its working input (doc.bytes from offset 1).
bool ParseDocument(XmlDocument& doc);

// The two input roads. Null when the load fails: an empty working input or a parse failure.
std::unique_ptr<XmlDocument> LoadBytes(ByteView bytes);
std::unique_ptr<XmlDocument> LoadFile(const std::string& fileName);

}  // namespace quillon::xml
