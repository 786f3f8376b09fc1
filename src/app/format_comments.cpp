// Comments during formatting: set aside before the tags are indented, put back afterwards.
//
// A comment runs from "<!--" through the first "-->" that leaves it a body of at least one byte;
// the body may span lines. While the tags are indented the body is held in an encoded form with
// no white space, line break or angle bracket, so that nothing inside a comment can look like a
// tag or end a line. The encoding is one-to-one except that CR and LF encode alike (inside a
// comment every line break comes back as LF).
#include "app/format_steps.h"

namespace quillon::app::format_steps {
namespace {

constexpr std::string_view kOpen = "<!--";
constexpr std::string_view kClose = "-->";
constexpr char kEscape = '%';

bool needsEscape(char c) {
    return isSpace(c) || c == '<' || c == '>' || c == kEscape;
}

void encodeBody(std::string_view body, Text& out) {
    for (char c : body) {
        if (!needsEscape(c)) {
            out += c;
            continue;
        }
        if (c == '\n') c = '\r';
        appendPercentEscape(static_cast<unsigned char>(c), out);
    }
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The body as it was before encoding, with every line break as LF. Anything that is not an
// escape stays as it stands.
Text decodeBody(std::string_view body) {
    Text out;
    out.reserve(body.size());
    for (std::size_t i = 0; i < body.size(); ++i) {
        const int high = i + 2 < body.size() && body[i] == kEscape ? hexValue(body[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(body[i + 2]) : -1;
        if (low < 0) {
            out += body[i];
            continue;
        }
        const char c = static_cast<char>(high << 4 | low);
        out += c == '\r' ? '\n' : c;
        i += 2;
    }
    return out;
}

// Where the comment that opens at `open` ends (the position of its "-->"), or npos.
std::size_t findClose(std::string_view text, std::size_t open) {
    return text.find(kClose, open + kOpen.size() + 1);
}

// Appends the body with the white space at the start of each of its lines (its start and every
// place after a LF) replaced by `prefix`. A blank line's white space runs into the next line's,
// as the rule's matches do: the break is replaced, and the next line start gets a prefix of its
// own.
void appendIndentedBody(std::string_view body, std::string_view prefix, Text& out,
                        std::size_t maxBytes) {
    std::size_t done = 0;
    std::size_t lineStart = 0;
    while (lineStart != std::string_view::npos) {
        std::size_t spaceEnd = lineStart;
        while (spaceEnd < body.size() && isSpace(body[spaceEnd])) ++spaceEnd;
        ensureRoom(out, (lineStart - done) + prefix.size(), maxBytes);
        out.append(body.substr(done, lineStart - done));
        out.append(prefix);
        done = spaceEnd;
        // The next match starts after this one (one further when this one was empty).
        const std::size_t from = spaceEnd > lineStart ? spaceEnd - 1 : lineStart;
        const std::size_t lf = body.find('\n', from);
        lineStart = lf == std::string_view::npos ? lf : lf + 1;
    }
    out.append(body.substr(done));
}

// The white space before a comment, as it stands once every LF is a CR, less its first line
// break: the comment's lines are indented with this.
Text commentPrefix(std::string_view space) {
    if (!space.empty() && space.front() == '\n') space.remove_prefix(1);
    Text prefix;
    appendReplacing(prefix, space, '\n', '\r');
    return prefix;
}

// Calls `visit(done, open, close)` for each comment in text order, where `done` is where the
// text after the previous comment begins; returns where the text after the last one begins.
template <typename Visit>
std::size_t forEachComment(std::string_view in, Visit visit) {
    std::size_t done = 0;
    for (std::size_t open = in.find(kOpen); open != std::string_view::npos;
         open = in.find(kOpen, done)) {
        const std::size_t close = findClose(in, open);
        if (close == std::string_view::npos) break;  // no later comment can find an end either
        visit(done, open, close);
        done = close + kClose.size();
    }
    return done;
}

}  // namespace

void protectComments(std::string_view in, Text& out) {
    out.clear();
    out.reserve(in.size());
    const std::size_t tail =
        forEachComment(in, [&](std::size_t done, std::size_t open, std::size_t close) {
            const std::size_t body = open + kOpen.size();
            appendReplacing(out, in.substr(done, body - done), '\r', '\n');
            encodeBody(in.substr(body, close - body), out);
            out += kClose;
        });
    appendReplacing(out, in.substr(tail), '\r', '\n');
}

void restoreComments(std::string_view in, Text& out, std::size_t maxBytes) {
    out.clear();
    out.reserve(in.size());
    const std::size_t tail =
        forEachComment(in, [&](std::size_t done, std::size_t open, std::size_t close) {
            std::size_t space = open;
            while (space > done && isSpace(in[space - 1])) --space;
            appendReplacing(out, in.substr(done, space - done), '\n', '\r');
            const Text prefix = commentPrefix(in.substr(space, open - space));
            const std::size_t body = open + kOpen.size();
            ensureRoom(out, 1 + prefix.size() + kOpen.size(), maxBytes);
            out += '\n';
            out += prefix;
            out += kOpen;
            appendIndentedBody(decodeBody(in.substr(body, close - body)), prefix, out, maxBytes);
            out += kClose;
        });
    appendReplacing(out, in.substr(tail), '\n', '\r');
}

}  // namespace quillon::app::format_steps
