#include "runtime/text_file.h"

#include <iconv.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>

#include "runtime/codepage.h"
#include "runtime/gb_tables.h"
#include "runtime/text.h"
#include "runtime/utf8.h"

namespace quillon::textfile {
namespace {

constexpr std::size_t kNone = std::string_view::npos;
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
// A declaration is short; looking further for its end would only cost time on odd input.
constexpr std::size_t kDeclarationReach = 1024;

unsigned char ByteAt(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]);
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The encodings read and written without iconv; kNamed goes through iconv under its own name.
enum class Road { kUtf8, kGb18030, kUtf16Le, kUtf16Be, kUtf16, kNamed };

Road RoadOf(std::string_view name) {
    for (std::string_view spelling : {"utf-8", "utf8"})
        if (equalsAsciiNoCase(name, spelling)) return Road::kUtf8;
    for (std::string_view gb : {"gbk", "gb2312", "gb18030", "cp936"})
        if (equalsAsciiNoCase(name, gb)) return Road::kGb18030;
    if (equalsAsciiNoCase(name, "utf-16le")) return Road::kUtf16Le;
    if (equalsAsciiNoCase(name, "utf-16be")) return Road::kUtf16Be;
    if (equalsAsciiNoCase(name, "utf-16")) return Road::kUtf16;
    return Road::kNamed;
}

std::size_t LineOf(std::string_view text, std::size_t offset) {
    return 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + offset, '\n'));
}

// One strict iconv conversion: nothing is replaced, the first unit that cannot be converted
// stops it. The descriptor keeps shift state, so each conversion opens its own.
class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (IsOpen()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool IsOpen() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Appends the conversion of `in` to `out`, ending any shift sequence. Returns the offset of
    // the first byte that could not be converted, or kNone; counts into `inexact` the units that
    // iconv converted but not reversibly.
    std::size_t Append(std::string_view in, std::string& out, std::size_t* inexact = nullptr) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        bool flushing = false;
        for (;;) {
            const std::size_t used = out.size();
            out.resize(used + srcLeft * 2 + 16);
            char* dst = out.data() + used;
            std::size_t dstLeft = out.size() - used;
            const std::size_t rc = flushing ? iconv(cd_, nullptr, nullptr, &dst, &dstLeft)
                                            : iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.resize(out.size() - dstLeft);
            if (rc == static_cast<std::size_t>(-1)) {
                if (errno == E2BIG) continue;
                return static_cast<std::size_t>(src - in.data());
            }
            if (inexact) *inexact += rc;
            if (flushing) return kNone;
            flushing = true;
        }
    }

  private:
    iconv_t cd_;
};

// Where a check stopped: the first offending byte and whether it was a NUL.
struct Fault {
    std::size_t at = kNone;
    bool nul = false;
};

// Skips the run of ASCII bytes without NUL at `i`, eight at a time where it can.
std::size_t SkipAscii(std::string_view bytes, std::size_t i) {
    constexpr std::uint64_t kHigh = 0x8080808080808080u;
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    while (i + 8 <= bytes.size()) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        if ((word & kHigh) != 0 || ((word - kOnes) & ~word & kHigh) != 0) break;
        i += 8;
    }
    while (i < bytes.size() && ByteAt(bytes, i) < 0x80 && bytes[i] != '\0') ++i;
    return i;
}

bool Within(std::string_view bytes, std::size_t at, unsigned lo, unsigned hi) {
    return at < bytes.size() && ByteAt(bytes, at) >= lo && ByteAt(bytes, at) <= hi;
}

// The size of the valid UTF-8 sequence at `i` (a byte of 0x80 or above), or 0; a surrogate
// written as UTF-8 is not valid.
std::size_t Utf8SequenceAt(std::string_view bytes, std::size_t i) {
    char32_t cp = 0;
    const std::size_t size = utf8::decode(bytes.substr(i), cp);
    return cp >= 0xD800 && cp < 0xE000 ? 0 : size;
}

Fault CheckUtf8(std::string_view bytes) {
    for (std::size_t i = 0; (i = SkipAscii(bytes, i)) < bytes.size();) {
        if (bytes[i] == '\0') return {i, true};
        const std::size_t size = Utf8SequenceAt(bytes, i);
        if (size == 0) return {i, false};
        i += size;
    }
    return {};
}

// Two-byte codes are looked up in the code page's tables (an unmapped code has no unit there);
// the rare four-byte ones are asked of iconv, one at a time.
Fault CheckGb18030(std::string_view bytes) {
    const auto& tables = codepage::detail::TwoByteTables::get();
    std::optional<Converter> fourByte;
    for (std::size_t i = 0; (i = SkipAscii(bytes, i)) < bytes.size();) {
        if (bytes[i] == '\0') return {i, true};
        if (!Within(bytes, i, 0x81, 0xFE)) return {i, false};
        if (i + 1 < bytes.size() && tables.unit(ByteAt(bytes, i), ByteAt(bytes, i + 1))) {
            i += 2;
            continue;
        }
        if (!Within(bytes, i + 1, 0x30, 0x39) || !Within(bytes, i + 2, 0x81, 0xFE) ||
            !Within(bytes, i + 3, 0x30, 0x39))
            return {i, false};
        if (!fourByte) fourByte.emplace("UTF-8", "GB18030");
        std::string unused;
        if (fourByte->Append(bytes.substr(i, 4), unused) != kNone) return {i, false};
        i += 4;
    }
    return {};
}

bool LineFeedsOnly(std::string_view text) {
    const std::size_t feed = text.find('\n');
    if (feed == kNone) return Form().lineFeedsOnly;
    return feed == 0 || text[feed - 1] != '\r';
}

Decoded Failed(DecodeError error, std::size_t offset, std::size_t line, std::string encoding) {
    Decoded out;
    out.error = error;
    out.offset = offset;
    out.line = line;
    out.encoding = std::move(encoding);
    return out;
}

Decoded Succeeded(Text text, std::string encoding, Form form) {
    form.lineFeedsOnly = LineFeedsOnly(text);
    return {DecodeError::kNone, std::move(text), std::move(encoding), form, 0, 0};
}

Decoded FromCheckedUtf8(std::string_view body, Fault fault, Form form) {
    if (fault.at != kNone)
        return Failed(fault.nul ? DecodeError::kNulCharacter : DecodeError::kInvalidBytes, fault.at,
                      LineOf(body, fault.at), "UTF-8");
    return Succeeded(codepage::utf8ToGbk(body), "UTF-8", form);
}

Decoded FromUtf8(std::string_view body, Form form) {
    return FromCheckedUtf8(body, CheckUtf8(body), form);
}

Decoded FromGb18030(std::string bytes, Form form) {
    if (const Fault fault = CheckGb18030(bytes); fault.at != kNone)
        return Failed(fault.nul ? DecodeError::kNulCharacter : DecodeError::kInvalidBytes, fault.at,
                      LineOf(bytes, fault.at), "GB18030");
    return Succeeded(std::move(bytes), "GB18030", form);
}

// Units in the machine's order; a lone surrogate, an odd last byte or U+0000 stops it.
Decoded FromUtf16(std::string_view body, bool bigEndian, Form form) {
    const std::string name = bigEndian ? "UTF-16BE" : "UTF-16LE";
    std::u16string units(body.size() / 2, u'\0');
    std::size_t lines = 1;
    for (std::size_t k = 0; k < units.size(); ++k) {
        const unsigned a = ByteAt(body, 2 * k), b = ByteAt(body, 2 * k + 1);
        units[k] = static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    }
    for (std::size_t k = 0; k < units.size(); ++k) {
        const char16_t unit = units[k];
        const bool high = unit >= 0xD800 && unit < 0xDC00;
        const bool low = unit >= 0xDC00 && unit < 0xE000;
        if (unit == 0) return Failed(DecodeError::kNulCharacter, 2 * k, lines, name);
        if (low ||
            (high && !(k + 1 < units.size() && units[k + 1] >= 0xDC00 && units[k + 1] < 0xE000)))
            return Failed(DecodeError::kInvalidBytes, 2 * k, lines, name);
        if (high) ++k;
        if (unit == u'\n') ++lines;
    }
    if (body.size() % 2) return Failed(DecodeError::kInvalidBytes, body.size() - 1, lines, name);
    return Succeeded(codepage::utf16ToGbk(units), name, form);
}

// iconv takes "//" suffixes and file names in an encoding name; only a name as XML spells
// one (a letter, then letters, digits, '.', '_' and '-') reaches it.
bool IsEncodingName(std::string_view name) {
    auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (name.empty() || !letter(name[0])) return false;
    return std::all_of(name.begin(), name.end(), [&](char c) {
        return letter(c) || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
    });
}

// Any other declared encoding, through iconv. The name came out of the bytes read as ASCII, so
// the decoded text must still begin with the same declaration; otherwise the name was wrong.
Decoded FromNamed(std::string_view bytes, const std::string& name, Form form) {
    if (!IsEncodingName(name)) return Failed(DecodeError::kUnknownEncoding, 0, 0, name);
    Converter converter("GB18030", name.c_str());
    if (!converter.IsOpen()) return Failed(DecodeError::kUnknownEncoding, 0, 0, name);
    Text text;
    if (const std::size_t at = converter.Append(bytes, text); at != kNone)
        return Failed(DecodeError::kInvalidBytes, at, LineOf(text, text.size()), name);
    if (const std::size_t nul = text.find('\0'); nul != kNone)
        return Failed(DecodeError::kNulCharacter, 0, LineOf(text, nul), name);
    if (!equalsAsciiNoCase(DeclaredEncoding(text), name))
        return Failed(DecodeError::kDeclarationMismatch, 0, 0, name);
    return Succeeded(std::move(text), name, form);
}

Decoded ByDeclaration(std::string bytes) {
    const std::string name(DeclaredEncoding(bytes));
    switch (name.empty() ? Road::kNamed : RoadOf(name)) {
        case Road::kUtf8:
            return FromUtf8(bytes, {});
        case Road::kGb18030:
            return FromGb18030(std::move(bytes), {});
        default:
            if (!name.empty()) return FromNamed(bytes, name, {});
    }
    // No declared encoding: UTF-8 when it is, else GB18030.
    if (const Fault fault = CheckUtf8(bytes); fault.at == kNone || fault.nul)
        return FromCheckedUtf8(bytes, fault, {});
    return FromGb18030(std::move(bytes), {});
}

std::string_view DeclarationName(std::string_view declaration) {
    for (std::size_t at = 0; (at = declaration.find("encoding", at)) != kNone; at += 8) {
        if (at == 0 || !IsSpace(declaration[at - 1])) continue;
        std::size_t i = at + 8;
        while (i < declaration.size() && IsSpace(declaration[i])) ++i;
        if (i == declaration.size() || declaration[i] != '=') continue;
        ++i;
        while (i < declaration.size() && IsSpace(declaration[i])) ++i;
        if (i == declaration.size() || (declaration[i] != '"' && declaration[i] != '\'')) continue;
        const std::size_t close = declaration.find(declaration[i], i + 1);
        if (close == kNone) return {};
        return declaration.substr(i + 1, close - i - 1);
    }
    return {};
}

// CR LF becomes LF; a CR on its own stays.
std::string LineFeeds(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t pair = text.find("\r\n", i);
        const std::size_t end = pair == kNone ? text.size() : pair;
        out.append(text.substr(i, end - i));
        if (pair == kNone) break;
        out += '\n';
        i = pair + 2;
    }
    return out;
}

char32_t CharacterAt(std::string_view text, std::size_t i) {
    const std::u16string units = codepage::gbkToUtf16(text.substr(i, gbCharSize(text, i)));
    if (units.size() == 2) return utf8::fromSurrogates(units[0], units[1]);
    return units.empty() ? 0 : units[0];
}

Encoded Refused(std::string_view text, std::size_t at, std::string encoding) {
    Encoded out;
    out.error = EncodeError::kUnrepresentable;
    out.encoding = std::move(encoding);
    out.character = CharacterAt(text, at);
    out.line = LineOf(text, at);
    return out;
}

// The first character that iconv converts only approximately, one character at a time; the
// whole text went through, so one of them is.
std::size_t FirstInexact(Converter& converter, std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t size = gbCharSize(text, i);
        std::string unused;
        std::size_t inexact = 0;
        converter.Append(text.substr(i, size), unused, &inexact);
        if (inexact) return i;
        i += size;
    }
    return 0;
}

Encoded ToNamed(std::string_view text, const std::string& name) {
    Encoded out;
    out.encoding = name;
    if (!IsEncodingName(name)) {
        out.error = EncodeError::kUnknownEncoding;
        return out;
    }
    Converter converter(name.c_str(), "GB18030");
    if (!converter.IsOpen()) {
        out.error = EncodeError::kUnknownEncoding;
        return out;
    }
    std::size_t inexact = 0;
    if (const std::size_t at = converter.Append(text, out.bytes, &inexact); at != kNone)
        return Refused(text, at, name);
    if (inexact) return Refused(text, FirstInexact(converter, text), name);
    return out;
}

std::string Utf16Bytes(std::string_view text, bool bigEndian, bool mark) {
    const std::u16string units = codepage::gbkToUtf16(text);
    std::string out;
    out.reserve(2 * units.size() + 2);
    auto put = [&](char16_t unit) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    };
    if (mark) put(u'\uFEFF');
    for (const char16_t unit : units) put(unit);
    return out;
}

}  // namespace

Encoded Encode(std::string_view text, const Form& form) {
    const std::string name(DeclaredEncoding(text));
    std::string lf;
    if (form.lineFeedsOnly) text = lf = LineFeeds(text);
    Encoded out;
    switch (name.empty() ? Road::kUtf8 : RoadOf(name)) {
        case Road::kUtf8:
            out.encoding = "UTF-8";
            if (form.byteOrderMark) out.bytes = kUtf8Mark;
            out.bytes += codepage::gbkToUtf8(text);
            return out;
        case Road::kGb18030:
            out.encoding = "GB18030";
            out.bytes = text;
            return out;
        case Road::kUtf16Le:
        case Road::kUtf16Be:
            out.encoding = RoadOf(name) == Road::kUtf16Be ? "UTF-16BE" : "UTF-16LE";
            out.bytes = Utf16Bytes(text, RoadOf(name) == Road::kUtf16Be, false);
            return out;
        case Road::kUtf16:
            out.encoding = form.bigEndian ? "UTF-16BE" : "UTF-16LE";
            out.bytes = Utf16Bytes(text, form.bigEndian, true);
            return out;
        case Road::kNamed:
            break;
    }
    return ToNamed(text, name);
}

std::string_view DeclaredEncoding(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && IsSpace(text[start])) ++start;
    text = text.substr(start, kDeclarationReach);
    if (!text.starts_with("<?xml") || text.size() < 6 || !IsSpace(text[5])) return {};
    const std::size_t end = text.find("?>");
    if (end == kNone) return {};
    return DeclarationName(text.substr(5, end - 5));
}

// Offsets count from the start of the file, mark included.
Decoded Decode(std::string bytes) {
    const std::string_view view = bytes;
    auto marked = [](Decoded decoded, std::size_t mark) {
        if (decoded.error != DecodeError::kNone) decoded.offset += mark;
        return decoded;
    };
    if (view.starts_with(kUtf8Mark))
        return marked(FromUtf8(view.substr(3), {.byteOrderMark = true}), 3);
    if (view.starts_with(kUtf16LeMark))
        return marked(FromUtf16(view.substr(2), false, {.byteOrderMark = true}), 2);
    if (view.starts_with(kUtf16BeMark))
        return marked(FromUtf16(view.substr(2), true, {.byteOrderMark = true, .bigEndian = true}),
                      2);
    // "<?" in two-byte units: a declaration written in UTF-16 without a mark.
    if (view.starts_with(std::string_view("<\0?\0", 4))) return FromUtf16(view, false, {});
    if (view.starts_with(std::string_view("\0<\0?", 4)))
        return FromUtf16(view, true, {.bigEndian = true});
    return ByDeclaration(std::move(bytes));
}

}  // namespace quillon::textfile
