#include "xml/parse_result.h"

namespace quillon::xml {

const char* ParseResult::description() const {
    switch (status) {
        case ParseStatus::Ok:
            return "no error";
        case ParseStatus::EmptyInput:
            return "empty input";
        case ParseStatus::NoElement:
            return "no element in the input";
        case ParseStatus::LtInsideTag:
            return "unexpected '<' inside a tag";
        case ParseStatus::GtOutsideTag:
            return "unexpected '>' outside a tag";
        case ParseStatus::BadName:
            return "empty or unusable element name";
        case ParseStatus::BadAttribute:
            return "malformed or repeated attribute";
        case ParseStatus::EndTagWithoutStart:
            return "end tag without an open element";
        case ParseStatus::EndTagMismatch:
            return "end tag does not match the open element";
        case ParseStatus::UnclosedElement:
            return "element is not closed";
        case ParseStatus::EndInsideTag:
            return "input ends inside a tag";
        case ParseStatus::EndInsideComment:
            return "input ends inside a comment";
        case ParseStatus::FileUnreadable:
            return "file cannot be read";
        case ParseStatus::TooLarge:
            return "input too large";
        case ParseStatus::OutOfMemory:
            return "out of memory";
    }
    return "unknown error";
}

namespace {

// The bytes of the character at `i`, where CR LF counts as one line end.
std::size_t Width(ByteView in, std::size_t i) {
    if (in[i] == '\r') return i + 1 < in.size() && in[i + 1] == '\n' ? 2 : 1;
    return gbCharSize(asChars(in), i);
}

}  // namespace

TextPosition PositionOf(ByteView input, std::size_t offset) {
    TextPosition at;
    for (std::size_t i = 0; i < input.size();) {
        const std::size_t width = Width(input, i);
        if (offset < i + width) break;
        if (input[i] == '\r' || input[i] == '\n') {
            ++at.line;
            at.column = 1;
        } else {
            ++at.column;
        }
        i += width;
    }
    return at;
}

}  // namespace quillon::xml
