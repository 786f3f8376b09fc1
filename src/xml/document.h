#pragma once
// Storage of one loaded document.
//
// Names and values are runs of the comment-free working copy of the input wherever they stand
// there as one run; the few that do not (text rebuilt from a token with zero bytes, CDATA sections
// or skipped constructs, an attribute value that resumes after a quote) are copied into a second,
// small store. Offsets from the working copy's size on address that store. Elements and attributes
// sit in flat arrays and refer to each other by index, so the tree is released, walked and written
// without recursion however deep it is.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/text.h"

namespace quillon::xml {

inline constexpr std::uint32_t kNoNode = 0xFFFFFFFFu;

// A run of bytes in the byte store.
struct Span {
    std::uint32_t offset;
    std::uint32_t length;
};

struct XmlAttribute {
    Span name;
    Span value;  // entity references as written, without the surrounding quotes
};

struct XmlNode {
    Span name;   // an index into XmlDocument::renamed when the node was renamed
    Span value;  // trimmed text before the first child, or a CDATA section's content
    std::uint32_t firstAttribute;
    std::uint32_t attributeCount;
    std::uint32_t firstChild;  // an index into XmlDocument::children
    std::uint32_t childCount;
    std::uint8_t flags;

    static constexpr std::uint8_t kSelfClosing = 1;
    static constexpr std::uint8_t kCdata = 2;
    static constexpr std::uint8_t kRenamed = 4;

    bool selfClosing() const { return flags & kSelfClosing; }
    bool cdata() const { return flags & kCdata; }
};

// An array kept in blocks of a fixed size under 64 KiB: it grows without moving what it holds,
// and a document's blocks go back to the allocator as ordinary small chunks, ready for the next
// load, instead of as one large run that the allocator may hand back to the system.
template <typename T>
class BlockArray {
  public:
    static constexpr std::size_t kShift = sizeof(T) > 16 ? 10 : (sizeof(T) > 4 ? 11 : 13);
    static constexpr std::size_t kPerBlock = std::size_t(1) << kShift;

    T& operator[](std::size_t i) { return blocks_[i >> kShift][i & (kPerBlock - 1)]; }
    const T& operator[](std::size_t i) const { return blocks_[i >> kShift][i & (kPerBlock - 1)]; }
    std::size_t size() const { return size_; }

    void push_back(const T& value) { append() = value; }
    // Appends `count` values, a block's worth at a time.
    void append(const T* values, std::size_t count) {
        while (count != 0) {
            if (tail_ == end_) refill();
            const std::size_t room = std::min(static_cast<std::size_t>(end_ - tail_), count);
            if (room <= 8) {  // the usual few children: no call to the library copy
                for (std::size_t k = 0; k < room; ++k) tail_[k] = values[k];
            } else {
                std::copy_n(values, room, tail_);
            }
            tail_ += room;
            size_ += room;
            values += room;
            count -= room;
        }
    }
    // Adds an element left for the caller to fill.
    T& append() {
        if (tail_ == end_) refill();
        ++size_;
        return *tail_++;
    }
    // Shrinks to `size` elements (the blocks stay for reuse).
    void truncate(std::size_t size) {
        size_ = std::min(size_, size);
        seat();
    }
    bool empty() const { return size_ == 0; }
    const T& back() const { return (*this)[size_ - 1]; }
    void pop_back() { truncate(size_ - 1); }
    // Grows to `size` elements whose values are to be written.
    void resize(std::size_t size) {
        while (blocks_.size() * kPerBlock < size) grow();
        size_ = size;
        seat();
    }
    std::size_t memoryUsage() const {
        return blocks_.capacity() * sizeof(blocks_[0]) + blocks_.size() * kPerBlock * sizeof(T);
    }

  private:
    void grow() { blocks_.emplace_back(new T[kPerBlock]); }
    [[gnu::noinline]] void refill() {
        if ((size_ >> kShift) == blocks_.size()) grow();
        seat();
    }
    // Points tail_ at the slot for element size_ within its block (none when unallocated).
    void seat() {
        const std::size_t block = size_ >> kShift;
        if (block < blocks_.size()) {
            tail_ = blocks_[block].get() + (size_ & (kPerBlock - 1));
            end_ = blocks_[block].get() + kPerBlock;
        } else {
            tail_ = end_ = nullptr;
        }
    }

    std::vector<std::unique_ptr<T[]>> blocks_;
    std::size_t size_ = 0;
    T* tail_ = nullptr;  // where the next element goes, inside the block that holds it
    T* end_ = nullptr;
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

// Where comment removal took bytes out of the input, so that an offset in the comment-free copy
// can be taken back to the input: one cut per comment.
struct CommentMap {
    struct Cut {
        std::uint32_t output;   // bytes of the copy written before the comment
        std::uint32_t removed;  // input bytes removed up to and including this comment
    };
    std::vector<Cut> cuts;
    std::size_t unclosed = kNowhere;  // input offset of a comment that runs to the end
    static constexpr std::size_t kNowhere = static_cast<std::size_t>(-1);

    // The input offset of byte `working` of the copy.
    std::size_t toInput(std::size_t working) const;
};

struct XmlDocument {
    BlockArray<XmlNode> nodes;  // document order; end tags are never stored
    BlockArray<XmlAttribute> attributes;
    BlockArray<std::uint32_t> children;           // per node, a run of child node indexes
    std::vector<Text> renamed;                    // names given by RenameNode
    std::vector<std::uint32_t> renamedTagStarts;  // for each of those, tagStart() before
    // The byte offset of the '<' of each element whose name is not a run of the working copy,
    // by element index (in order). Every other element's '<' stands just before its name.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> tagStarts;
    CommentMap comments;  // to take offsets in the working copy back to the caller's input
    std::uint32_t root = kNoNode;
    ByteStore extra;  // addressed from offset bytes.size() on
    // Byte 0 holds "1", the value of every attribute written without one; the working input
    // follows from offset 1. Its size never changes after the input was read. Declared last, so
    // that it is released first, while the blocks above it are still held.
    ByteStore bytes;

    std::string_view text(Span s) const {
        if (s.offset < bytes.size()) return bytes.view(s);
        return {extra.data() + (s.offset - bytes.size()), s.length};
    }
    std::string_view name(const XmlNode& n) const {
        return (n.flags & XmlNode::kRenamed) ? std::string_view(renamed[n.name.offset])
                                             : text(n.name);
    }
    std::string_view name(std::uint32_t node) const { return name(nodes[node]); }
    const XmlAttribute& attribute(const XmlNode& n, std::uint32_t k) const {
        return attributes[n.firstAttribute + k];
    }
    std::uint32_t childCount(std::uint32_t node) const { return nodes[node].childCount; }
    std::uint32_t child(std::uint32_t node, std::uint32_t k) const {
        return children[nodes[node].firstChild + k];
    }

    void rename(std::uint32_t node, Text name);
    // The offset of the element's '<' in the byte store (the working copy from offset 1).
    std::size_t tagStart(std::uint32_t node) const;
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
