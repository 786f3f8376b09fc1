// libFuzzer entry: every input must load or fail cleanly, and a loaded tree must answer the
// commands and write itself out.
#include <cstddef>
#include <cstdint>

#include "dump.h"
#include "xml/xml_tree.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quillon::xml::XmlTree tree;
    if (tree.Load(quillon::ByteView(data, size))) {
        quillon::xml::testing::Dump(tree);
        tree.RenameNode("@1", "r&n");
        tree.ToBytes(std::nullopt);
    }
    return 0;
}
