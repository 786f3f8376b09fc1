#pragma once
// The writer behind ToBytes and WriteTo: the declaration, then the element tree laid out with a
// line break and an indent text. Names and values are written exactly as stored.
#include <cstddef>
#include <string_view>

#include "xml/document.h"
#include "xml/write_sink.h"

namespace quillon::xml {

struct Layout {
    std::string_view encoding;  // empty writes "gb18030"
    std::string_view lineBreak;
    std::string_view indent;
};

// The number of bytes WriteDocument would produce, saturated at SIZE_MAX; nothing is written.
std::size_t WrittenSize(const XmlDocument& doc, const Layout& layout);

// Sends the document to `sink` in pieces of at most sink.pieceSize() bytes, walking the tree
// without recursion. False when the sink refused a piece (nothing more is sent) or when the
// writer's own buffer could not be had.
bool WriteDocument(const XmlDocument& doc, const Layout& layout, WriteSink& sink);

}  // namespace quillon::xml
