// libFuzzer entry: every input must load or fail cleanly with a result that agrees, and a loaded
// tree must place its root's tag, answer the commands and write itself out. Inputs small enough
// for the plain model (reference.h) must also load, list and write exactly as it does.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "dump.h"
#include "reference.h"
#include "xml/xml_tree.h"

namespace {

// The model recurses over the nesting: keep its inputs short.
constexpr std::size_t kModelLimit = 4096;

void CompareWithModel(const quillon::xml::XmlTree& tree, bool loaded, std::string_view bytes) {
    quillon::xml::reference::Tree model;
    if (model.Load(bytes) != loaded) __builtin_trap();
    if (!loaded) return;
    if (quillon::xml::testing::Dump(tree) != quillon::xml::testing::Dump(model)) __builtin_trap();
    const quillon::ByteSet written = tree.ToBytes(quillon::Text(), nullptr, "\r\n", "\t");
    if (std::string_view(reinterpret_cast<const char*>(written.data()), written.size()) !=
        model.Write("\r\n", "\t")) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quillon::xml::XmlTree tree;
    const quillon::ByteView input(data, size);
    const bool loaded = tree.Load(input);
    const quillon::xml::ParseResult& result = tree.LastResult();
    if (result.ok() != loaded || result.offset > size) __builtin_trap();
    quillon::xml::PositionOf(input, result.offset);
    if (size <= kModelLimit) {
        CompareWithModel(tree, loaded, {reinterpret_cast<const char*>(data), size});
    }
    if (loaded) {
        const std::optional<std::size_t> root = tree.StartTagOffset("@1");
        if (!root || *root >= size || data[*root] != '<') __builtin_trap();
        quillon::xml::testing::Dump(tree);
        tree.RenameNode("@1", "r&n");
        tree.ToBytes(std::nullopt);
    }
    return 0;
}
