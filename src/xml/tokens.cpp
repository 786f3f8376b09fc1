#include "xml/tokens.h"

#include "xml/attributes.h"
#include "xml/grammar.h"

namespace quillon::xml {

namespace {

constexpr std::string_view kCdataOpen = "<![CDATA[";
constexpr std::string_view kCdataClose = "]]>";

// Appends the two-byte character that starts at `i` and steps past it; false when the input
// ends after its lead byte.
bool AppendPair(std::string_view in, std::size_t& i, TextBuffer& token) {
    if (i + 1 >= in.size()) return false;
    token.append(in[i]);
    token.append(in[i + 1]);
    i += 2;
    return true;
}

// The outer scan: text before the tag and the tag itself. `i` ends just past the tag's '>'.
TokenStep ScanTag(std::string_view in, std::size_t& i, TextBuffer& token, TokenPlace& place) {
    bool quote = false, inTag = false, skip = false;
    std::size_t lt = 0;
    while (i < in.size()) {
        const char c = in[i];
        if (quote) {
            token.append(c);
            quote = c != '"';
            ++i;
        } else if (c == '"') {
            token.append(c);
            quote = true;
            ++i;
        } else if (Is(static_cast<unsigned char>(c), kLead)) {
            if (!AppendPair(in, i, token)) return place.fail(ParseStatus::EndInsideTag, i);
        } else if (c == '<') {
            if (inTag) return place.fail(ParseStatus::LtInsideTag, i);
            if (i + 1 >= in.size()) return place.fail(ParseStatus::EndInsideTag, i);
            inTag = true;
            lt = i;
            skip = in[i + 1] == '!' || in[i + 1] == '?';
            if (!skip) token.append(c);
            ++i;
        } else if (c == '>') {
            if (!inTag || token.empty()) return place.fail(ParseStatus::GtOutsideTag, i);
            ++i;
            if (!skip) {
                token.append(c);
                place.tagStart = lt;
                return TokenStep::Token;
            }
            token.clear();
            inTag = skip = false;
        } else {
            token.append(c);
            ++i;
        }
    }
    if (inTag) place.openTag = lt;
    return TokenStep::NoMore;
}

// The element text after a start or end tag, up to and including the next tag's '<'.
TokenStep ScanText(std::string_view in, std::size_t& i, TextBuffer& token, TokenPlace& place) {
    bool skip = false, cdata = false;
    while (i < in.size()) {
        const char c = in[i];
        if (skip) {
            skip = c != '>';
            i += Is(static_cast<unsigned char>(c), kLead) ? 2 : 1;
        } else if (cdata) {
            if (in.substr(i, 3) == kCdataClose) {
                token.append(kCdataClose);
                cdata = false;
                i += 3;
            } else {
                token.append(c);
                ++i;
            }
        } else if (Is(static_cast<unsigned char>(c), kLead)) {
            if (!AppendPair(in, i, token)) return place.fail(ParseStatus::UnclosedElement, i);
        } else if (c == '<') {
            if (i + 1 >= in.size() || in[i + 1] != '!') {
                token.append(c);
                return TokenStep::Token;  // the next token starts on this '<'
            }
            if (in.substr(i, kCdataOpen.size()) == kCdataOpen) {
                token.append(kCdataOpen);
                cdata = true;
                i += kCdataOpen.size();
            } else {
                skip = true;
                ++i;
            }
        } else if (c == '>') {
            return place.fail(ParseStatus::GtOutsideTag, i);
        } else {
            token.append(c);
            ++i;
        }
    }
    i = in.size();
    return TokenStep::Token;
}

}  // namespace

TokenStep NextToken(std::string_view input, std::size_t& pos, TextBuffer& token,
                    TokenPlace& place) {
    token.clear();
    place = TokenPlace{};
    std::size_t i = pos;
    const TokenStep tag = ScanTag(input, i, token, place);
    if (tag != TokenStep::Token) {
        if (tag == TokenStep::NoMore) pos = input.size();
        return tag;
    }
    if (token.text() == "</>") return place.fail(ParseStatus::BadName, place.tagStart);
    if (!token.endsWith("/>")) {
        if (ScanText(input, i, token, place) == TokenStep::Fail) return TokenStep::Fail;
    }
    pos = i;
    return TokenStep::Token;
}

namespace {

struct Splitter {
    TextBuffer w;
    bool quote = false, nameMode = false, attributeMode = false;

    // A tag space in name mode ends the name; false when the name is empty.
    bool endName(ElementParts& out) {
        if (w.empty()) return false;
        out.name = w.take();
        w.clear();
        nameMode = false;
        attributeMode = true;
        return true;
    }
    // '>' or "/>": the name or the attribute text ends here.
    void endTag(ElementParts& out) {
        if (nameMode) {
            out.name = w.take();
        } else if (attributeMode) {
            out.attributes = w.take();
        } else {
            return;
        }
        w.clear();
        nameMode = attributeMode = false;
    }
};

bool SplitSelfClosing(std::string_view t, ElementParts& out) {
    Splitter s;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const char c = t[i];
        if (c == '"') {
            s.quote = !s.quote;
            s.w.append(c);
        } else if (s.quote) {
            s.w.append(c);
        } else if (Is(static_cast<unsigned char>(c), kLead)) {
            s.w.append(c);
            if (i + 1 < t.size()) s.w.append(t[++i]);
        } else if (c == '<') {
            s.w.clear();
            s.nameMode = true;
        } else if (s.nameMode && Is(static_cast<unsigned char>(c), kTagSpace)) {
            if (!s.endName(out)) return false;
        } else if (c == '/' && i + 1 < t.size() && t[i + 1] == '>') {
            s.endTag(out);
        } else {
            s.w.append(c);
        }
    }
    return true;
}

bool SplitWithText(std::string_view t, ElementParts& out) {
    Splitter s;
    bool content = false, cdataMode = false;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const char c = t[i];
        if (!content && c == '"') {
            s.quote = !s.quote;
            s.w.append(c);
        } else if (!content && s.quote) {
            s.w.append(c);
        } else if (cdataMode) {
            if (t.substr(i, 3) == kCdataClose) {
                cdataMode = false;
                i += 2;
            } else {
                s.w.append(c);
            }
        } else if (Is(static_cast<unsigned char>(c), kLead)) {
            s.w.append(c);
            if (i + 1 < t.size()) s.w.append(t[++i]);
        } else if (c == '<') {
            if (content && i + 8 < t.size() && t.substr(i, kCdataOpen.size()) == kCdataOpen) {
                cdataMode = out.cdata = true;
                s.w.clear();
                i += kCdataOpen.size() - 1;
            } else if (i + 1 == t.size()) {
                s.w.trim();
                out.value = s.w.take();
                break;
            } else {
                s.w.clear();
                s.nameMode = true;
            }
        } else if (s.nameMode && Is(static_cast<unsigned char>(c), kTagSpace)) {
            if (!s.endName(out)) return false;
        } else if (c == '>') {
            s.endTag(out);
            content = true;
        } else if (!(content && out.cdata)) {
            s.w.append(c);
        }
    }
    return true;
}

}  // namespace

bool ParseElement(std::string_view token, ElementParts& out) {
    out = ElementParts{};
    out.selfClosing = token.ends_with("/>");
    return out.selfClosing ? SplitSelfClosing(token, out) : SplitWithText(token, out);
}

}  // namespace quillon::xml
