#include "fill.h"

#include <string>
#include <vector>

namespace quillon::bench {

std::size_t fillLikeTheWindow(const xml::XmlTree& tree) {
    struct Level {
        std::size_t count;
        std::size_t next;
        std::size_t pathLength;
    };
    Text path;
    if (!tree.GetRootName(path)) return 0;
    std::size_t reached = 1;
    std::vector<Level> levels;
    levels.push_back({tree.GetChildNames(path).size(), 0, path.size()});
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next == level.count) {
            levels.pop_back();
            continue;
        }
        path.resize(level.pathLength);
        path += "/@";
        path += std::to_string(++level.next);
        ++reached;
        std::size_t children = tree.GetChildNames(path).size();
        if (children) levels.push_back({children, 0, path.size()});
    }
    return reached;
}

}  // namespace quillon::bench
