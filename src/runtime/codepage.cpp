#include "runtime/codepage.h"

#include <algorithm>
#include <bit>
#include <optional>

#include "runtime/gb_tables.h"
#include "runtime/utf8.h"

// ASCII reads alike in every encoding here and is copied; two-byte characters are looked up in
// the tables; only the runs between go through a converter, opened once per call and only when
// such a run turns up. Each run ends where the converter, reading the whole text, would itself
// start a new character, so the results are exactly the converter's.
namespace quillon::codepage {
namespace {

using detail::RunConverter;
using detail::TwoByteTables;

constexpr std::string_view kUtf8Replacement = "\xEF\xBF\xBD";
constexpr std::string_view kGbReplacement = "\x84\x31\xA4\x37";
constexpr std::string_view kUtf16Replacement{
    std::endian::native == std::endian::little ? "\xFD\xFF" : "\xFF\xFD", 2};

unsigned char byteAt(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]);
}

// End of the ASCII run that starts at `i`.
std::size_t asciiEnd(std::string_view bytes, std::size_t i) {
    while (i < bytes.size() && byteAt(bytes, i) < 0x80) ++i;
    return i;
}

// End of the run of GB18030 bytes that starts at `i` (a byte of 0x80 or above). It ends before
// two ASCII bytes in a row: no character of GB18030 holds two, so nothing that the converter
// could read as one character, or resynchronise on after an invalid byte, reaches past that.
std::size_t gbRunEnd(std::string_view bytes, std::size_t i) {
    std::size_t end = i + 1;
    while (end < bytes.size() && !(byteAt(bytes, end) < 0x80 && byteAt(bytes, end - 1) < 0x80))
        ++end;
    return end;
}

// The unit of the two-byte GB18030 character at `i`, or 0.
char16_t gbUnitAt(const TwoByteTables& tables, std::string_view gbk, std::size_t i) {
    return i + 1 < gbk.size() ? tables.unit(byteAt(gbk, i), byteAt(gbk, i + 1)) : 0;
}

// A BMP character of two or three UTF-8 bytes that has a two-byte code: the code and the bytes
// it took. Anything else (an overlong form, a surrogate, a longer or broken sequence) gives
// code 0 and is left to the converter.
struct Utf8Char {
    std::uint16_t code = 0;
    std::size_t size = 0;
};

Utf8Char utf8CharAt(const TwoByteTables& tables, std::string_view utf8, std::size_t i) {
    char32_t unit = 0;
    const std::size_t size = utf8::decode(utf8.substr(i), unit);
    if (size < 2 || size > 3 || (unit >= 0xD800 && unit < 0xE000)) return {};
    const std::uint16_t code = tables.code(static_cast<char16_t>(unit));
    return code ? Utf8Char{code, size} : Utf8Char{};
}

void appendCode(std::uint16_t code, Text& out) {
    const char bytes[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    out.append(bytes, 2);
}

}  // namespace

std::size_t gbkToUtf16(std::string_view gbk, char16_t* out) {
    const TwoByteTables& tables = TwoByteTables::get();
    char16_t* const start = out;
    std::string wide;  // UTF-16 bytes of one run
    std::optional<RunConverter> converter;
    for (std::size_t i = 0; i < gbk.size();) {
        std::size_t end = i + 1;
        if (byteAt(gbk, i) < 0x80) {
            end = asciiEnd(gbk, i);
            out = std::transform(gbk.begin() + i, gbk.begin() + end, out,
                                 [](char c) { return static_cast<char16_t>(c); });
        } else if (const char16_t unit = gbUnitAt(tables, gbk, i)) {
            *out++ = unit;
            end = i + 2;
        } else {
            end = gbRunEnd(gbk, i);
            if (!converter) converter.emplace(detail::kUtf16, "GB18030", 1, kUtf16Replacement);
            wide.clear();
            converter->append(gbk.data() + i, end - i, wide);
            // Every byte makes at most one unit, so the run fits in the room it had.
            const std::size_t units = std::min(wide.size() / 2, end - i);
            std::copy_n(reinterpret_cast<const char*>(wide.data()), units * 2,
                        reinterpret_cast<char*>(out));
            out += units;
        }
        i = end;
    }
    return static_cast<std::size_t>(out - start);
}

std::u16string gbkToUtf16(std::string_view gbk) {
    std::u16string out(gbk.size(), u'\0');
    out.resize(gbkToUtf16(gbk, out.data()));
    return out;
}

std::string gbkToUtf8(std::string_view gbk) {
    const TwoByteTables& tables = TwoByteTables::get();
    std::string out;
    out.reserve(gbk.size() + gbk.size() / 2);
    std::optional<RunConverter> converter;
    for (std::size_t i = 0; i < gbk.size();) {
        std::size_t end = i + 1;
        if (byteAt(gbk, i) < 0x80) {
            end = asciiEnd(gbk, i);
            out.append(gbk.substr(i, end - i));
        } else if (const char16_t unit = gbUnitAt(tables, gbk, i)) {
            utf8::appendUnit(unit, out);
            end = i + 2;
        } else {
            end = gbRunEnd(gbk, i);
            if (!converter) converter.emplace("UTF-8", "GB18030", 1, kUtf8Replacement);
            converter->append(gbk.data() + i, end - i, out);
        }
        i = end;
    }
    return out;
}

void appendGbk(std::u16string_view utf16, Text& out) {
    const TwoByteTables& tables = TwoByteTables::get();
    const std::size_t size = utf16.size();
    auto plain = [&](std::size_t at) { return utf16[at] < 0x80; };
    // Grown geometrically, so appending many short pieces stays linear.
    if (const std::size_t wanted = out.size() + size + size / 2; wanted > out.capacity())
        out.reserve(std::max(wanted, out.capacity() * 2));
    std::optional<RunConverter> converter;
    for (std::size_t i = 0; i < size;) {
        std::size_t end = i + 1;
        if (plain(i)) {
            while (end < size && plain(end)) ++end;
            const std::size_t used = out.size();
            out.resize(used + (end - i));
            std::transform(utf16.begin() + i, utf16.begin() + end, out.begin() + used,
                           [](char16_t unit) { return static_cast<char>(unit); });
        } else if (const std::uint16_t code = tables.code(utf16[i])) {
            appendCode(code, out);
        } else {
            // A surrogate pair stays in one run: neither half is plain or has a code.
            while (end < size && !plain(end) && !tables.code(utf16[end])) ++end;
            if (!converter) converter.emplace("GB18030", detail::kUtf16, 2, kGbReplacement);
            converter->append(reinterpret_cast<const char*>(utf16.data() + i), (end - i) * 2, out);
        }
        i = end;
    }
}

Text utf16ToGbk(std::u16string_view utf16) {
    Text out;
    appendGbk(utf16, out);
    return out;
}

Text utf8ToGbk(std::string_view utf8) {
    const TwoByteTables& tables = TwoByteTables::get();
    Text out;
    out.reserve(utf8.size());
    std::optional<RunConverter> converter;
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t end = i + 1;
        if (byteAt(utf8, i) < 0x80) {
            end = asciiEnd(utf8, i);
            out.append(utf8.substr(i, end - i));
        } else if (const Utf8Char c = utf8CharAt(tables, utf8, i); c.code) {
            appendCode(c.code, out);
            end = i + c.size;
        } else {
            // No character of UTF-8 takes in an ASCII byte or the lead byte of a valid sequence,
            // so the converter starts afresh at either.
            while (end < utf8.size() && byteAt(utf8, end) >= 0x80 &&
                   !utf8CharAt(tables, utf8, end).code)
                ++end;
            if (!converter) converter.emplace("GB18030", "UTF-8", 1, kGbReplacement);
            converter->append(utf8.data() + i, end - i, out);
        }
        i = end;
    }
    return out;
}

}  // namespace quillon::codepage
