#include "reference.h"

#include "xml/xml_tree.h"

namespace quillon::xml::reference {

namespace {

std::string Unescaped(const std::string& s) {
    return UnescapeText(s);
}

void WriteNode(const std::vector<Node>& nodes, int at, int depth, std::string_view l,
               std::string_view ind, std::string& out) {
    const Node& e = nodes[at];
    out += l;
    for (int i = 0; i < depth; ++i) out += ind;
    out += "<" + e.name;
    for (auto& [n, v] : e.attributes) out += " " + n + "=\"" + v + "\"";
    if (e.selfClosing || (e.value.empty() && e.children.empty())) {
        out += "/>";
        return;
    }
    out += ">";
    if (e.cdata) out += "<![CDATA[";
    out += e.value;
    if (e.cdata) out += "]]>";
    for (int c : e.children) WriteNode(nodes, c, depth + 1, l, ind, out);
    if (!e.children.empty()) {
        out += l;
        for (int i = 0; i < depth; ++i) out += ind;
    }
    out += "</" + e.name + ">";
}

// The writer puts names out as they stand; an element is kept only when its names read back:
// an element name not empty, not starting with '!', '?' or '/', without '<', '>' or a tag space
// outside balanced quotes; attribute names without '<' or '>'.
bool Writable(const Node& node) {
    const std::string& n = node.name;
    if (n.empty() || n[0] == '!' || n[0] == '?' || n[0] == '/') return false;
    bool quote = false;
    for (std::size_t i = 0; i < n.size(); ++i) {
        const char c = n[i];
        if (static_cast<unsigned char>(c) > 0x80) {
            ++i;
            continue;
        }
        if (c == '"') quote = !quote;
        if (!quote && (c == '<' || c == '>' || c == ' ' || c == '\t' || c == '\r' || c == '\n'))
            return false;
    }
    if (quote) return false;
    for (const auto& attribute : node.attributes) {
        const std::string& a = attribute.first;
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (static_cast<unsigned char>(a[i]) > 0x80) {
                ++i;
            } else if (a[i] == '<' || a[i] == '>') {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

bool Tree::Load(std::string_view bytes, bool fromFile) {
    nodes_.clear();
    root_ = -1;
    const std::string in = StripComments(bytes, fromFile ? '\xFF' : '\0');
    if (in.empty()) return false;
    std::vector<int> stack;
    std::size_t pos = 0;
    std::string tok;
    Result r = NextToken(in, pos, tok);
    if (r != kToken) return false;
    for (;;) {
        Node node;
        if (!ParseElement(tok, node)) {
            nodes_.clear();
            root_ = -1;
            return false;
        }
        if (!node.name.empty() && node.name[0] == '/') {
            if (stack.empty() || node.name.substr(1) != nodes_[stack.back()].name) {
                nodes_.clear();
                root_ = -1;
                return false;
            }
            stack.pop_back();
        } else {
            if (!Writable(node)) {
                nodes_.clear();
                root_ = -1;
                return false;
            }
            nodes_.push_back(node);
            int idx = int(nodes_.size()) - 1;
            if (stack.empty())
                root_ = idx;
            else
                nodes_[stack.back()].children.push_back(idx);
            if (!node.selfClosing) stack.push_back(idx);
        }
        r = NextToken(in, pos, tok);
        if (r == kFail) {
            nodes_.clear();
            root_ = -1;
            return false;
        }
        if (r == kNone) break;
    }
    if (!stack.empty()) {
        nodes_.clear();
        root_ = -1;
        return false;
    }
    return true;
}

int Tree::find(std::string_view rawPath) const {
    if (root_ < 0 || rawPath.empty()) return -1;
    const std::string path = EscapeText(rawPath);
    std::vector<std::string> segments(1);
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '/') {
            segments.emplace_back();
            continue;
        }
        segments.back() += path[i];
        if (static_cast<unsigned char>(path[i]) > 0x80 && i + 1 < path.size())
            segments.back() += path[++i];
    }
    if (segments[0] != "@1" && segments[0] != nodes_[root_].name) return -1;
    int cur = root_;
    for (std::size_t s = 1; s < segments.size(); ++s) {
        const std::string& seg = segments[s];
        if (seg.empty() && s + 1 == segments.size()) break;
        const Node& n = nodes_[cur];
        int next = -1;
        if (!seg.empty() && seg[0] == '@') {
            std::size_t v = 0;
            bool digits = seg.size() > 1;
            for (std::size_t k = 1; k < seg.size(); ++k) {
                if (seg[k] < '0' || seg[k] > '9')
                    digits = false;
                else if (v < 1000000000)
                    v = v * 10 + std::size_t(seg[k] - '0');
            }
            if (digits && v >= 1 && v <= n.children.size()) next = n.children[v - 1];
        } else {
            for (int c : n.children)
                if (nodes_[c].name == seg) {
                    next = c;
                    break;
                }
        }
        if (next < 0) return -1;
        cur = next;
    }
    return cur;
}

bool Tree::GetRootName(Text& name) const {
    if (root_ < 0) return false;
    name = Unescaped(nodes_[root_].name);
    return true;
}

TextArray Tree::GetChildNames(std::string_view path) const {
    TextArray out;
    int at = find(path);
    if (at >= 0)
        for (int c : nodes_[at].children) out.push_back(Unescaped(nodes_[c].name));
    return out;
}

bool Tree::GetNodeValue(std::string_view path, Text& value) const {
    int at = find(path);
    if (at < 0) return false;
    value = nodes_[at].cdata ? nodes_[at].value : Unescaped(nodes_[at].value);
    return true;
}

TextArray Tree::GetAttributeNames(std::string_view path) const {
    TextArray out;
    int at = find(path);
    if (at >= 0)
        for (auto& [n, v] : nodes_[at].attributes) out.push_back(Unescaped(n));
    return out;
}

Text Tree::GetAttributeValue(std::string_view path, std::string_view attribute) const {
    int at = find(path);
    if (at < 0 || attribute.empty()) return {};
    const std::string wanted = EscapeText(attribute);
    const std::string* hit = nullptr;
    const auto& list = nodes_[at].attributes;
    if (wanted[0] == '@') {
        std::size_t v = 0;
        bool digits = wanted.size() > 1;
        for (std::size_t k = 1; k < wanted.size(); ++k) {
            if (wanted[k] < '0' || wanted[k] > '9')
                digits = false;
            else if (v < 1000000000)
                v = v * 10 + std::size_t(wanted[k] - '0');
        }
        if (digits && v >= 1 && v <= list.size()) hit = &list[v - 1].second;
    } else {
        for (auto& [n, v] : list)
            if (n == wanted) hit = &v;
    }
    return hit ? Unescaped(*hit) : Text();
}

std::string Tree::Write(std::string_view lineBreak, std::string_view indent) const {
    if (root_ < 0) return {};
    std::string out = "<?xml version=\"1.0\" encoding=\"gb18030\"?>";
    WriteNode(nodes_, root_, 0, lineBreak, indent, out);
    return out;
}

}  // namespace quillon::xml::reference
