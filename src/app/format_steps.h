#pragma once
// The steps of formatXml, each a hand-written scanner for one pattern rule. Every step reads the
// previous step's text and writes its own into `out`, which it empties first.
//
// The rules' character classes: white space is exactly space, TAB, LF, VT, FF and CR; a word
// character is an ASCII letter, digit or underscore; "any character" is anything but LF.
//
// The scanners work on bytes. Every byte a rule looks for by value (white space and
// < > / ! ? - =) is below 0x40 and not a digit, and no later byte of a two- or four-byte
// character is; word characters are looked for only right after white space or "<", where a
// character starts. So no rule can match inside a multi-byte character.
#include <cstddef>
#include <string_view>

#include "runtime/text.h"

namespace quillon::app::format_steps {

constexpr bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

constexpr bool isWord(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Throws std::length_error when `out` cannot grow by `more` bytes within `maxBytes`.
void ensureRoom(const Text& out, std::size_t more, std::size_t maxBytes);

// Appends `text` with every `from` byte written as `to`.
void appendReplacing(Text& out, std::string_view text, char from, char to);

// Every CR LF pair becomes one LF (a pair is one line break), and the text gets a leading LF so
// that its first line starts like every other.
void startText(std::string_view in, Text& out);

// Each start tag whose name is followed by white space and whose ">" is on the same line gets
// one more space after its name, and each run of white space before "name=" becomes one space.
void spaceAttributes(std::string_view in, Text& out);

// ">" and "<" with only white space (or nothing) between them become ">", LF, "<".
void splitTags(std::string_view in, Text& out);

// Comment bodies are encoded so that they hold no white space, line break or angle bracket while
// the tags are indented; lone CRs become LFs.
void protectComments(std::string_view in, Text& out);

// Each line that starts with a tag gets four spaces per element open before it.
void indentTags(std::string_view in, Text& out, std::size_t maxBytes);

// Comment bodies are decoded and every comment moves to a line of its own, its lines indented
// like the comment; the other line breaks become CRs.
void restoreComments(std::string_view in, Text& out, std::size_t maxBytes);

// White space at the very end goes, and every CR becomes CR LF.
void finishLines(std::string_view in, Text& out);

}  // namespace quillon::app::format_steps
