// The scan of the working input (the comment-free copy; strip.cpp removes comments first). The
// loader's state and the steps both readers share (adding and closing elements) are in loader.h.
//
// Which reader reads what, and why there are several:
// - next() is the tight loop: it reads the common token in one pass, straight into the arrays,
//   without a Token in between: tag spaces, '<', a name of plain bytes, name="value" attributes
//   (tagAttributes), '>' or "/>", then plain element text up to the next '<' (plainTextEnd). The
//   usual end tag is compared with the open element's name in place (QuickEndTag); any other end
//   tag goes to the general readers. It covers nearly every token, so it sets the speed.
// The general readers, in parser_general.cpp:
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

#include "xml/loader.h"
#include "xml/scan.h"

namespace quillon::xml {
namespace load {

// The attributes of a tag that the one-pass reader reads, from `j` just after its name:
// name="value" pairs between tag spaces, up to '>' or "/>", straight into the attribute array.
// The tag's '>' or the '/' of its "/>"; 0 for anything else.
std::size_t Parser::tagAttributes(std::size_t j, std::size_t first) {
    const unsigned char* s = bytes();
    const std::size_t n = end_;
    // The zero byte after the input matches none of the bytes looked for below, and it stops
    // every scan (j never passes n): the input's end needs no checks of its own.
    std::uint64_t seen = 0;  // a mark for each name so far, see below
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
        // A repeated name fails the load only once the tag is known to end: leave it to the
        // general scan. Names are compared only when their length and outer bytes have met
        // in this tag before.
        const std::uint64_t mark =
            std::uint64_t(1) << ((nameEnd - nameBegin) * 8 + s[nameBegin] + s[nameEnd - 1]) % 64;
        if ((seen & mark) != 0 && named(first, view(nameBegin, nameEnd))) return 0;
        seen |= mark;
        XmlAttribute& attribute = doc_.attributes.append();
        attribute.name = here(nameBegin, nameEnd);
        attribute.value = here(valueBegin, j);
        ++j;
    }
}

// Whether the tag whose attributes start at `first` in the array has one called `name` already,
// or has as many as the one-pass reader compares with (the general reader hashes them).
bool Parser::named(std::size_t first, std::string_view name) const {
    const std::size_t end = doc_.attributes.size();
    if (end - first >= kLinearAttributes) return true;
    for (std::size_t k = first; k < end; ++k) {
        const Span other = doc_.attributes[k].name;  // a run of the working input
        if (SameName(view(other), name)) return true;
    }
    return false;
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
// spaces, '<', a name of plain bytes, attributes as tagAttributes reads them, '>' or "/>", and
// plain element text up to the next tag; or the end tag of the innermost open element, as
// QuickEndTag reads it, and plain text after it. This loop sets the speed: start and end tags
// take separate roads, and whatever either does not take leaves the loop.
Step Parser::next(Token& t) {
    const unsigned char* const s = bytes();
    std::size_t j = pos_;
    for (;;) {
        const std::size_t at = j;  // where the token starts
        if (s[j] != '<') {
            while (Is(s[j], kTagSpace)) ++j;  // the zero byte after the input stops it
            if (s[j] != '<') return general(t, at);
        }
        const std::size_t lt = j;  // a '<' at the end leaves the name empty: the zero byte
        if (s[lt + 1] == '/') {
            // The usual end tag closes the innermost element: compared with its name in place.
            if (openNode_ == nullptr) return general(t, at);
            XmlNode& top = *openNode_;
            if (top.name.offset >= end_ || !QuickEndTag(s, lt, top.name)) return general(t, at);
            j = lt + 3 + top.name.length;
            if (!(s[j] == '<' && s[j + 1] != '!')) {
                while (Is(s[j], kTagSpace)) ++j;  // the usual line break and indentation
                if (!(s[j] == '<' && s[j + 1] != '!')) j = plainTextEnd(j);
                if (j == 0) return general(t, at);
            }
            closeTop(top);
            continue;
        }
        // An empty name, or one the input's end cuts off (the zero byte after it is neither
        // '>' nor a tag space), goes to the general road.
        j = lt + 1;
        if (!Is(s[j], kPlainName)) return general(t, at);
        do ++j;
        while (Is(s[j], kPlainName));
        const std::size_t nameEnd = j;
        if (s[j] == '>' && s[j + 1] == '<' && s[j + 2] != '!') {  // no attributes, no text
            addElement(here(lt + 1, nameEnd), Span{}, 0, 0);
            j += 1;
            continue;
        }
        std::size_t read = 0;  // attributes of the tag, the last ones in the array
        if (s[j] != '>') {
            const std::size_t first = doc_.attributes.size();
            j = tagAttributes(j, first);
            if (j == 0) {
                doc_.attributes.truncate(first);
                return general(t, at);
            }
            read = doc_.attributes.size() - first;
        }
        if (s[j] == '/') {  // "/>": no text of its own
            addElement(here(lt + 1, nameEnd), Span{}, XmlNode::kSelfClosing, read);
            j += 2;
            continue;
        }
        const std::size_t gt = j;
        Span value{};
        j = gt + 1;
        if (!(s[j] == '<' && s[j + 1] != '!')) {
            j = plainTextEnd(j);
            if (j == 0) return withText(t, at, lt, doc_.attributes.size() - read, nameEnd, gt);
            value = keep(TrimTagSpaces(view(gt + 1, j)), true);
        }
        addElement(here(lt + 1, nameEnd), value, 0, read);
    }
}

// Hands the start tag that starts at `at`, read up to its '>' at `gt`, to readText for its text.
// pos_ stays at the token's start, where the step-by-step reader would begin again.
Step Parser::withText(Token& t, std::size_t at, std::size_t lt, std::size_t first,
                      std::size_t nameEnd, std::size_t gt) {
    pos_ = at;
    tokenAttributes_ = first;
    t = Token{};
    t.name = view(lt + 1, nameEnd);
    t.attributesRead = true;
    t.lt = lt;
    return readText(gt, t);
}

// Hands the token that starts at `at`, none of whose attributes stay in the array, to the general
// scan.
Step Parser::general(Token& t, std::size_t at) {
    pos_ = at;
    tokenAttributes_ = doc_.attributes.size();
    t = Token{};
    return scanToken(t);
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

}  // namespace load

bool ParseDocument(XmlDocument& doc, ParseResult& result) {
    // A zero byte just past the working input stops the name scans without a bound check.
    doc.bytes.reserve(doc.bytes.size() + 1);
    doc.bytes.data()[doc.bytes.size()] = '\0';
    load::Parser parser(doc);
    if (parser.run()) {
        result = ParseResult{};
        return true;
    }
    result = parser.result();
    doc.root = kNoNode;
    return false;
}

}  // namespace quillon::xml
