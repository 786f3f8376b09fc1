#pragma once
// The parsers under comparison, each behind one adapter: bytes in, a tree ready for use out.
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace quillon::bench {

struct Parser {
    std::string_view name;
    // Builds a tree from the bytes (which stay untouched) and returns its owner; dropping the
    // owner releases the tree. Null when the parser refused the input.
    std::function<std::shared_ptr<void>(std::string_view bytes)> load;
    // Deepest nesting the parser accepts or survives (it either refuses deeper input or recurses
    // on the machine stack); deeper inputs are left out for it.
    int maxDepth;
};

// Quillon's XmlTree first, then pugixml (the reference for ratios), RapidXML, tinyxml2, libxml2.
std::vector<Parser> allParsers();

}  // namespace quillon::bench
