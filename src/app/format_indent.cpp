// Indentation of tag lines. A tag line is a LF followed by "<" and a character other than "?";
// what follows is matched like this:
//
//   name    the character after "<", then as few more (never a LF) as it takes to reach white
//           space, ">" or "/>". The white space may be the line's own LF, which then belongs to
//           this match and cannot start the next one.
//   closed  the tag ends with "/>", or "/>" or "</name>" follows later on the same line (the
//           first of them ends the match).
//
// "!" lines (comments, declarations) are indented by the depth, start tags by the depth before
// they open (an unclosed one opens a level), end tags by the depth after they close one.
#include <string.h>  // memmem

#include <algorithm>
#include <cstring>

#include "app/format_steps.h"
#include "app/format_xml.h"

namespace quillon::app::format_steps {
namespace {

constexpr std::size_t npos = std::string_view::npos;

struct TagMatch {
    std::size_t end = 0;  // one past the matched text
    char first = 0;       // the character after "<"
    bool closed = false;
};

// Where the name that starts at `name` ends: before white space, ">" or "/>". `afterName` is set
// past that white space, ">" or "/>". npos when the text ends first.
std::size_t findNameEnd(std::string_view s, std::size_t name, std::size_t& afterName,
                        bool& closed) {
    for (std::size_t j = name + 1; j < s.size(); ++j) {
        const char c = s[j];
        if (isSpace(c) || c == '>') {
            afterName = j + 1;
            return j;
        }
        if (c == '/' && j + 1 < s.size() && s[j + 1] == '>') {
            afterName = j + 2;
            closed = true;
            return j;
        }
    }
    return npos;
}

// The first "/>" in [from, lineEnd), or npos.
std::size_t findSelfClose(std::string_view s, std::size_t from, std::size_t lineEnd) {
    while (from < lineEnd) {
        const void* hit = std::memchr(s.data() + from, '/', lineEnd - from);
        if (!hit) return npos;
        const std::size_t slash = static_cast<const char*>(hit) - s.data();
        if (slash + 1 < s.size() && s[slash + 1] == '>') return slash;
        from = slash + 1;
    }
    return npos;
}

// The first `needle` that starts in [from, before), or npos. It may run past `before`.
std::size_t findStarting(std::string_view s, std::string_view needle, std::size_t from,
                         std::size_t before) {
    if (from >= before) return npos;
    const std::size_t limit = std::min(s.size(), before - 1 + needle.size());
    const void* hit = ::memmem(s.data() + from, limit - from, needle.data(), needle.size());
    return hit ? static_cast<const char*>(hit) - s.data() : npos;
}

// Extends the match over "/>" or "</name>" when one follows on the line where `m.end` is.
// `endTag` is scratch space for "</name>".
void matchClosing(std::string_view s, std::string_view name, TagMatch& m, Text& endTag) {
    const void* lf =
        m.end < s.size() ? std::memchr(s.data() + m.end, '\n', s.size() - m.end) : nullptr;
    const std::size_t lineEnd = lf ? static_cast<const char*>(lf) - s.data() : s.size();
    const std::size_t slash = findSelfClose(s, m.end, lineEnd);
    endTag.assign("</").append(name).append(">");
    const std::size_t end = findStarting(s, endTag, m.end, slash == npos ? lineEnd : slash);
    if (end != npos) {
        m.end = end + endTag.size();
        m.closed = true;
    } else if (slash != npos) {
        m.end = slash + 2;
        m.closed = true;
    }
}

// Matches a tag line at the LF `lf`; false when the line does not start with a tag.
bool matchTag(std::string_view s, std::size_t lf, TagMatch& m, Text& endTag) {
    const std::size_t name = lf + 2;
    if (name >= s.size() || s[lf + 1] != '<' || s[name] == '?') return false;
    m = TagMatch{};
    m.first = s[name];
    const std::size_t nameEnd = findNameEnd(s, name, m.end, m.closed);
    if (nameEnd == npos) return false;
    // Only a start tag cares whether it is closed; the other lines' matches end on their own line
    // anyway unless the name began with a line break.
    if (m.first != '!' && m.first != '/') {
        matchClosing(s, s.substr(name, nameEnd - name), m, endTag);
    }
    return true;
}

void appendLine(Text& out, std::string_view tag, std::size_t depth, std::size_t maxBytes) {
    ensureRoom(out, 1 + depth * kIndentUnit.size() + tag.size(), maxBytes);
    out += '\n';
    for (std::size_t i = 0; i < depth; ++i) out.append(kIndentUnit);
    out.append(tag);
}

}  // namespace

void indentTags(std::string_view in, Text& out, std::size_t maxBytes) {
    out.clear();
    out.reserve(in.size());
    Text endTag;
    std::size_t depth = 0;
    std::size_t done = 0;
    for (std::size_t lf = in.find('\n'); lf != npos; lf = in.find('\n', done)) {
        TagMatch m;
        if (!matchTag(in, lf, m, endTag)) {
            out.append(in.substr(done, lf + 1 - done));
            done = lf + 1;
            continue;
        }
        std::size_t indent = depth;
        if (m.first == '/') {
            depth = depth > 0 ? depth - 1 : 0;
            indent = depth;
        } else if (m.first != '!' && !m.closed) {
            ++depth;
        }
        out.append(in.substr(done, lf - done));
        appendLine(out, in.substr(lf + 1, m.end - lf - 1), indent, maxBytes);
        done = m.end;
    }
    out.append(in.substr(done));
}

}  // namespace quillon::app::format_steps
