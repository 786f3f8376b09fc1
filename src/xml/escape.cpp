// Entity handling: the tree keeps texts escaped; callers' texts are escaped on the way in and
// stored texts unescaped on the way out.
#include <array>

#include "xml/text_buffer.h"
#include "xml/xml_tree.h"

namespace quillon::xml {

Text EscapeText(std::string_view text) {
    text = TextOf(text);
    Text out;
    out.reserve(text.size() + text.size() / 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (isLeadByte(static_cast<unsigned char>(c))) {
            out.push_back(c);
            if (i + 1 < text.size()) out.push_back(text[++i]);
            continue;
        }
        switch (c) {
            case '"':
                out += "&quot;";
                break;
            case '&':
                out += "&amp;";
                break;
            case '\'':
                out += "&apos;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

namespace {

struct Entity {
    std::string_view reference;
    char character;
};
constexpr std::array<Entity, 6> kEntities{{{"&lt;", '<'},
                                           {"&gt;", '>'},
                                           {"&amp;", '&'},
                                           {"&apos;", '\''},
                                           {"&quot;", '"'},
                                           {"&quote;", '"'}}};

void ResolveInto(Text& out, std::string_view reference) {
    for (const Entity& e : kEntities) {
        if (e.reference == reference) {
            out.push_back(e.character);
            return;
        }
    }
    out += reference;
}

}  // namespace

Text UnescapeText(std::string_view text) {
    text = TextOf(text);
    if (text.find('&') == std::string_view::npos) return Text(text);
    Text out;
    out.reserve(text.size());
    // A pending reference is the run text[pending, i): it always starts with '&'.
    constexpr std::size_t kNone = std::string_view::npos;
    std::size_t pending = kNone;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (isLeadByte(static_cast<unsigned char>(c))) {
            if (pending != kNone) out += text.substr(pending, i - pending);
            pending = kNone;
            out.push_back(c);
            if (i + 1 < text.size()) out.push_back(text[++i]);
        } else if (c == '&') {
            if (pending != kNone) out += text.substr(pending, i - pending);
            pending = i;
        } else if (c == ';' && pending != kNone) {
            ResolveInto(out, text.substr(pending, i + 1 - pending));
            pending = kNone;
        } else if (pending == kNone) {
            out.push_back(c);
        }
    }
    if (pending != kNone) out += text.substr(pending);
    return out;
}

}  // namespace quillon::xml
