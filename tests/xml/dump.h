#pragma once
// A line-per-element listing of a loaded tree, walked the way the window fills its tree view:
// positional paths, names and values as the commands return them, attributes under each element.
#include <string>
#include <vector>

#include "xml/xml_tree.h"

namespace quillon::xml::testing {

// Works on any tree type with the reading commands of XmlTree.
template <typename Tree>
std::string Dump(const Tree& tree) {
    std::string out;
    Text root;
    if (!tree.GetRootName(root)) return "<not loaded>";
    std::vector<std::string> pending{root};
    std::vector<std::string> names{root};
    while (!pending.empty()) {
        const std::string path = pending.back();
        const std::string name = names.back();
        pending.pop_back();
        names.pop_back();
        Text value;
        out += path + "\t" + name + "\t" + (tree.GetNodeValue(path, value) ? value : "NULL") + "\n";
        for (const Text& a : tree.GetAttributeNames(path)) {
            out += "\t" + a + "\t" + tree.GetAttributeValue(path, a) + "\n";
        }
        const TextArray kids = tree.GetChildNames(path);
        for (std::size_t i = kids.size(); i-- > 0;) {
            pending.push_back(path + "/@" + std::to_string(i + 1));
            names.push_back(kids[i]);
        }
    }
    return out;
}

inline std::string DumpOf(std::string_view xml) {
    XmlTree tree;
    if (!tree.Load(toByteSet(xml))) return "<fails>";
    return Dump(tree);
}

}  // namespace quillon::xml::testing
