#include "ui/text_convert.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <vector>

namespace quillon::ui {
namespace {

// The same conversion as quillon::codepage (GB18030 <-> UTF-16, each invalid unit replaced by
// U+FFFD), tuned for whole documents: ASCII, which reads alike in both, is copied directly and
// only the runs between go through one converter opened once per call.
class RunConverter {
  public:
    RunConverter(const char* to, const char* from, std::size_t unitSize,
                 std::string_view replacement)
        : cd_(iconv_open(to, from)), unitSize_(unitSize), replacement_(replacement) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
    }
    ~RunConverter() { iconv_close(cd_); }
    RunConverter(const RunConverter&) = delete;
    RunConverter& operator=(const RunConverter&) = delete;

    // Appends the conversion of `size` bytes at `in` to `out`.
    void Append(const char* in, std::size_t size, std::string& out) {
        char* src = const_cast<char*>(in);
        std::size_t srcLeft = size;
        while (srcLeft > 0) {
            const std::size_t used = out.size();
            out.resize(used + srcLeft * 2 + 8);
            char* dst = out.data() + used;
            std::size_t dstLeft = out.size() - used;
            const std::size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.resize(out.size() - dstLeft);
            if (rc != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
            // EILSEQ or EINVAL: one unit is not convertible; replace it and go on.
            const std::size_t skip = std::min(unitSize_, srcLeft);
            src += skip;
            srcLeft -= skip;
            out.append(replacement_);
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
    }

  private:
    iconv_t cd_;
    std::size_t unitSize_;
    std::string_view replacement_;
};

// UTF-16 in the byte order of QChar, so runs convert straight into a QString's storage.
constexpr bool kLittleEndian = Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
constexpr const char* kUtf16 = kLittleEndian ? "UTF-16LE" : "UTF-16BE";
constexpr std::string_view kUtf16Replacement{kLittleEndian ? "\xFD\xFF" : "\xFF\xFD", 2};
constexpr std::string_view kGbReplacement = "\x84\x31\xA4\x37";

// End of the run of GBK bytes that starts at `i` (a byte of 0x80 or above). It ends before two
// ASCII bytes in a row: no character of GB18030 holds two, so nothing that the converter could
// read as one character, or resynchronise on after an invalid byte, reaches past that point.
std::size_t RunEnd(std::string_view bytes, std::size_t i) {
    auto ascii = [&](std::size_t at) { return static_cast<unsigned char>(bytes[at]) < 0x80; };
    std::size_t end = i + 1;
    while (end < bytes.size() && !(ascii(end) && ascii(end - 1))) ++end;
    return end;
}

// Two-byte characters, the bulk of GBK text, looked up instead of converted: the tables hold
// what the converter itself gives for every two-byte code, built once on first use. Codes and
// units without an entry (four-byte characters, invalid bytes, surrogates) still go through it.
class TwoByteTables {
  public:
    static const TwoByteTables& Get() {
        static const TwoByteTables tables;
        return tables;
    }
    // The UTF-16 unit of the code `lead trail`, or 0.
    char16_t Unit(unsigned char lead, unsigned char trail) const {
        if (lead < 0x81 || lead > 0xFE || trail < 0x40 || trail > 0xFE) return 0;
        return units_[(lead - 0x81) * kTrails + (trail - 0x40)];
    }
    // The two-byte code of `unit` (lead byte high), or 0.
    std::uint16_t Code(char16_t unit) const { return codes_[unit]; }

  private:
    static constexpr int kTrails = 0xFF - 0x40;

    TwoByteTables() : units_(0x7E * kTrails, 0), codes_(0x10000, 0) {
        const iconv_t toUnit = iconv_open(kUtf16, "GB18030");
        const iconv_t toCode = iconv_open("GB18030", kUtf16);
        if (toUnit != kNoConverter && toCode != kNoConverter) Fill(toUnit, toCode);
        if (toUnit != kNoConverter) iconv_close(toUnit);
        if (toCode != kNoConverter) iconv_close(toCode);
    }

    // Converts `size` bytes at `in`; true when all of them made exactly `outSize` bytes, which
    // are then written to `out`.
    static bool ConvertExactly(iconv_t cd, const char* in, std::size_t size, char* out,
                               std::size_t outSize) {
        char buffer[8];
        char* src = const_cast<char*>(in);
        char* dst = buffer;
        std::size_t dstLeft = sizeof buffer;
        const bool done = iconv(cd, &src, &size, &dst, &dstLeft) != static_cast<std::size_t>(-1);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (!done || size != 0 || sizeof buffer - dstLeft != outSize) return false;
        std::memcpy(out, buffer, outSize);
        return true;
    }

    void Fill(iconv_t toUnit, iconv_t toCode) {
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                const char code[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                char16_t unit = 0;
                char back[8];
                if (!ConvertExactly(toUnit, code, 2, reinterpret_cast<char*>(&unit), 2)) continue;
                if (unit < 0x80 || (unit >= 0xD800 && unit < 0xE000)) continue;
                units_[(lead - 0x81) * kTrails + (trail - 0x40)] = unit;
                // Only a code that the unit converts back to, so both directions agree.
                if (ConvertExactly(toCode, reinterpret_cast<const char*>(&unit), 2, back, 2) &&
                    back[0] == code[0] && back[1] == code[1])
                    codes_[unit] = static_cast<std::uint16_t>(lead << 8 | trail);
            }
        }
    }

    static inline const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);
    std::vector<char16_t> units_;
    std::vector<std::uint16_t> codes_;
};

}  // namespace

QString ToQString(std::string_view gbk) {
    const TwoByteTables& tables = TwoByteTables::Get();
    auto byte = [&](std::size_t at) { return static_cast<unsigned char>(gbk[at]); };
    QString text;
    text.reserve(static_cast<qsizetype>(gbk.size()));
    std::string wide;  // UTF-16 bytes of one run
    std::optional<RunConverter> converter;
    for (std::size_t i = 0; i < gbk.size();) {
        std::size_t end = i + 1;
        if (byte(i) < 0x80) {
            while (end < gbk.size() && byte(end) < 0x80) ++end;
            text.append(QLatin1StringView(gbk.data() + i, static_cast<qsizetype>(end - i)));
        } else if (const char16_t unit = end < gbk.size() ? tables.Unit(byte(i), byte(end)) : 0) {
            text.append(QChar(unit));
            end = i + 2;
        } else {
            end = RunEnd(gbk, i);
            if (!converter) converter.emplace(kUtf16, "GB18030", 1, kUtf16Replacement);
            wide.clear();
            converter->Append(gbk.data() + i, end - i, wide);
            text.append(reinterpret_cast<const QChar*>(wide.data()),
                        static_cast<qsizetype>(wide.size() / 2));
        }
        i = end;
    }
    return text;
}

namespace {

// GBK of `text`; with `paragraphBreaks`, every U+2029 (a block separator of a text document)
// becomes CR LF on the way.
Text Convert(QStringView text, bool paragraphBreaks) {
    const TwoByteTables& tables = TwoByteTables::Get();
    const char16_t* units = text.utf16();
    const auto size = static_cast<std::size_t>(text.size());
    auto plain = [&](std::size_t at) { return units[at] < 0x80; };
    auto lineBreak = [&](std::size_t at) { return paragraphBreaks && units[at] == 0x2029; };
    Text out;
    out.reserve(size + size / 2);
    std::optional<RunConverter> converter;
    for (std::size_t i = 0; i < size;) {
        std::size_t end = i + 1;
        if (plain(i)) {
            while (end < size && plain(end)) ++end;
            const std::size_t used = out.size();
            out.resize(used + (end - i));
            std::transform(units + i, units + end, out.begin() + static_cast<std::ptrdiff_t>(used),
                           [](char16_t unit) { return static_cast<char>(unit); });
        } else if (lineBreak(i)) {
            out += "\r\n";
        } else if (const std::uint16_t code = tables.Code(units[i])) {
            out += static_cast<char>(code >> 8);
            out += static_cast<char>(code & 0xFF);
        } else {
            while (end < size && !plain(end) && !lineBreak(end) && !tables.Code(units[end])) ++end;
            if (!converter) converter.emplace("GB18030", kUtf16, 2, kGbReplacement);
            converter->Append(reinterpret_cast<const char*>(units + i), (end - i) * 2, out);
        }
        i = end;
    }
    return out;
}

}  // namespace

Text ToText(const QString& text) {
    return Convert(text, false);
}

Text ToCrLfText(const QString& rawText) {
    return Convert(rawText, true);
}

}  // namespace quillon::ui
