#pragma once
#include <cstddef>

#include "xml/xml_tree.h"

namespace quillon::bench {

// Fills a view the way the window does: the root's name, then GetChildNames over positional
// paths ("root/@1/@2"), depth first, with an explicit stack instead of recursion. Returns the
// number of elements reached.
std::size_t fillLikeTheWindow(const xml::XmlTree& tree);

}  // namespace quillon::bench
