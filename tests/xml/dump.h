#pragma once
// A line-per-element listing of a loaded tree, walked the way the window fills its tree view:
// positional paths, names and values as the commands return them, attributes under each element.
#include <string>
#include <vector>

#include "xml/xml_tree.h"

namespace quillon::xml::testing {

// Works on any tree type with the reading commands of XmlTree. Attribute values are looked up by
// name, or by position ("@N", as the window reads them) when `byPosition` is set.
template <typename Tree>
std::string Dump(const Tree& tree, bool byPosition = false) {
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
        const TextArray attributes = tree.GetAttributeNames(path);
        for (std::size_t i = 0; i < attributes.size(); ++i) {
            const Text selector = byPosition ? "@" + std::to_string(i + 1) : attributes[i];
            out += "\t" + attributes[i] + "\t" + tree.GetAttributeValue(path, selector) + "\n";
        }
        const TextArray kids = tree.GetChildNames(path);
        for (std::size_t i = kids.size(); i-- > 0;) {
            pending.push_back(path + "/@" + std::to_string(i + 1));
            names.push_back(kids[i]);
        }
    }
    return out;
}

// The same listing over the element-by-element walk, with the paths Dump would look up.
inline std::string DumpByNode(const XmlTree& tree) {
    if (!tree.IsLoaded()) return "<not loaded>";
    std::string out;
    std::vector<std::pair<XmlTree::NodeId, std::string>> pending{
        {tree.Root(), tree.NodeName(tree.Root())}};
    while (!pending.empty()) {
        const auto [node, path] = pending.back();
        pending.pop_back();
        out += path + "\t" + tree.NodeName(node) + "\t" + tree.NodeValue(node) + "\n";
        for (std::size_t a = 0; a < tree.AttributeCount(node); ++a)
            out += "\t" + tree.AttributeName(node, a) + "\t" + tree.AttributeValue(node, a) + "\n";
        for (std::size_t i = tree.ChildCount(node); i-- > 0;)
            pending.push_back({tree.Child(node, i), path + "/@" + std::to_string(i + 1)});
    }
    return out;
}

inline std::string DumpOf(std::string_view xml) {
    XmlTree tree;
    if (!tree.Load(toByteSet(xml))) return "<fails>";
    return Dump(tree);
}

}  // namespace quillon::xml::testing
