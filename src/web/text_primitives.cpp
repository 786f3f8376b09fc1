#include "web/text_primitives.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace quillon::web {
namespace {

// Bytes taken by the character that starts at `i`: 2 for a lead byte with a byte after it.
size_t charLength(std::string_view text, size_t i) {
    return isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

// Whether `sought` stands at byte `at` of `text`. Folding applies only to single-byte characters
// of `sought`; a lead byte and its trail byte must match exactly.
bool matchesAt(std::string_view text, size_t at, std::string_view sought, bool ignoreCase) {
    if (text.size() - at < sought.size()) return false;
    if (!ignoreCase) return text.compare(at, sought.size(), sought) == 0;
    for (size_t i = 0; i < sought.size();) {
        const size_t len = charLength(sought, i);
        if (len == 2) {
            if (text[at + i] != sought[i] || text[at + i + 1] != sought[i + 1]) return false;
        } else if (foldAscii(text[at + i]) != foldAscii(sought[i])) {
            return false;
        }
        i += len;
    }
    return true;
}

// 0-based offset of the first character boundary at or after `from`.
size_t boundaryAtOrAfter(std::string_view text, size_t from) {
    size_t i = 0;
    while (i < from && i < text.size()) i += charLength(text, i);
    return i;
}

bool isBlankAt(std::string_view text, size_t i) {
    if (text[i] == ' ') return true;
    return text.size() - i >= 2 && text[i] == '\xA1' && text[i + 1] == '\xA1';
}

// Folds a full-width form (A3 A1..A3 FE) or the full-width space to its ASCII character.
std::string foldFullWidth(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t len = charLength(text, i);
        const auto trail = len == 2 ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (len == 2 && text[i] == '\xA3' && trail >= 0xA1 && trail <= 0xFE) {
            out += static_cast<char>(trail - 0x80);
        } else if (len == 2 && text[i] == '\xA1' && trail == 0xA1) {
            out += ' ';
        } else {
            out.append(text.substr(i, len));
        }
        i += len;
    }
    return out;
}

}  // namespace

int FindText(std::string_view text, std::string_view sought, int start, bool ignoreCase) {
    const size_t from = static_cast<size_t>(std::max(start, 1)) - 1;
    if (from >= text.size()) return -1;
    if (sought.empty()) return 1;
    for (size_t i = boundaryAtOrAfter(text, from); i < text.size(); i += charLength(text, i)) {
        if (matchesAt(text, i, sought, ignoreCase)) return static_cast<int>(i + 1);
    }
    return -1;
}

int FindTextBackward(std::string_view text, std::string_view sought) {
    int last = -1;
    for (size_t i = 0; i < text.size(); i += charLength(text, i)) {
        if (matchesAt(text, i, sought, false)) last = static_cast<int>(i + 1);
    }
    return last;
}

Text ReplaceText(std::string_view text, std::string_view sought, std::string_view replacement,
                 int start, std::optional<int> count, bool caseSensitive) {
    if (text.empty() || sought.empty()) return Text(text);
    const size_t from = std::min(static_cast<size_t>(std::max(start, 1)) - 1, text.size());
    long remaining = count ? std::max(*count, 0) : std::numeric_limits<long>::max();
    size_t i = boundaryAtOrAfter(text, from);
    Text out(text.substr(0, i));
    while (i < text.size()) {
        if (remaining > 0 && matchesAt(text, i, sought, !caseSensitive)) {
            out.append(replacement);
            i += sought.size();
            --remaining;
            continue;
        }
        if (remaining == 0) break;
        const size_t len = charLength(text, i);
        out.append(text.substr(i, len));
        i += len;
    }
    if (i < text.size()) out.append(text.substr(i));
    return out;
}

Text TrimBlanks(std::string_view text) {
    size_t begin = 0;
    while (begin < text.size() && isBlankAt(text, begin)) begin += text[begin] == ' ' ? 1 : 2;
    size_t end = begin;  // one past the last character that is not a blank
    for (size_t i = begin; i < text.size();) {
        const bool blank = isBlankAt(text, i);
        const size_t len = blank ? (text[i] == ' ' ? 1 : 2) : charLength(text, i);
        i += len;
        if (!blank) end = i;
    }
    return Text(text.substr(begin, end - begin));
}

Text RemoveBlanks(std::string_view text) {
    Text out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (isBlankAt(text, i)) {
            i += text[i] == ' ' ? 1 : 2;
            continue;
        }
        const size_t len = charLength(text, i);
        out.append(text.substr(i, len));
        i += len;
    }
    return out;
}

TextArray SplitText(std::string_view text, std::string_view separator) {
    TextArray items;
    if (text.empty()) return items;
    if (separator.empty()) return {Text(text)};
    // One pass over the characters: a search from each item's start would walk the text again
    // to find character boundaries, which is quadratic in long texts.
    size_t begin = 0;
    for (size_t i = 0; i < text.size();) {
        if (matchesAt(text, i, separator, false)) {
            items.emplace_back(text.substr(begin, i - begin));
            i += separator.size();
            begin = i;
        } else {
            i += charLength(text, i);
        }
    }
    if (begin < text.size()) items.emplace_back(text.substr(begin));
    return items;
}

Text LeftText(std::string_view text, int n) {
    if (n <= 0) return {};
    return Text(text.substr(0, static_cast<size_t>(n)));
}

Text RightText(std::string_view text, int n) {
    if (n <= 0) return {};
    const size_t len = std::min(static_cast<size_t>(n), text.size());
    return Text(text.substr(text.size() - len));
}

Text MidText(std::string_view text, int start, int n) {
    if (start < 1 || static_cast<size_t>(start) > text.size() || n <= 0) return {};
    return Text(text.substr(static_cast<size_t>(start) - 1, static_cast<size_t>(n)));
}

Text ToLowerAscii(std::string_view text) {
    Text out(text);
    for (size_t i = 0; i < out.size();) {
        const size_t len = charLength(out, i);
        if (len == 1) out[i] = foldAscii(out[i]);
        i += len;
    }
    return out;
}

ByteSet TextToBytes(std::string_view text) {
    return toByteSet(text);
}

Text BytesToText(ByteView bytes) {
    const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    return Text(asChars(bytes.first(static_cast<size_t>(end - bytes.begin()))));
}

std::int32_t TextToInteger(std::string_view text) {
    const std::string folded = foldFullWidth(text);
    size_t i = 0;
    while (i < folded.size() && std::strchr(" \t\r\n\v\f", folded[i]) && folded[i] != '\0') ++i;
    bool negative = false;
    if (i < folded.size() && (folded[i] == '+' || folded[i] == '-')) negative = folded[i++] == '-';
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; i < folded.size() && folded[i] >= '0' && folded[i] <= '9'; ++i) {
        value = std::min(value * 10 + (folded[i] - '0'), kLimit);
    }
    if (negative) return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(std::min(value, kLimit - 1));
}

}  // namespace quillon::web
