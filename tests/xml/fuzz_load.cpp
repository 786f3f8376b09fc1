// libFuzzer entry: every input must load or fail cleanly with a result that agrees, and a loaded
// tree must place its root's tag, answer the commands and write itself out.
#include <cstddef>
#include <cstdint>

#include "dump.h"
#include "xml/xml_tree.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quillon::xml::XmlTree tree;
    const quillon::ByteView input(data, size);
    const bool loaded = tree.Load(input);
    const quillon::xml::ParseResult& result = tree.LastResult();
    if (result.ok() != loaded || result.offset > size) __builtin_trap();
    quillon::xml::PositionOf(input, result.offset);
    if (loaded) {
        const std::optional<std::size_t> root = tree.StartTagOffset("@1");
        if (!root || *root >= size || data[*root] != '<') __builtin_trap();
        quillon::xml::testing::Dump(tree);
        tree.RenameNode("@1", "r&n");
        tree.ToBytes(std::nullopt);
    }
    return 0;
}
