// The model's scanners: comment removal, tokens, elements and attributes.
#include "reference.h"
#include "xml/xml_tree.h"

namespace quillon::xml::reference {

namespace {

bool Lead(char c) {
    return static_cast<unsigned char>(c) > 0x80;
}
bool Space(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
// A character append: a zero byte adds nothing.
void Add(std::string& s, char c) {
    if (c != 0) s += c;
}
std::string Trim(const std::string& s) {
    std::size_t a = 0, b = s.size();
    while (a < b && Space(s[a])) ++a;
    while (b > a && Space(s[b - 1])) --b;
    return s.substr(a, b - a);
}

}  // namespace

std::string StripComments(std::string_view in, char filler) {
    std::string out;
    std::size_t i = 0;
    // Reads one character (a lead byte with its partner), or nothing at the end.
    auto read = [&](std::string& ch) {
        ch.clear();
        if (i >= in.size()) return false;
        ch += in[i++];
        if (Lead(ch[0])) ch += i < in.size() ? in[i++] : filler;
        return true;
    };
    std::string c, d;
    while (read(c)) {
        if (c != "<") {
            out += c;
            continue;
        }
        if (!read(d)) {
            out += "<";
            out += filler;
            break;
        }
        if (d != "!") {
            out += "<" + d;
            continue;
        }
        if (!read(d)) {
            out += "<!";
            out += filler;
            break;
        }
        if (d != "-") {
            out += "<!" + d;
            continue;
        }
        if (!read(d)) {
            out += "<!-";
            out += filler;
            break;
        }
        if (d != "-") {
            out += "<!-" + d;
            continue;
        }
        while (read(d)) {
            if (d != "-") continue;
            if (!read(d)) break;
            if (d != "-") continue;
            if (!read(d)) break;
            if (d == ">") break;
        }
    }
    return out;
}

Result NextToken(const std::string& in, std::size_t& pos, std::string& tok) {
    tok.clear();
    bool quote = false, inTag = false, skip = false;
    std::size_t i = pos;
    for (;; ++i) {
        if (i >= in.size()) {
            pos = i;
            return kNone;
        }
        char c = in[i];
        if (c == '"') {
            quote = !quote;
            Add(tok, c);
            continue;
        }
        if (quote) {
            Add(tok, c);
            continue;
        }
        if (Lead(c)) {
            if (i + 1 >= in.size()) return kFail;
            Add(tok, c);
            Add(tok, in[++i]);
            continue;
        }
        if (c == '<') {
            if (inTag || i + 1 >= in.size()) return kFail;
            if (in[i + 1] == '!' || in[i + 1] == '?') {
                skip = inTag = true;
                continue;
            }
            Add(tok, c);
            inTag = true;
            continue;
        }
        if (c == '>') {
            if (!inTag || tok.empty()) return kFail;
            if (skip) {
                tok.clear();
                inTag = skip = false;
                continue;
            }
            Add(tok, c);
            ++i;
            break;
        }
        Add(tok, c);
    }
    if (tok == "</>") return kFail;
    if (tok.size() >= 2 && tok.ends_with("/>")) {
        pos = i;
        return kToken;
    }
    bool skipMode = false, cdata = false;
    for (;;) {
        if (i >= in.size()) {
            pos = in.size();
            return kToken;
        }
        char c = in[i];
        if (skipMode) {
            if (Lead(c)) {
                i += 2;
                continue;
            }
            ++i;
            if (c == '>') skipMode = false;
            continue;
        }
        if (cdata) {
            if (i + 3 <= in.size() && in.compare(i, 3, "]]>") == 0) {
                tok += "]]>";
                i += 3;
                cdata = false;
                continue;
            }
            Add(tok, c);
            ++i;
            continue;
        }
        if (Lead(c)) {
            if (i + 1 >= in.size()) return kFail;
            Add(tok, c);
            Add(tok, in[i + 1]);
            i += 2;
            continue;
        }
        if (c == '<') {
            if (i + 1 >= in.size() || in[i + 1] != '!') {
                Add(tok, c);
                pos = i;
                return kToken;
            }
            if (i + 9 <= in.size() && in.compare(i, 9, "<![CDATA[") == 0) {
                tok += "<![CDATA[";
                i += 9;
                cdata = true;
                continue;
            }
            skipMode = true;
            ++i;
            continue;
        }
        if (c == '>') return kFail;
        Add(tok, c);
        ++i;
    }
}

static bool ParseAttributes(const std::string& a, std::size_t start, Node& node) {
    std::string c, name, value;
    bool readingName = true, afterEquals = false, inQuotes = false, valueDone = false, bad = false;
    std::size_t i = start;
    for (; i < a.size(); ++i) {
        char ch = a[i];
        if (Lead(ch)) {
            Add(c, ch);
            if (i + 1 < a.size()) Add(c, a[++i]);
            continue;
        }
        if (inQuotes && ch != '"') {
            Add(c, ch);
            continue;
        }
        if (ch == '=') {
            if (!readingName || c.empty()) {
                bad = true;
                break;
            }
            name = c;
            c.clear();
            readingName = false;
            afterEquals = true;
            inQuotes = false;
            continue;
        }
        if (Space(ch)) {
            if (readingName) {
                std::size_t j = i;
                while (j < a.size() && Space(a[j])) ++j;
                if (j < a.size() && a[j] == '=') {
                    i = j - 1;
                    continue;
                }
                if (!c.empty()) {
                    name = c;
                    value = "1";
                    goto add;
                }
                continue;
            }
            if (afterEquals) {
                if (c.empty()) continue;
                value = c;
                valueDone = true;
                break;
            }
            continue;
        }
        if (ch == '"') {
            if (readingName) {
                bad = true;
                break;
            }
            if (afterEquals && inQuotes) {
                value = c;
                valueDone = true;
                break;
            }
            inQuotes = true;
            continue;
        }
        Add(c, ch);
    }
    if (readingName && !c.empty()) {
        name = c;
        value = "1";
    } else if (afterEquals && !c.empty())
        value = c;
    else if (valueDone) {
    } else if (bad)
        return false;
    else
        return true;
add:
    for (auto& [n, v] : node.attributes)
        if (n == name) return false;
    node.attributes.emplace_back(name, value);
    return ParseAttributes(a, i + 1, node);
}

bool ParseElement(const std::string& t, Node& node) {
    std::string w, n, a;
    bool quote = false, nameMode = false, attrMode = false, content = false, cdataMode = false;
    node = Node{};
    auto endTag = [&] {
        if (nameMode) {
            n = w;
            w.clear();
            nameMode = false;
        } else if (attrMode) {
            a = w;
            w.clear();
            attrMode = false;
        }
    };
    if (t.ends_with("/>")) {
        node.selfClosing = true;
        for (std::size_t i = 0; i < t.size(); ++i) {
            char c = t[i];
            if (c == '"') {
                quote = !quote;
                Add(w, c);
                continue;
            }
            if (quote) {
                Add(w, c);
                continue;
            }
            if (Lead(c)) {
                Add(w, c);
                if (i + 1 < t.size()) Add(w, t[++i]);
                continue;
            }
            if (c == '<') {
                w.clear();
                nameMode = true;
                continue;
            }
            if (Space(c) && nameMode) {
                if (w.empty()) return false;
                n = w;
                w.clear();
                nameMode = false;
                attrMode = true;
                continue;
            }
            if (c == '/' && i + 1 < t.size() && t[i + 1] == '>') {
                endTag();
                continue;
            }
            Add(w, c);
        }
    } else {
        for (std::size_t i = 0; i < t.size(); ++i) {
            char c = t[i];
            if (!content && c == '"') {
                quote = !quote;
                Add(w, c);
                continue;
            }
            if (!content && quote) {
                Add(w, c);
                continue;
            }
            if (cdataMode) {
                if (i + 2 < t.size() && t.compare(i, 3, "]]>") == 0) {
                    cdataMode = false;
                    i += 2;
                } else
                    Add(w, c);
                continue;
            }
            if (Lead(c)) {
                Add(w, c);
                if (i + 1 < t.size()) Add(w, t[++i]);
                continue;
            }
            if (c == '<') {
                if (content && i + 8 < t.size() && t.compare(i + 1, 8, "![CDATA[") == 0) {
                    cdataMode = node.cdata = true;
                    w.clear();
                    i += 8;
                } else if (i + 1 == t.size()) {
                    node.value = Trim(w);
                    break;
                } else {
                    w.clear();
                    nameMode = true;
                }
                continue;
            }
            if (Space(c) && nameMode) {
                if (w.empty()) return false;
                n = w;
                w.clear();
                nameMode = false;
                attrMode = true;
                continue;
            }
            if (c == '>') {
                endTag();
                content = true;
                continue;
            }
            if (content && node.cdata) continue;
            Add(w, c);
        }
    }
    node.name = n;
    if (!a.empty() && !ParseAttributes(a, 0, node)) return false;
    return true;
}

}  // namespace quillon::xml::reference
