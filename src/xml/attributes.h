#pragma once
// ParseAttributes: splits the attribute text of one tag into name/value pairs.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::xml {

// A text collected from an attribute text: a run of it while the bytes stay contiguous, else
// owned bytes (a value that resumes after an opening quote, as in a=x"y").
struct Piece {
    std::size_t begin = 0;
    std::size_t length = 0;
    bool owned = false;
    std::string bytes;

    bool empty() const { return owned ? bytes.empty() : length == 0; }
    void add(std::string_view text, std::size_t from, std::size_t to);  // text[from, to)
    std::string_view view(std::string_view text) const {
        return owned ? std::string_view(bytes) : text.substr(begin, length);
    }
};

struct AttributePieces {
    Piece name;
    Piece value;
    bool bare = false;  // written without a value: the value is "1"
};

// Appends the attributes of `text` in source order. False on a malformed text or a repeated
// name; `out` then holds whatever was collected and is to be discarded.
bool ParseAttributes(std::string_view text, std::vector<AttributePieces>& out);

}  // namespace quillon::xml
