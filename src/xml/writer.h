#pragma once
// The writer behind ToBytes: the declaration, then the element tree laid out with a line break
// and an indent text. Names and values are written exactly as stored.
#include <string_view>

#include "runtime/text.h"
#include "xml/document.h"

namespace quillon::xml {

// Appends the document to `out`. An empty encoding writes "gb18030". False, with nothing
// written, when the output would not fit in memory (an indent repeated for a very deep tree).
bool WriteDocument(const XmlDocument& doc, std::string_view encoding, std::string_view lineBreak,
                   std::string_view indent, ByteSet& out);

}  // namespace quillon::xml
