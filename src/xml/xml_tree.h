#pragma once
// The XML document library: one document held in memory as a tree of elements, addressed by
// path texts ("msg/@1/title"), with the nine commands the application uses.
//
// Every text is GBK bytes. Names and values are stored as they stood in the source, entity
// references and all; reading commands decode references on the way out, and commands that take
// a path, an attribute or a new name escape it on the way in.
//
// A tree is used by one thread at a time; two trees share nothing and may be used on two threads.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "runtime/text.h"
#include "xml/parse_result.h"
#include "xml/write_sink.h"

namespace quillon::xml {

struct XmlDocument;  // the loaded tree and its storage; see document.h

// The most bytes Load takes (2 GiB - 1): offsets into a document are kept in 32 bits, with room
// left for the store's leading "1" byte, a filler and texts added later. A larger input fails to
// load.
inline constexpr std::size_t kMaxLoadSize = 0xFFFFFFFFu / 2;

class XmlTree {
  public:
    XmlTree();
    ~XmlTree();
    XmlTree(XmlTree&&) noexcept;
    XmlTree& operator=(XmlTree&&) noexcept;
    XmlTree(const XmlTree&) = delete;
    XmlTree& operator=(const XmlTree&) = delete;

    // Load from a byte set (the bytes as they are), from a file name (the file's bytes), or from
    // an absent source (false, the tree untouched; an empty file name counts as absent). A usable
    // source always releases the current document first, so a failed load leaves the tree not
    // loaded. Running out of memory fails the load like any other failure. Texts given to any
    // command end at their first zero byte.
    bool Load(ByteView bytes);
    bool Load(const ByteSet& bytes) { return Load(ByteView(bytes)); }
    bool Load(const Text& fileName);
    bool Load(std::nullopt_t) { return false; }

    // Why and where the most recent load from a usable source failed (Ok, offset 0, after a
    // success; an absent source leaves it as it was).
    const ParseResult& LastResult() const { return last_; }
    // The byte offset of the element's '<' in the input of the loaded document (a file's bytes
    // for a file), comments and all; nullopt when the path finds nothing or nothing is loaded.
    std::optional<std::size_t> StartTagOffset(std::string_view path) const;
    // The element's whole start tag in that input: from its '<' up to just after the '>' that
    // closes it (quoted values skipped), or to the end of the input when nothing closes it.
    struct ByteRange {
        std::size_t from = 0;
        std::size_t to = 0;
    };
    std::optional<ByteRange> StartTagRange(std::string_view path) const;

    // The document as XML bytes with its declaration. `encoding` is used only when given (as text);
    // the line break defaults to CR LF and the indent to one TAB when left out, while a given
    // empty text means none. `ok` (when given) is false first, true once bytes were written; an
    // output too large for memory (an indent repeated down a very deep tree) leaves it false.
    ByteSet ToBytes(const std::optional<Text>& encoding, bool* ok = nullptr,
                    const std::optional<Text>& lineBreak = std::nullopt,
                    const std::optional<Text>& indent = std::nullopt) const;

    // The same bytes as ToBytes, sent to `sink` in pieces of at most sink.pieceSize() bytes, so
    // an output of any size needs no more memory than one piece. False when nothing is loaded,
    // the sink refused a piece (nothing more is sent), or memory ran out.
    bool WriteTo(WriteSink& sink, const std::optional<Text>& encoding,
                 const std::optional<Text>& lineBreak = std::nullopt,
                 const std::optional<Text>& indent = std::nullopt) const;

    // Releases the document; false when nothing was loaded.
    bool Clear();

    bool IsLoaded() const;

    // Bytes of memory the loaded document holds (0 when nothing is loaded).
    std::size_t MemoryUsage() const;

    bool GetRootName(Text& name) const;
    TextArray GetChildNames(std::string_view path, bool* ok = nullptr) const;
    bool GetNodeValue(std::string_view path, Text& value) const;
    TextArray GetAttributeNames(std::string_view path, bool* ok = nullptr) const;
    Text GetAttributeValue(std::string_view path, std::string_view attribute,
                           bool* ok = nullptr) const;
    bool RenameNode(std::string_view path, std::string_view newName);

    // Element by element, for callers that visit the whole tree: no path is looked up, so a walk
    // costs the size of the document whatever its depth. An id stays valid until the next Load
    // or Clear; an id that names no element gives no children and empty texts.
    // Texts come out as the path commands give them.
    using NodeId = std::uint32_t;
    static constexpr NodeId kNoNodeId = 0xFFFFFFFFu;
    NodeId Root() const;  // kNoNodeId when nothing is loaded
    std::size_t ChildCount(NodeId node) const;
    NodeId Child(NodeId node, std::size_t index) const;  // 0-based, in document order
    Text NodeName(NodeId node) const;                    // as GetChildNames gives it
    Text NodeValue(NodeId node) const;                   // as GetNodeValue gives it
    std::size_t AttributeCount(NodeId node) const;
    Text AttributeName(NodeId node, std::size_t index) const;   // as GetAttributeNames
    Text AttributeValue(NodeId node, std::size_t index) const;  // as GetAttributeValue

  private:
    bool Has(NodeId node) const;

    std::unique_ptr<XmlDocument> doc_;
    ParseResult last_;
};

// Entity handling shared by the commands (and by callers that store the same escaped form).
Text EscapeText(std::string_view text);
Text UnescapeText(std::string_view text);

}  // namespace quillon::xml
