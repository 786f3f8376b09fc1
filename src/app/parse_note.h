#pragma once
// What the window says beside the source box when a parse fails: where (line and column as the
// reader counts them) and why, in the window's language, and which bytes to mark.
#include <cstddef>

#include "runtime/text.h"
#include "xml/parse_result.h"

namespace quillon::app {

// The bytes [from, to) of the source that a failure points at.
struct SourceRange {
    std::size_t from = 0;
    std::size_t to = 0;
};

// The tag that starts at `offset` when a '<' stands there (through its '>', or up to the line's
// end when nothing closes it on that line), otherwise the one character there; nothing past the
// end of `source`.
SourceRange FailureRange(ByteView source, std::size_t offset);

// "第N行第M列：" and the reason, GBK bytes.
Text FailureNote(ByteView source, const xml::ParseResult& result);

}  // namespace quillon::app
