// The nine commands on an XmlTree.
#include "xml/xml_tree.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "xml/document.h"
#include "xml/parser.h"
#include "xml/text_buffer.h"
#include "xml/writer.h"

namespace quillon::xml {

XmlTree::XmlTree() = default;
XmlTree::~XmlTree() = default;
XmlTree::XmlTree(XmlTree&&) noexcept = default;
XmlTree& XmlTree::operator=(XmlTree&&) noexcept = default;

namespace {

// Runs one input road; running out of memory fails the load like any other failure.
template <typename Road>
std::unique_ptr<XmlDocument> Guarded(ParseResult& result, Road road) {
    try {
        return road();
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    result = ParseResult{ParseStatus::OutOfMemory, 0};
    return nullptr;
}

// Runs a reading command; one that runs out of memory (a value or a list as large as the
// input) gives the empty result that `failed` holds.
template <typename Result, typename Command>
Result Guarded(Result failed, Command command) {
    try {
        return command();
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    return failed;
}

}  // namespace

bool XmlTree::Load(ByteView bytes) {
    doc_.reset();
    doc_ = Guarded(last_, [&] { return LoadBytes(bytes, last_); });
    return doc_ != nullptr;
}

bool XmlTree::Load(const Text& fileName) {
    const std::string_view name = TextOf(fileName);
    if (name.empty()) return false;  // an empty text counts as an absent source
    doc_.reset();
    doc_ = Guarded(last_, [&] { return LoadFile(std::string(name), last_); });
    return doc_ != nullptr;
}

namespace {

Layout LayoutOf(const std::optional<Text>& encoding, const std::optional<Text>& lineBreak,
                const std::optional<Text>& indent) {
    return {encoding ? TextOf(*encoding) : std::string_view(),
            lineBreak ? TextOf(*lineBreak) : std::string_view("\r\n"),
            indent ? TextOf(*indent) : std::string_view("\t")};
}

// Appends every piece to a byte set that already holds room for the whole output.
class ByteSetSink : public WriteSink {
  public:
    ByteSetSink(ByteSet& out, std::size_t size) : out_(out), size_(size) {}
    bool write(std::string_view piece) override {
        const auto* p = reinterpret_cast<const std::uint8_t*>(piece.data());
        out_.insert(out_.end(), p, p + piece.size());
        return true;
    }
    // A small document needs no full-sized buffer on its way into the byte set.
    std::size_t pieceSize() const override { return std::min(size_, WriteSink::pieceSize()); }

  private:
    ByteSet& out_;
    std::size_t size_;
};

}  // namespace

ByteSet XmlTree::ToBytes(const std::optional<Text>& encoding, bool* ok,
                         const std::optional<Text>& lineBreak,
                         const std::optional<Text>& indent) const {
    if (ok) *ok = false;
    ByteSet out;
    if (!doc_) return out;
    const Layout layout = LayoutOf(encoding, lineBreak, indent);
    std::size_t size = 0;
    try {
        // Sized first, so the result is allocated once, or refused when it cannot be.
        size = WrittenSize(*doc_, layout);
        if (size > out.max_size()) return out;
        out.reserve(size);
    } catch (const std::bad_alloc&) {
        return out;
    } catch (const std::length_error&) {
        return out;
    }
    ByteSetSink sink(out, size);
    if (!WriteDocument(*doc_, layout, sink)) return ByteSet();
    if (ok) *ok = true;
    return out;
}

bool XmlTree::WriteTo(WriteSink& sink, const std::optional<Text>& encoding,
                      const std::optional<Text>& lineBreak,
                      const std::optional<Text>& indent) const {
    return doc_ && WriteDocument(*doc_, LayoutOf(encoding, lineBreak, indent), sink);
}

bool XmlTree::Clear() {
    if (!doc_) return false;
    doc_.reset();
    return true;
}

bool XmlTree::IsLoaded() const {
    return doc_ != nullptr;
}

std::size_t XmlTree::MemoryUsage() const {
    return doc_ ? doc_->memoryUsage() : 0;
}

namespace {

// The element at the caller's path (escaped first), or kNoNode.
std::uint32_t Find(const XmlDocument* doc, std::string_view path) {
    path = TextOf(path);
    if (doc == nullptr || path.empty()) return kNoNode;
    return FindNode(*doc, EscapeText(path));
}

}  // namespace

bool XmlTree::GetRootName(Text& name) const {
    if (!doc_) return false;
    return Guarded(false, [&] {
        name = UnescapeText(doc_->name(doc_->root));
        return true;
    });
}

TextArray XmlTree::GetChildNames(std::string_view path, bool* ok) const {
    if (ok) *ok = false;
    return Guarded(TextArray(), [&] {
        TextArray names;
        const std::uint32_t node = Find(doc_.get(), path);
        if (node == kNoNode) return names;
        const std::uint32_t count = doc_->childCount(node);
        if (count == 0) return names;
        names.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i) names.push_back(NodeName(doc_->child(node, i)));
        if (ok) *ok = true;
        return names;
    });
}

bool XmlTree::GetNodeValue(std::string_view path, Text& value) const {
    return Guarded(false, [&] {
        const std::uint32_t node = Find(doc_.get(), path);
        if (node == kNoNode) return false;
        value = NodeValue(node);
        return true;
    });
}

TextArray XmlTree::GetAttributeNames(std::string_view path, bool* ok) const {
    if (ok) *ok = false;
    return Guarded(TextArray(), [&] {
        TextArray names;
        const std::uint32_t node = Find(doc_.get(), path);
        if (node == kNoNode) return names;
        const XmlNode& n = doc_->nodes[node];
        if (n.attributeCount == 0) return names;
        names.reserve(n.attributeCount);
        for (std::uint32_t i = 0; i < n.attributeCount; ++i)
            names.push_back(AttributeName(node, i));
        if (ok) *ok = true;
        return names;
    });
}

Text XmlTree::GetAttributeValue(std::string_view path, std::string_view attribute, bool* ok) const {
    if (ok) *ok = false;
    attribute = TextOf(attribute);
    if (attribute.empty()) return {};
    return Guarded(Text(), [&] {
        const std::uint32_t node = Find(doc_.get(), path);
        if (node == kNoNode) return Text();
        const XmlNode& n = doc_->nodes[node];
        const Text wanted = EscapeText(attribute);
        const XmlAttribute* selected = nullptr;
        if (wanted[0] == '@') {
            const std::size_t at = ParsePosition(wanted);
            if (at >= 1 && at <= n.attributeCount) {
                selected = &doc_->attribute(n, static_cast<std::uint32_t>(at - 1));
            }
        } else {
            for (std::uint32_t i = 0; i < n.attributeCount; ++i) {
                const XmlAttribute& a = doc_->attribute(n, i);
                if (doc_->text(a.name) == wanted) selected = &a;  // the last match would win
            }
        }
        if (selected == nullptr) return Text();
        Text value = UnescapeText(doc_->text(selected->value));
        if (ok) *ok = true;
        return value;
    });
}

bool XmlTree::RenameNode(std::string_view path, std::string_view newName) {
    newName = TextOf(newName);
    if (newName.empty()) return false;
    return Guarded(false, [&] {
        const std::uint32_t node = Find(doc_.get(), path);
        if (node == kNoNode) return false;
        doc_->rename(node, EscapeText(newName));
        return true;
    });
}

std::optional<std::size_t> XmlTree::StartTagOffset(std::string_view path) const {
    const std::optional<ByteRange> tag = StartTagRange(path);
    return tag ? std::optional<std::size_t>(tag->from) : std::nullopt;
}

std::optional<XmlTree::ByteRange> XmlTree::StartTagRange(std::string_view path) const {
    return Guarded(std::optional<ByteRange>(), [&]() -> std::optional<ByteRange> {
        const std::uint32_t node = Find(doc_.get(), path);
        // Offsets in the store count its leading "1" byte, so 0 names no tag.
        const std::size_t start = node == kNoNode ? 0 : doc_->tagStart(node);
        if (start == 0) return std::nullopt;
        const std::string_view copy(doc_->bytes.data(), doc_->bytes.size());
        std::size_t at = start + 1;
        for (char quote = 0; at < copy.size() && (quote != 0 || copy[at] != '>'); ++at) {
            if (quote == 0 && (copy[at] == '"' || copy[at] == '\'')) {
                quote = copy[at];
            } else if (copy[at] == quote) {
                quote = 0;
            }
        }
        const std::size_t last = std::min(at, copy.size() - 1);
        return ByteRange{doc_->comments.toInput(start - 1), doc_->comments.toInput(last - 1) + 1};
    });
}

bool XmlTree::Has(NodeId node) const {
    return doc_ && node < doc_->nodes.size();
}

XmlTree::NodeId XmlTree::Root() const {
    return doc_ ? doc_->root : kNoNodeId;
}

std::size_t XmlTree::ChildCount(NodeId node) const {
    return Has(node) ? doc_->childCount(node) : 0;
}

XmlTree::NodeId XmlTree::Child(NodeId node, std::size_t index) const {
    if (index >= ChildCount(node)) return kNoNodeId;
    return doc_->child(node, static_cast<std::uint32_t>(index));
}

Text XmlTree::NodeName(NodeId node) const {
    return Has(node) ? UnescapeText(doc_->name(node)) : Text();
}

Text XmlTree::NodeValue(NodeId node) const {
    if (!Has(node)) return {};
    const XmlNode& n = doc_->nodes[node];
    const std::string_view stored = doc_->text(n.value);
    return n.cdata() ? Text(stored) : UnescapeText(stored);
}

std::size_t XmlTree::AttributeCount(NodeId node) const {
    return Has(node) ? doc_->nodes[node].attributeCount : 0;
}

Text XmlTree::AttributeName(NodeId node, std::size_t index) const {
    if (index >= AttributeCount(node)) return {};
    const XmlNode& n = doc_->nodes[node];
    return UnescapeText(doc_->text(doc_->attribute(n, static_cast<std::uint32_t>(index)).name));
}

Text XmlTree::AttributeValue(NodeId node, std::size_t index) const {
    if (index >= AttributeCount(node)) return {};
    const XmlNode& n = doc_->nodes[node];
    return UnescapeText(doc_->text(doc_->attribute(n, static_cast<std::uint32_t>(index)).value));
}

}  // namespace quillon::xml
