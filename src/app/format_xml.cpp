#include "app/format_xml.h"

#include <cstring>
#include <stdexcept>

#include "app/format_steps.h"

namespace quillon::app {
namespace format_steps {
namespace {

// The first `c` at or after `from`, or in.size().
std::size_t findOrEnd(std::string_view in, char c, std::size_t from) {
    if (from >= in.size()) return in.size();
    const void* hit = std::memchr(in.data() + from, c, in.size() - from);
    return hit ? static_cast<const char*>(hit) - in.data() : in.size();
}

// Appends the inside of a start tag (from the white space after its name through its ">") with
// each run of white space before "name=" written as one space.
void appendAttributes(std::string_view tag, Text& out) {
    std::size_t done = 0;
    std::size_t i = 0;
    while (i < tag.size()) {
        if (!isSpace(tag[i])) {
            ++i;
            continue;
        }
        std::size_t name = i;
        while (name < tag.size() && isSpace(tag[name])) ++name;
        std::size_t equals = name;
        while (equals < tag.size() && isWord(tag[equals])) ++equals;
        if (equals > name && equals < tag.size() && tag[equals] == '=') {
            out.append(tag.substr(done, i - done));
            out += ' ';
            out.append(tag.substr(name, equals + 1 - name));
            done = equals + 1;
            i = equals + 1;
        } else {
            i = name;  // a later start inside the same run fails the same way
        }
    }
    out.append(tag.substr(done));
}

}  // namespace

void ensureRoom(const Text& out, std::size_t more, std::size_t maxBytes) {
    if (more > maxBytes || out.size() > maxBytes - more)
        throw std::length_error("the formatted text would be too long");
}

void appendReplacing(Text& out, std::string_view text, char from, char to) {
    std::size_t done = 0;
    for (std::size_t hit = findOrEnd(text, from, 0); hit < text.size();
         hit = findOrEnd(text, from, hit + 1)) {
        out.append(text.substr(done, hit - done));
        out += to;
        done = hit + 1;
    }
    out.append(text.substr(done));
}

void startText(std::string_view in, Text& out) {
    out.clear();
    out.reserve(in.size() + 1);
    out += '\n';
    std::size_t done = 0;
    for (std::size_t cr = findOrEnd(in, '\r', 0); cr < in.size();
         cr = findOrEnd(in, '\r', cr + 1)) {
        if (cr + 1 < in.size() && in[cr + 1] == '\n') {
            out.append(in.substr(done, cr - done));
            done = cr + 1;
        }
    }
    out.append(in.substr(done));
}

void spaceAttributes(std::string_view in, Text& out) {
    out.clear();
    out.reserve(in.size());
    std::size_t done = 0;
    // The next ">" and the next LF from the last place looked at; both only move forward, so a
    // long line full of unclosed tags is still read once.
    std::size_t nextGt = 0;
    std::size_t nextLf = 0;
    std::size_t lt = findOrEnd(in, '<', 0);
    while (lt < in.size()) {
        std::size_t nameEnd = lt + 1;
        while (nameEnd < in.size() && isWord(in[nameEnd])) ++nameEnd;
        if (nameEnd == lt + 1 || nameEnd == in.size() || !isSpace(in[nameEnd])) {
            lt = findOrEnd(in, '<', lt + 1);
            continue;
        }
        const std::size_t from = nameEnd + 1;
        if (nextGt < from) nextGt = findOrEnd(in, '>', from);
        if (nextLf < from) nextLf = findOrEnd(in, '\n', from);
        if (nextGt >= in.size() || nextLf < nextGt) {
            lt = findOrEnd(in, '<', lt + 1);
            continue;
        }
        out.append(in.substr(done, nameEnd - done));
        out += ' ';
        appendAttributes(in.substr(nameEnd, nextGt + 1 - nameEnd), out);
        done = nextGt + 1;
        lt = findOrEnd(in, '<', done);
    }
    out.append(in.substr(done));
}

void splitTags(std::string_view in, Text& out) {
    out.clear();
    out.reserve(in.size());
    std::size_t done = 0;
    std::size_t gt = findOrEnd(in, '>', 0);
    while (gt < in.size()) {
        std::size_t next = gt + 1;
        while (next < in.size() && isSpace(in[next])) ++next;
        if (next < in.size() && in[next] == '<') {
            out.append(in.substr(done, gt + 1 - done));
            out += "\n<";
            done = next + 1;
        }
        gt = findOrEnd(in, '>', next);
    }
    out.append(in.substr(done));
}

void finishLines(std::string_view in, Text& out) {
    std::size_t end = in.size();
    while (end > 0 && isSpace(in[end - 1])) --end;
    in = in.substr(0, end);
    out.clear();
    out.reserve(in.size());
    std::size_t done = 0;
    for (std::size_t cr = findOrEnd(in, '\r', 0); cr < in.size();
         cr = findOrEnd(in, '\r', cr + 1)) {
        out.append(in.substr(done, cr + 1 - done));
        out += '\n';
        done = cr + 1;
    }
    out.append(in.substr(done));
}

}  // namespace format_steps

Text formatXml(std::string_view text, std::size_t maxBytes) {
    using namespace format_steps;
    // Two buffers serve all steps, each step writing into the one the step before read from.
    // They are sized once for the usual growth (a space per tag, indentation, CR LF) so that no
    // step has to move its output to a larger buffer: touching fresh memory costs more than
    // all of the scanning.
    const std::size_t room = text.size() + text.size() / 4 + 64;
    Text a;
    Text b;
    a.reserve(room);
    b.reserve(room);
    startText(text, a);
    spaceAttributes(a, b);
    splitTags(b, a);
    protectComments(a, b);
    indentTags(b, a, maxBytes);
    // The leading LF that startText added has done its work: it let the first line be indented.
    restoreComments(std::string_view(a).substr(1), b, maxBytes);
    finishLines(b, a);
    ensureRoom(a, 0, maxBytes);
    return a;
}

Text getPrefix(int n) {
    Text prefix;
    for (int i = 0; i < n; ++i) prefix += kIndentUnit;
    return prefix;
}

}  // namespace quillon::app
