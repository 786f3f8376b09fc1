#pragma once
// The token scanner and element splitter in their general form: the token is collected byte by
// byte into a TextBuffer and split from there. The fast scanner in parser.cpp hands every token it
// cannot read in place (zero bytes, CDATA sections, skipped constructs in element text) to these.
#include <cstddef>
#include <string>
#include <string_view>

#include "xml/parse_result.h"
#include "xml/text_buffer.h"

namespace quillon::xml {

enum class TokenStep { Token, NoMore, Fail };

// Offsets into the input that a scan reports besides its step.
struct TokenPlace {
    static constexpr std::size_t kNowhere = static_cast<std::size_t>(-1);
    std::size_t tagStart = 0;        // a token's tag: its '<'
    std::size_t openTag = kNowhere;  // no more tokens: the '<' of a tag the input ends in
    ParseStatus failure = ParseStatus::Ok;
    std::size_t at = 0;  // a failure: the byte at fault

    TokenStep fail(ParseStatus why, std::size_t where) {
        failure = why;
        at = where;
        return TokenStep::Fail;
    }
};

// Collects the token that starts at `pos`: any text before a tag, the tag, and unless the tag
// ends with "/>" the element text after it up to and including the next tag's '<'. On a token,
// `pos` moves to where the next one starts.
TokenStep NextToken(std::string_view input, std::size_t& pos, TextBuffer& token, TokenPlace& place);

struct ElementParts {
    std::string name;
    std::string value;
    std::string attributes;  // the attribute text, still to be split
    bool selfClosing = false;
    bool cdata = false;
};

// Splits a token into name, trimmed value and attribute text; false for an empty element name.
bool ParseElement(std::string_view token, ElementParts& out);

}  // namespace quillon::xml
