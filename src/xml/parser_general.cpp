// The loader's general readers: every token that the tight loop in parser.cpp hands on, read as
// the rules are written (the comment at the top of parser.cpp says which reader reads what).
#include <limits>

#include "xml/loader.h"
#include "xml/scan.h"

namespace quillon::xml::load {
namespace {

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

}  // namespace

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
               doc_.attributes.size() - tokenAttributes_);
    return true;
}

// Closes element `index`, `node`, whose parent is open again and whose children (more than one)
// stand at the top of the pending stack: they move to the children array as one run, and the
// element joins its parent's children.
void Parser::closeRun(XmlNode& node, std::uint32_t index) {
    const std::size_t count = node.childCount;
    const std::size_t mark = pending_.size() - count;
    node.firstChild = static_cast<std::uint32_t>(doc_.children.size());
    doc_.children.append(pending_.data() + mark, count);
    pending_.shrink(mark);
    joinParent(index);
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

}  // namespace quillon::xml::load
