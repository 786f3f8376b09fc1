// The scan of the working input (the comment-free copy; strip.cpp removes comments first).
//
// Which reader reads what, and why there are several:
// - next() is the tight loop: it reads the common token in one pass, straight into the arrays,
//   without a Token in between: tag spaces, '<', a name of plain bytes (after '/' in an end tag),
//   name="value" attributes (tagAttributes), '>' or "/>", then plain element text up to the next
//   '<' (plainTextEnd). The usual end tag is compared with the open element's name in place
//   (quickEndTag). It covers nearly every token, so it sets the speed.
// - scanToken reads any other tag in place, as the outer scan of a token is defined: quotes,
//   two-byte characters, skipped constructs ("<?...>", "<!...>") and text before the tag.
//   splitTag cuts the tag into name and attribute text; quickAttributes reads the common
//   attribute form from there, and ParseAttributes (attributes.cpp) every other form.
// - readText and readCdata read the element text after a tag up to the next '<', in place, when
//   it is not plain (CDATA, two-byte characters before a '<' or '>', the input's end).
// - NextToken and ParseElement (tokens.cpp) read the rare token that cannot be read in place (a
//   zero byte, a skipped construct or an unusual CDATA section in element text) step by step
//   into a copy, as the rules are written; its texts go to the document's second store.
// A reader that meets what it does not handle hands the token to the next one down, from the
// token's start (next() keeps a tag it read and hands on only its text). take() turns a token
// from the lower readers into an element, as next() does for its own. Every byte class and every
// limit that they share is in grammar.h; failures say why and where through fail()
// (parse_result.h).
#include "xml/parser.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <memory>
#include <string_view>
#include <vector>

#include "xml/attributes.h"
#include "xml/grammar.h"
#include "xml/scan.h"
#include "xml/tokens.h"

namespace quillon::xml {

namespace {

enum class Step { Token, NoMore, Fail };

std::string_view TrimTagSpaces(std::string_view text) {
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

// A stack of plain values for the tight loop, which pushes and pops once per tag: a push is a
// compare and a store, and only growing leaves the loop.
template <typename T>
class Stack {
  public:
    void push_back(T value) {
        if (top_ == end_) grow();
        *top_++ = value;
    }
    void pop_back() { --top_; }
    T& back() { return top_[-1]; }
    bool empty() const { return top_ == data_.get(); }
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
    [[gnu::noinline]] Step next(Token& t);
    Step scanToken(Token& t);
    // Kept out of the tight loop, which runs better with fewer values to keep in registers.
    [[gnu::noinline]] Step general(Token& t, std::size_t at, std::size_t first);
    [[gnu::noinline]] std::size_t plainTextEnd(std::size_t from) const;
    std::size_t tagAttributes(std::size_t j, std::size_t first);
    Step nextGeneral(Token& t);
    bool splitTag(std::size_t lt, std::size_t gt, Token& t) const;
    [[gnu::noinline]] Step readText(std::size_t gt, Token& t);
    Step readCdata(std::size_t lt, Token& t);
    enum class Quick { Done, Duplicate, Unusual };
    Quick quickAttributes(std::string_view text);
    bool generalAttributes(const Token& t);
    bool take(const Token& t);
    [[gnu::always_inline]] inline void addElement(Span name, Span value, std::uint8_t flags,
                                                  std::size_t first);
    [[gnu::always_inline]] inline bool closeElement(std::string_view endName, std::size_t lt);
    [[gnu::always_inline]] inline void closeTop(XmlNode& node);
    [[gnu::always_inline]] inline std::size_t quickEndTag(std::size_t lt, Span name) const;
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
    // The innermost open element (kNoNode: none). While an element is open, its child fields
    // say where it stands instead: firstChild holds its parent (the open element before it) and
    // childCount its mark, the size of the pending stack when it opened. Its children so far
    // stand on the pending stack from that mark on; when it closes they move to the children
    // array as one run, so the runs are laid out without a pass after the parse, and no stack as
    // deep as the nesting is needed besides the pending one.
    std::uint32_t open_ = kNoNode;
    Stack<std::uint32_t> pending_;
    std::vector<AttributePieces> pieces_;
    std::size_t tokenAttributes_ = 0;  // the attribute array's size when the token began
    TextBuffer token_;
    ElementParts parts_;
    bool overflow_ = false;
    std::size_t openTag_ = 0;  // the '<' of a tag that the input ends in (0: none)
    ParseResult result_;
};

// The attributes of a tag that the one-pass reader reads, from `j` just after its name:
// name="value" pairs between tag spaces, up to '>' or "/>", straight into the attribute array.
// The tag's '>' or the '/' of its "/>"; 0 for anything else.
std::size_t Parser::tagAttributes(std::size_t j, std::size_t first) {
    const unsigned char* s = bytes();
    const std::size_t n = end_;
    // The zero byte after the input matches none of the bytes looked for below, and it stops
    // every scan (j never passes n): the input's end needs no checks of its own.
    for (;;) {
        if (s[j] == '>' || (s[j] == '/' && s[j + 1] == '>')) return j;
        if (!Is(s[j], kTagSpace)) return 0;
        while (Is(s[j], kTagSpace)) ++j;
        if (s[j] == '>' || s[j] == '/') continue;
        const std::size_t nameBegin = j;
        while (Is(s[j], kPlainName)) ++j;
        const std::size_t nameEnd = j;
        while (Is(s[j], kTagSpace)) ++j;
        if (nameEnd == nameBegin || s[j] != '=') return 0;
        ++j;
        while (Is(s[j], kTagSpace)) ++j;
        if (s[j] != '"') return 0;
        const std::size_t valueBegin = ++j;
        j = FindAny<'"', 0, 0>(s, j, n);
        if (s[j] != '"' || LeadRun(s, valueBegin, j) % 2 == 1) return 0;
        const std::size_t count = doc_.attributes.size() - first;
        if (count != 0) {
            if (count >= kLinearAttributes) return 0;
            // A repeated name fails the load only once the tag is known to end: leave it to
            // the general scan.
            const std::string_view name = view(nameBegin, nameEnd);
            for (std::size_t k = first; k < first + count; ++k) {
                if (doc_.text(doc_.attributes[k].name) == name) return 0;
            }
        }
        XmlAttribute& attribute = doc_.attributes.append();
        attribute.name = here(nameBegin, nameEnd);
        attribute.value = here(valueBegin, j);
        ++j;
    }
}

// The end of the element text that starts at `from` when readText would take it as it stands:
// the next tag's '<' with plain text before it. 0 when readText has more to decide.
std::size_t Parser::plainTextEnd(std::size_t from) const {
    const unsigned char* s = bytes();
    const std::size_t n = end_;
    const std::size_t j = FindAny<'<', '>', 0>(s, from, n);
    if (j >= n || s[j] != '<' || (j + 1 < n && s[j + 1] == '!')) return 0;
    return LeadRun(s, from, j) % 2 == 0 ? j : 0;
}

// The one-pass reader: takes tokens of the common form straight into the arrays, and returns the
// first token that needs the general road (take() then finishes it). A common token is tag
// spaces, '<', a name of plain bytes (after a '/' in an end tag), attributes as tagAttributes
// reads them, '>' or "/>", and plain element text up to the next tag. This loop sets the speed.
Step Parser::next(Token& t) {
    const unsigned char* const s = bytes();
    const std::size_t n = end_;
    std::size_t j = pos_;
    for (;;) {
        const std::size_t first = doc_.attributes.size();
        const std::size_t at = j;  // where the token starts
        if (s[j] != '<') {
            while (Is(s[j], kTagSpace)) ++j;  // the zero byte after the input stops it
            if (s[j] != '<') return general(t, at, first);
        }
        const std::size_t lt = j;  // a '<' too near the end leaves the name empty or unended
        const bool endTag = s[lt + 1] == '/';
        if (endTag && open_ != kNoNode) {
            // The usual end tag closes the innermost element: compared with its name in place.
            XmlNode& top = doc_.nodes[open_];
            const std::size_t gt = top.name.offset < n ? quickEndTag(lt, top.name) : 0;
            if (gt != 0) {
                j = gt + 1;
                if (!(s[j] == '<' && s[j + 1] != '!')) j = plainTextEnd(j);
                if (j != 0) {
                    closeTop(top);
                    continue;
                }
                j = lt;
            }
        }
        const std::size_t nameBegin = lt + (endTag ? 2 : 1);
        j = nameBegin;
        while (Is(s[j], kPlainName)) ++j;
        if (j >= n) return general(t, at, first);
        if (j == nameBegin) return general(t, at, first);
        const std::size_t nameEnd = j;
        if (s[j] != '>') {
            j = tagAttributes(j, first);
            if (j == 0) return general(t, at, first);
        }
        const bool selfClosing = s[j] == '/';
        const std::size_t gt = j + (selfClosing ? 1 : 0);
        j = gt + 1;  // the element text; a self-closing tag has none
        if (!selfClosing && !(s[j] == '<' && s[j + 1] != '!')) j = plainTextEnd(j);
        if (j == 0 || (endTag && doc_.attributes.size() != first)) {
            // The text needs readText's decisions, or an end tag's attributes are to be dropped.
            // pos_ stays at the token's start, where the step-by-step reader would begin again.
            pos_ = at;
            tokenAttributes_ = first;
            t = Token{};
            t.name = view(lt + 1, nameEnd);
            t.selfClosing = selfClosing;
            t.attributesRead = true;
            t.lt = lt;
            if (!selfClosing) return readText(gt, t);
            pos_ = gt + 1;
            return Step::Token;
        }
        if (endTag) {
            if (!closeElement(view(nameBegin, nameEnd), lt)) return Step::Fail;
            continue;
        }
        const Span value = j == gt + 1 ? Span{} : keep(TrimTagSpaces(view(gt + 1, j)), true);
        const auto flags = static_cast<std::uint8_t>(selfClosing ? XmlNode::kSelfClosing : 0);
        addElement(here(lt + 1, nameEnd), value, flags, first);
    }
}

// Hands the token that starts at `at` to the general scan.
Step Parser::general(Token& t, std::size_t at, std::size_t first) {
    pos_ = at;
    tokenAttributes_ = first;
    t = Token{};
    return scanToken(t);
}

// The token at pos_ in its general form: any text before the tag, skipped constructs, quotes and
// two-byte characters anywhere.
Step Parser::scanToken(Token& t) {
    doc_.attributes.truncate(tokenAttributes_);
    t.attributesRead = false;
    const unsigned char* s = bytes();
    const std::size_t n = end_;
    std::size_t i = pos_, start = pos_, lt = 0;
    bool quote = false, inTag = false, skip = false, zero = false;
    for (;;) {
        i = quote ? FindAny<'"', 0, 0>(s, i, n) : FindTagByte(s, i, n);
        if (i >= n) {
            if (inTag) openTag_ = lt;
            pos_ = n;
            return Step::NoMore;
        }
        const unsigned char c = s[i];
        if (quote) {
            quote = c != '"';
            zero |= c == 0;
            ++i;
        } else if (c == '"') {
            quote = true;
            ++i;
        } else if (Is(c, kLead)) {
            if (i + 1 >= n) return fail(ParseStatus::EndInsideTag, i);
            zero |= s[i + 1] == 0;
            i += 2;
        } else if (c == '<') {
            if (inTag) return fail(ParseStatus::LtInsideTag, i);
            if (i + 1 >= n) return fail(ParseStatus::EndInsideTag, i);
            inTag = true;
            skip = s[i + 1] == '!' || s[i + 1] == '?';
            lt = i++;
        } else if (c == '>') {
            if (!inTag) return fail(ParseStatus::GtOutsideTag, i);
            if (!skip) break;
            inTag = skip = zero = false;
            start = ++i;
        } else {
            zero |= c == 0;
            ++i;
        }
    }
    const std::size_t gt = i;
    if (zero) return nextGeneral(t);
    if (gt == start + 2 && s[start] == '<' && s[start + 1] == '/') {  // "</>"
        return fail(ParseStatus::BadName, lt);
    }
    t.lt = lt;
    t.name = std::string_view();
    t.selfClosing = s[gt - 1] == '/';
    if (!splitTag(lt + 1, gt, t)) return fail(ParseStatus::BadName, lt);
    if (t.selfClosing) {
        pos_ = gt + 1;
        return Step::Token;
    }
    return readText(gt, t);
}

// Name and attribute text of the tag between `lt` (just after '<') and `gt` (its '>').
bool Parser::splitTag(std::size_t a, std::size_t gt, Token& t) const {
    const unsigned char* s = bytes();
    bool quote = false;
    std::size_t i = a;
    for (; i < gt; ++i) {
        const unsigned char c = s[i];
        if (quote) {
            quote = c != '"';
        } else if (c == '"') {
            quote = true;
        } else if (Is(c, kLead)) {
            ++i;
        } else if (Is(c, kTagSpace)) {
            if (i == a) return false;  // empty element name
            break;
        } else if (t.selfClosing && c == '/' && i + 1 == gt) {
            t.name = view(a, i);
            return true;
        }
    }
    if (i >= gt) {  // the name runs to the end of the tag
        if (!t.selfClosing) t.name = view(a, gt);
        return true;
    }
    t.name = view(a, i);
    const std::size_t from = i + 1;
    if (!t.selfClosing) {
        t.attributes = view(from, gt);
        return true;
    }
    // The attribute text ends at the final "/>" only when its '/' is a character of its own, not
    // the second byte of a two-byte character (quotes cannot hide it: the '>' after it is not).
    if (LeadRun(s, from, gt - 1) % 2 == 0) t.attributes = view(from, gt - 1);
    return true;
}

// The element text after the tag's '>' at `gt`, up to the next tag's '<'. Two-byte characters
// are stepped over in bulk: a '<' or '>' found by the byte search is the second byte of a
// character exactly when an odd run of bytes above 0x80 stands before it.
Step Parser::readText(std::size_t gt, Token& t) {
    const unsigned char* s = bytes();
    const std::size_t n = end_;
    std::size_t from = gt + 1;  // a character boundary
    std::size_t j = from;
    if (j + 1 < n && s[j] == '<' && s[j + 1] != '!') {  // no text at all: the next tag follows
        pos_ = j;
        return Step::Token;
    }
    for (;;) {
        j = FindAny<'<', '>', 0>(s, j, n);
        const bool second = LeadRun(s, from, j) % 2 == 1;
        if (j >= n) {
            if (second) return fail(ParseStatus::UnclosedElement, n - 1);
            pos_ = n;  // cut off by the end of the input: no value
            return Step::Token;
        }
        const unsigned char c = s[j];
        if (c == 0) return nextGeneral(t);
        if (second) {
            from = ++j;
            continue;
        }
        if (c == '>') return fail(ParseStatus::GtOutsideTag, j);
        if (j + 1 < n && s[j + 1] == '!') {
            if (view(j, std::min(n, j + kCdataOpen.size())) != kCdataOpen) return nextGeneral(t);
            return readCdata(j, t);
        }
        t.value = view(gt + 1, j);  // trimmed when kept: an end tag's text is dropped
        pos_ = j;
        return Step::Token;
    }
}

// A CDATA section opening at `lt` in element text: the value is its trimmed content, as long as
// the element text after it holds only plain one-byte text up to the next tag. Anything else
// (text that still counts after the section, a second section, a zero byte, a section cut off by
// the end) is left to the general scanner.
Step Parser::readCdata(std::size_t lt, Token& t) {
    const unsigned char* s = bytes();
    const std::size_t n = end_;
    const std::size_t begin = lt + kCdataOpen.size();
    const std::size_t end = view(0, n).find(kCdataClose, begin);
    if (end == std::string_view::npos || std::memchr(s + begin, 0, end - begin) != nullptr) {
        return nextGeneral(t);
    }
    const std::size_t after = end + kCdataClose.size();
    const std::size_t j = FindAny<'<', '>', 0>(s, after, n);
    for (std::size_t k = after; k < j; ++k) {
        if (Is(s[k], kLead)) return nextGeneral(t);
    }
    if (j >= n || s[j] == 0 || (s[j] == '<' && j + 1 < n && s[j + 1] == '!')) return nextGeneral(t);
    if (s[j] == '>') return fail(ParseStatus::GtOutsideTag, j);
    t.value = view(begin, end);
    t.cdata = true;
    pos_ = j;
    return Step::Token;
}

Step Parser::nextGeneral(Token& t) {
    doc_.attributes.truncate(tokenAttributes_);  // the token is read again from its start
    TokenPlace place;
    const TokenStep step = NextToken(view(0, end_), pos_, token_, place);
    if (step == TokenStep::NoMore) {
        if (place.openTag != TokenPlace::kNowhere) openTag_ = place.openTag;
        return Step::NoMore;
    }
    if (step == TokenStep::Fail) return fail(place.failure, place.at);
    if (!ParseElement(token_.text(), parts_)) return fail(ParseStatus::BadName, place.tagStart);
    t = Token{parts_.name,  parts_.value, parts_.attributes, false, parts_.selfClosing,
              parts_.cdata, false,        place.tagStart};
    return Step::Token;
}

// A span for scratch text, copied into the second store.
Span Parser::copy(std::string_view text) {
    if (text.empty()) return Span{};
    const std::size_t split = doc_.bytes.size();
    if (split + doc_.extra.size() + text.size() >= std::numeric_limits<std::uint32_t>::max()) {
        overflow_ = true;
        return Span{};
    }
    const std::size_t offset = split + doc_.extra.append(text);
    return Span{static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(text.size())};
}

std::uint64_t Load8(const char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
std::uint32_t Load4(const char* p) {
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
    if (open_ == kNoNode) return refuse(ParseStatus::EndTagWithoutStart, lt);
    XmlNode& node = doc_.nodes[open_];
    if (!SameName(endName, doc_.text(node.name))) {  // nothing is renamed yet
        return refuse(ParseStatus::EndTagMismatch, lt);
    }
    closeTop(node);
    return true;
}

// Closes the innermost open element, `node`: its children move from the pending stack.
void Parser::closeTop(XmlNode& node) {
    open_ = node.firstChild;
    const std::size_t mark = node.childCount;
    const std::size_t count = pending_.size() - mark;
    node.firstChild = count == 0 ? 0 : static_cast<std::uint32_t>(doc_.children.size());
    node.childCount = static_cast<std::uint32_t>(count);
    if (count == 0) return;
    if (count == 1) {  // one child, as in every level of a deep chain: no run to copy
        doc_.children.push_back(pending_.back());
        pending_.pop_back();
        return;
    }
    doc_.children.append(pending_.data() + mark, count);
    pending_.shrink(mark);
}

// The end of the end tag at `lt` when it is "</" + `name` (a run of the working input, the
// innermost open element's name) + '>' and that name is of plain bytes, as the tight loop would
// read it; 0 otherwise.
std::size_t Parser::quickEndTag(std::size_t lt, Span name) const {
    const unsigned char* s = bytes() + lt + 2;
    const unsigned char* x = bytes() + name.offset;
    std::size_t k = 0;
    // The zero byte after the input is not a plain byte: the scan stops there at the latest.
    while (k < name.length && s[k] == x[k] && Is(s[k], kPlainName)) ++k;
    return k == name.length && s[k] == '>' ? lt + 2 + k : 0;
}

// The attribute text of the common form, name="value" pairs between tag spaces, read straight
// into the attribute array. Unusual: anything else (bare names, unquoted or unterminated values,
// two-byte characters in names, a quote taken as the second byte of a character, many
// attributes), which the general ParseAttributes reads instead.
Parser::Quick Parser::quickAttributes(std::string_view text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    const std::size_t first = doc_.attributes.size();
    std::size_t i = 0;
    for (;;) {
        while (i < n && Is(s[i], kTagSpace)) ++i;
        if (i == n) return Quick::Done;
        const std::size_t nameBegin = i;
        while (i < n && !Is(s[i], kLead | kAttributeMark)) ++i;
        const std::size_t nameEnd = i;
        while (i < n && Is(s[i], kTagSpace)) ++i;
        if (nameEnd == nameBegin || i == n || s[i] != '=') return Quick::Unusual;
        ++i;
        while (i < n && Is(s[i], kTagSpace)) ++i;
        if (i == n || s[i] != '"') return Quick::Unusual;
        const std::size_t valueBegin = ++i;
        const void* quote = std::memchr(s + i, '"', n - i);
        if (quote == nullptr) return Quick::Unusual;
        i = static_cast<std::size_t>(static_cast<const unsigned char*>(quote) - s);
        if (LeadRun(s, valueBegin, i) % 2 == 1) return Quick::Unusual;
        const std::string_view name = text.substr(nameBegin, nameEnd - nameBegin);
        const std::size_t count = doc_.attributes.size() - first;
        if (count >= kLinearAttributes) return Quick::Unusual;
        for (std::size_t k = first; k < doc_.attributes.size(); ++k) {
            if (doc_.text(doc_.attributes[k].name) == name) return Quick::Duplicate;
        }
        doc_.attributes.push_back(
            {keep(name, true), keep(text.substr(valueBegin, i - valueBegin), true)});
        ++i;
    }
}

// A name is kept only when the writer, which puts it out as it stands, gives text that reads back
// as the same name: an element name is not empty, does not start like a skipped construct or an
// end tag, and holds no '<', '>' or tag space outside its (balanced) quotes; an attribute name
// holds no '<' or '>'. Names of plain bytes, as the one-pass tag reader takes them, always pass.
bool WritableElementName(std::string_view name) {
    if (name.empty() || name[0] == '!' || name[0] == '?' || name[0] == '/') return false;
    bool quote = false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (Is(c, kLead)) {
            ++i;
        } else if (c == '"') {
            quote = !quote;
        } else if (!quote && (c == '<' || c == '>' || Is(c, kTagSpace))) {
            return false;
        }
    }
    return !quote;
}

bool WritableAttributeName(std::string_view name) {
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (Is(c, kLead)) {
            ++i;
        } else if (c == '<' || c == '>') {
            return false;
        }
    }
    return true;
}

bool Parser::generalAttributes(const Token& t) {
    pieces_.clear();
    if (!ParseAttributes(t.attributes, pieces_)) return false;
    const bool endTag = !t.name.empty() && t.name[0] == '/';  // its attributes are not kept
    for (const AttributePieces& p : pieces_) {
        if (!endTag && !WritableAttributeName(p.name.view(t.attributes))) return false;
        XmlAttribute a;
        a.name = keep(p.name.view(t.attributes), t.inStore && !p.name.owned);
        a.value =
            p.bare ? Span{0, 1} : keep(p.value.view(t.attributes), t.inStore && !p.value.owned);
        doc_.attributes.push_back(a);
    }
    return true;
}

bool Parser::take(const Token& t) {
    const std::size_t first = tokenAttributes_;
    if (!t.attributesRead && !t.attributes.empty()) {
        const Quick quick = t.inStore ? quickAttributes(t.attributes) : Quick::Unusual;
        if (quick == Quick::Duplicate) return refuse(ParseStatus::BadAttribute, t.lt);
        if (quick == Quick::Unusual) {
            doc_.attributes.truncate(first);
            if (!generalAttributes(t)) return refuse(ParseStatus::BadAttribute, t.lt);
        }
    }
    if (!t.name.empty() && t.name[0] == '/') {
        doc_.attributes.truncate(first);  // an end tag's attributes are checked, never kept
        return closeElement(t.name.substr(1), t.lt);
    }

    if (!t.attributesRead && !WritableElementName(t.name)) {
        return refuse(ParseStatus::BadName, t.lt);
    }
    const Span name = keep(t.name, t.inStore);
    const Span value = keep(TrimTagSpaces(t.value), t.inStore);  // again, when already trimmed

    if (overflow_) return refuse(ParseStatus::TooLarge, 0);
    if (!t.inStore) {
        const auto index = static_cast<std::uint32_t>(doc_.nodes.size());
        doc_.tagStarts.emplace_back(index, static_cast<std::uint32_t>(t.lt));
    }
    addElement(name, value,
               static_cast<std::uint8_t>((t.selfClosing ? XmlNode::kSelfClosing : 0) |
                                         (t.cdata ? XmlNode::kCdata : 0)),
               tokenAttributes_);
    return true;
}

// Appends an element whose attributes stand in the array from `first` on, as a child of the open
// element (or as the root), and opens it unless it closes itself.
void Parser::addElement(Span name, Span value, std::uint8_t flags, std::size_t first) {
    // Every element takes at least three bytes of the input ('<', a name byte, '>'), so the
    // largest input cannot make kNoNode elements.
    static_assert(kMaxInput / 3 < kNoNode);
    const auto index = static_cast<std::uint32_t>(doc_.nodes.size());
    if (open_ == kNoNode) {
        doc_.root = index;
    } else {
        pending_.push_back(index);
    }
    const auto attributes = static_cast<std::uint32_t>(doc_.attributes.size() - first);
    XmlNode& node = doc_.nodes.append();  // written whole: a few wide stores
    if (flags & XmlNode::kSelfClosing) {
        node = XmlNode{name, value, static_cast<std::uint32_t>(first), attributes, 0, 0, flags};
    } else {
        node = XmlNode{name,       value, static_cast<std::uint32_t>(first),
                       attributes, open_, static_cast<std::uint32_t>(pending_.size()),
                       flags};
        open_ = index;
    }
}

// The input ended too early: a comment left open, or a tag, explains it best.
bool Parser::endFailure(ParseStatus why, std::size_t at) {
    const std::size_t comment = doc_.comments.unclosed;
    if (comment != CommentMap::kNowhere) {
        result_ = {ParseStatus::EndInsideComment, comment};
        return false;
    }
    if (openTag_ != 0) return refuse(ParseStatus::EndInsideTag, openTag_);
    return refuse(why, at);
}

bool Parser::run() {
    if (end_ <= 1) return refuse(ParseStatus::EmptyInput, 0);
    Token t;
    for (;;) {
        const Step step = next(t);
        if (step == Step::Fail) return false;
        if (step == Step::NoMore) break;
        if (!take(t)) return false;
    }
    // Every token makes an element or closes one (an end tag with none open fails).
    if (doc_.nodes.empty()) return endFailure(ParseStatus::NoElement, 0);
    if (open_ != kNoNode) return endFailure(ParseStatus::UnclosedElement, doc_.tagStart(open_));
    return true;
}

}  // namespace

bool ParseDocument(XmlDocument& doc, ParseResult& result) {
    // A zero byte just past the working input stops the name scans without a bound check.
    doc.bytes.reserve(doc.bytes.size() + 1);
    doc.bytes.data()[doc.bytes.size()] = '\0';
    Parser parser(doc);
    if (parser.run()) {
        result = ParseResult{};
        return true;
    }
    result = parser.result();
    doc.root = kNoNode;
    return false;
}

}  // namespace quillon::xml
