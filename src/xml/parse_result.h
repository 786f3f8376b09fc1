#pragma once
// Why and where a load failed, and how a byte offset reads as a line and a column.
#include <cstddef>

#include "runtime/text.h"

namespace quillon::xml {

// The outcome of a load. Each failure names the first thing that the parser could not accept;
// the offset says where (see ParseResult). A two-byte character cut off by the end of the input
// never fails by itself: the missing byte reads as a filler, and what fails is the element or tag
// left open.
enum class ParseStatus {
    Ok,
    EmptyInput,          // no bytes, or nothing but comments
    NoElement,           // text, declarations or comments, but no element
    LtInsideTag,         // '<' while a tag is open (a DOCTYPE internal subset, say)
    GtOutsideTag,        // '>' outside a tag: in element text, or with no tag open
    BadName,             // an element name that is empty, or that could not be written back
    BadAttribute,        // '=' without a name, a quote where a name belongs, a repeated name
    EndTagWithoutStart,  // an end tag while no element is open
    EndTagMismatch,      // an end tag that does not match the open element
    UnclosedElement,     // the input ends while an element is open
    EndInsideTag,        // the input ends inside a tag (a '<' as the last byte, say)
    EndInsideComment,    // a comment that is never closed swallows the rest of the input
    FileUnreadable,      // the file cannot be opened or read
    TooLarge,            // beyond the 2 GiB the library takes, or more elements than it counts
    OutOfMemory,
};

struct ParseResult {
    ParseStatus status = ParseStatus::Ok;
    // Where the failure is, as a byte offset in the caller's input (the file's bytes for a
    // file): the offending byte, or the '<' of the tag at fault (for an unclosed element, its
    // start tag; for an unclosed comment, its "<!--"). 0 for Ok and for failures of the input
    // as a whole (empty, unreadable, too large, out of memory).
    std::size_t offset = 0;

    bool ok() const { return status == ParseStatus::Ok; }
    explicit operator bool() const { return ok(); }
    // A short English reason, such as "end tag does not match the open element".
    const char* description() const;
};

// A place in a text as a reader sees it: both counted from 1. Columns count characters: a GB18030
// sequence of two or four bytes is one character. CR LF, LF and a lone CR each end a line.
struct TextPosition {
    std::size_t line = 1;
    std::size_t column = 1;
};

// The position of the character that holds byte `offset` of `input` (past the end: just after the
// last character).
TextPosition PositionOf(ByteView input, std::size_t offset);

}  // namespace quillon::xml
