#pragma once
// Finding an element of the loaded document by what the window shows of it: its name, its
// attributes' names and values, and its value, all decoded as the commands give them.
#include <string_view>

#include "runtime/text.h"
#include "xml/xml_tree.h"

namespace quillon::app {

// Whether `text` contains `needle`, both GBK: matches start on a character, two-byte characters
// compare exactly and single-byte ASCII letters in either case. An empty needle is in every text.
bool ContainsText(std::string_view text, std::string_view needle);

// Whether the element's name, one of its attribute names or values, or its value contains
// `needle` (as ContainsText).
bool ElementContains(const xml::XmlTree& doc, xml::XmlTree::NodeId element,
                     std::string_view needle);

// The position, in the document's pre-order (the tree's item numbering, root 0), of the first
// element after position `after` that contains `needle`, wrapping round to the root after the
// last element, so that `after` itself comes last; -1 when no element does, the needle is empty
// or nothing is loaded. A negative `after` starts at the root.
int FindNextElement(const xml::XmlTree& doc, std::string_view needle, int after);

}  // namespace quillon::app
