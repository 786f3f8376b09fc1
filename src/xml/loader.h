#pragma once
// The loader's working parts, shared by its two readers: the tight loop in parser.cpp and the
// general readers in parser_general.cpp (the comment at the top of parser.cpp says which reads
// what). Only those two files include this.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "xml/attributes.h"
#include "xml/document.h"
#include "xml/grammar.h"
#include "xml/parse_result.h"
#include "xml/tokens.h"

namespace quillon::xml::load {

enum class Step { Token, NoMore, Fail };

inline std::string_view TrimTagSpaces(std::string_view text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t begin = 0, end = text.size();
    while (begin < end && Is(s[begin], kTagSpace)) ++begin;
    while (end > begin && Is(s[end - 1], kTagSpace)) --end;
    return text.substr(begin, end - begin);
}

constexpr std::string_view kCdataOpen = "<![CDATA[";
constexpr std::string_view kCdataClose = "]]>";

// What one token yields. Views point into the byte store (inStore) or into scratch texts.
struct Token {
    std::string_view name;
    std::string_view value;  // trimmed only when kept
    std::string_view attributes;
    bool inStore = true;
    bool selfClosing = false;
    bool cdata = false;
    bool attributesRead = false;  // already in the attribute array, from tokenAttributes_ on
    std::size_t lt = 0;           // the tag's '<' in the byte store
};

// A stack of plain values for the tight loop, which pushes once per element: a push is a compare
// and a store, and only growing leaves the loop.
template <typename T>
class Stack {
  public:
    void push_back(T value) {
        if (top_ == end_) grow();
        *top_++ = value;
    }
    void pop_back() { --top_; }
    T& back() { return top_[-1]; }
    std::size_t size() const { return static_cast<std::size_t>(top_ - data_.get()); }
    const T* data() const { return data_.get(); }
    void shrink(std::size_t size) { top_ = data_.get() + size; }

  private:
    [[gnu::noinline]] void grow() {
        const std::size_t size = this->size();
        const std::size_t capacity = std::max<std::size_t>(64, 2 * size);
        std::unique_ptr<T[]> bigger(new T[capacity]);
        std::copy_n(data_.get(), size, bigger.get());
        data_ = std::move(bigger);
        top_ = data_.get() + size;
        end_ = data_.get() + capacity;
    }

    std::unique_ptr<T[]> data_;
    T* top_ = nullptr;
    T* end_ = nullptr;
};

class Parser {
  public:
    explicit Parser(XmlDocument& doc) : doc_(doc), end_(doc.bytes.size()), pos_(1) {}
    bool run();
    const ParseResult& result() const { return result_; }

  private:
    const unsigned char* bytes() const {
        return reinterpret_cast<const unsigned char*>(doc_.bytes.data());
    }
    std::string_view view(std::size_t from, std::size_t to) const {
        return {doc_.bytes.data() + from, to - from};
    }
    std::string_view view(Span run) const { return {doc_.bytes.data() + run.offset, run.length}; }
    [[gnu::noinline]] Step next(Token& t);
    Step scanToken(Token& t);
    // Kept out of the tight loop, which runs better with fewer values to keep in registers.
    [[gnu::noinline]] Step general(Token& t, std::size_t at);
    [[gnu::noinline]] Step withText(Token& t, std::size_t at, std::size_t lt, std::size_t first,
                                    std::size_t nameEnd, std::size_t gt);
    [[gnu::noinline]] std::size_t plainTextEnd(std::size_t from) const;
    [[gnu::noinline]] std::size_t tagAttributes(std::size_t j, std::size_t first);
    [[gnu::noinline]] bool named(std::size_t first, std::string_view name) const;
    Step nextGeneral(Token& t);
    bool splitTag(std::size_t lt, std::size_t gt, Token& t) const;
    [[gnu::noinline]] Step readText(std::size_t gt, Token& t);
    Step readCdata(std::size_t lt, Token& t);
    enum class Quick { Done, Duplicate, Unusual };
    Quick quickAttributes(std::string_view text);
    bool generalAttributes(const Token& t);
    bool take(const Token& t);
    [[gnu::always_inline]] inline void addElement(Span name, Span value, std::uint8_t flags,
                                                  std::size_t attributes);
    [[gnu::always_inline]] inline bool closeElement(std::string_view endName, std::size_t lt);
    [[gnu::always_inline]] inline void closeTop(XmlNode& node);
    [[gnu::noinline]] void closeRun(XmlNode& node, std::uint32_t index);
    [[gnu::always_inline]] inline void joinParent(std::uint32_t index);
    // Records the first failure: `at` is an offset in the byte store (0: the input as a whole).
    Step fail(ParseStatus why, std::size_t at) {
        if (result_.ok()) result_ = {why, at == 0 ? 0 : doc_.comments.toInput(at - 1)};
        return Step::Fail;
    }
    bool refuse(ParseStatus why, std::size_t at) {
        fail(why, at);
        return false;
    }
    bool endFailure(ParseStatus why, std::size_t at);
    Span keep(std::string_view text, bool inStore) {
        if (text.empty()) return Span{};
        if (!inStore) return copy(text);
        const auto offset = static_cast<std::size_t>(text.data() - doc_.bytes.data());
        return Span{static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(text.size())};
    }
    Span copy(std::string_view text);
    // The span of a run of the working input.
    Span here(std::size_t from, std::size_t to) const {
        return Span{static_cast<std::uint32_t>(from), static_cast<std::uint32_t>(to - from)};
    }

    XmlDocument& doc_;
    const std::size_t end_;  // end of the working input in the byte store
    std::size_t pos_;
    // The innermost open element (kNoNode: none), and where it stands (null: none). While an
    // element is open, its child fields say where it stands instead: firstChild holds its
    // parent (the open element before it) and childCount how many of its children have closed.
    // Those stand on top of the pending stack, where an element joins its parent's children when
    // it closes; when the parent closes they move to the children array as one run, so the runs
    // are laid out without a pass after the parse, and no stack as deep as the nesting is needed.
    std::uint32_t open_ = kNoNode;
    XmlNode* openNode_ = nullptr;
    Stack<std::uint32_t> pending_;
    std::vector<AttributePieces> pieces_;
    std::size_t tokenAttributes_ = 0;  // the attribute array's size when the token began
    TextBuffer token_;
    ElementParts parts_;
    bool overflow_ = false;
    std::size_t openTag_ = 0;  // the '<' of a tag that the input ends in (0: none)
    ParseResult result_;
};

inline std::uint64_t Load8(const char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline std::uint32_t Load4(const char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Short names compare as two overlapping words that cover them: no loop whose exit depends on
// the length, and no library call for the usual few bytes.
[[gnu::always_inline]] inline bool SameName(std::string_view a, std::string_view b) {
    const std::size_t n = a.size();
    if (n != b.size()) return false;
    const char* x = a.data();
    const char* y = b.data();
    if (n >= 8) {
        if (n > 16) return a == b;
        return ((Load8(x) ^ Load8(y)) | (Load8(x + n - 8) ^ Load8(y + n - 8))) == 0;
    }
    if (n >= 4) return ((Load4(x) ^ Load4(y)) | (Load4(x + n - 4) ^ Load4(y + n - 4))) == 0;
    if (n == 0) return true;
    return ((x[0] ^ y[0]) | (x[n / 2] ^ y[n / 2]) | (x[n - 1] ^ y[n - 1])) == 0;  // 1 to 3 bytes
}

bool Parser::closeElement(std::string_view endName, std::size_t lt) {
    if (openNode_ == nullptr) return refuse(ParseStatus::EndTagWithoutStart, lt);
    if (!SameName(endName, doc_.text(openNode_->name))) {  // nothing is renamed yet
        return refuse(ParseStatus::EndTagMismatch, lt);
    }
    closeTop(*openNode_);
    return true;
}

// Makes the closed element `index` the latest child of the open one, if any.
void Parser::joinParent(std::uint32_t index) {
    if (openNode_ == nullptr) return;
    ++openNode_->childCount;
    pending_.push_back(index);
}

// Closes the innermost open element, `node`: its children move from the pending stack, and it
// joins its parent's. Most elements have no child or one (every level of a deep chain): those
// need no run copied.
void Parser::closeTop(XmlNode& node) {
    const std::uint32_t index = open_;
    const std::uint32_t parent = node.firstChild;
    const std::uint32_t count = node.childCount;
    open_ = parent;
    openNode_ = parent == kNoNode ? nullptr : &doc_.nodes[parent];
    if (count > 1) return closeRun(node, index);
    if (count == 0) {
        node.firstChild = 0;
        joinParent(index);
        return;
    }
    node.firstChild = static_cast<std::uint32_t>(doc_.children.size());
    doc_.children.push_back(pending_.back());
    if (openNode_ != nullptr) {
        ++openNode_->childCount;
        pending_.back() = index;
    } else {
        pending_.pop_back();
    }
}

// Whether the end tag at `lt` in the working input `s` is "</" + `name` (a run of `s`, the
// innermost open element's name, never empty) + '>', with that name of plain bytes as the tight
// loop reads it.
[[gnu::always_inline]] inline bool QuickEndTag(const unsigned char* s, std::size_t lt, Span name) {
    const unsigned char* tag = s + lt + 2;
    const unsigned char* x = s + name.offset;
    std::size_t k = 0;
    // The zero byte after the input is not a plain byte: the scan stops there at the latest.
    do {
        if (tag[k] != x[k] || !Is(tag[k], kPlainName)) return false;
    } while (++k < name.length);
    return tag[k] == '>';
}

// Appends an element whose attributes are the last `attributes` ones in the array, as a child of
// the open element (or as the root), and opens it unless it closes itself.
void Parser::addElement(Span name, Span value, std::uint8_t flags, std::size_t attributes) {
    // Every element takes at least three bytes of the input ('<', a name byte, '>'), so the
    // largest input cannot make kNoNode elements.
    static_assert(kMaxInput / 3 < kNoNode);
    const auto index = static_cast<std::uint32_t>(doc_.nodes.size());
    if (open_ == kNoNode) doc_.root = index;
    const auto first = static_cast<std::uint32_t>(doc_.attributes.size() - attributes);
    const auto count = static_cast<std::uint32_t>(attributes);
    XmlNode& node = doc_.nodes.append();  // written whole: a few wide stores
    if (flags & XmlNode::kSelfClosing) {
        node = XmlNode{name, value, first, count, 0, 0, flags};
        joinParent(index);
    } else {
        node = XmlNode{name, value, first, count, open_, 0, flags};
        open_ = index;
        openNode_ = &node;
    }
}

}  // namespace quillon::xml::load
