#pragma once
// Storage of one loaded document.
//
// Names and values are runs of the comment-free working copy of the input wherever they stand
// there as one run; the few that do not (text rebuilt from a token with zero bytes, CDATA sections
// or skipped constructs, an attribute value that resumes after a quote) are copied into a second,
// small store. Offsets from the working copy's size on address that store. Elements and attributes
// sit in flat arrays and refer to each other by index, so the tree is released, walked and written
// without recursion however deep it is.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "runtime/text.h"

namespace quillon::xml {

inline constexpr std::uint32_t kNoNode = 0xFFFFFFFFu;

// A run of bytes in the byte store.
struct Span {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
};

struct XmlAttribute {
    Span name;
    Span value;  // entity references as written, without the surrounding quotes
};

struct XmlNode {
    Span name;   // an index into XmlDocument::renamed when the node was renamed
    Span value;  // trimmed text before the first child, or a CDATA section's content
    std::uint32_t firstAttribute = 0;
    std::uint32_t attributeCount = 0;
    std::uint32_t firstChild = 0;  // index into XmlDocument::children
    std::uint32_t childCount = 0;
    std::uint8_t flags = 0;

    static constexpr std::uint8_t kSelfClosing = 1;
    static constexpr std::uint8_t kCdata = 2;
    static constexpr std::uint8_t kRenamed = 4;

    bool selfClosing() const { return flags & kSelfClosing; }
    bool cdata() const { return flags & kCdata; }
};

// A growable byte store that does not zero what it is about to overwrite.
class ByteStore {
  public:
    ByteStore() = default;
    ByteStore(ByteStore&&) noexcept = default;
    ByteStore& operator=(ByteStore&&) noexcept = default;

    // Makes room for `size` bytes and sets the size to it; the new bytes are uninitialised.
    void resize(std::size_t size);
    void reserve(std::size_t capacity);
    // Appends bytes and returns their offset (the store may move: re-read data() afterwards).
    std::size_t append(std::string_view bytes);

    char* data() { return data_.get(); }
    const char* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    std::string_view view(Span s) const { return {data_.get() + s.offset, s.length}; }

  private:
    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

struct XmlDocument {
    // Byte 0 holds "1", the value of every attribute written without one; the working input
    // follows from offset 1. Its size never changes after the input was read.
    ByteStore bytes;
    ByteStore extra;             // addressed from offset bytes.size() on
    std::vector<XmlNode> nodes;  // document order; end tags are never stored
    std::vector<XmlAttribute> attributes;
    std::vector<std::uint32_t> children;  // per node, a run of child node indexes
    std::vector<Text> renamed;            // names given by RenameNode
    std::uint32_t root = kNoNode;

    std::string_view text(Span s) const {
        if (s.offset < bytes.size()) return bytes.view(s);
        return {extra.data() + (s.offset - bytes.size()), s.length};
    }
    std::string_view name(const XmlNode& n) const {
        return (n.flags & XmlNode::kRenamed) ? std::string_view(renamed[n.name.offset])
                                             : text(n.name);
    }
    std::string_view name(std::uint32_t node) const { return name(nodes[node]); }
    const XmlAttribute* attributesOf(const XmlNode& n) const {
        return attributes.data() + n.firstAttribute;
    }
    const std::uint32_t* childrenOf(const XmlNode& n) const {
        return children.data() + n.firstChild;
    }

    void rename(std::uint32_t node, Text name);
    std::size_t memoryUsage() const;
};

// The element at an already escaped path, or kNoNode. Segments are split at '/', taking a lead
// byte and the byte after it together; the first segment names the root ("@1" or its name), each
// later one a child by position ("@N") or by the first equal name; a trailing empty segment adds
// nothing.
std::uint32_t FindNode(const XmlDocument& doc, std::string_view path);

// The 1-based position written after '@' (digits only, at least 1), or 0 when there is none.
std::size_t ParsePosition(std::string_view segment);

}  // namespace quillon::xml
