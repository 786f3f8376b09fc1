#include "runtime/gb_tables.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace quillon::codepage::detail {
namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// Converts `size` bytes at `in`; true when all of them made exactly `outSize` bytes, which are
// then written to `out`.
bool convertExactly(iconv_t cd, const char* in, std::size_t size, char* out, std::size_t outSize) {
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

}  // namespace

const char* const kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

RunConverter::RunConverter(const char* to, const char* from, std::size_t unitSize,
                           std::string_view replacement)
    : cd_(iconv_open(to, from)), unitSize_(unitSize), replacement_(replacement) {
    if (cd_ == kNoConverter) throw std::runtime_error("iconv_open failed");
}

RunConverter::~RunConverter() {
    iconv_close(cd_);
}

void RunConverter::append(const char* in, std::size_t size, std::string& out) {
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

const TwoByteTables& TwoByteTables::get() {
    static const TwoByteTables tables;  // thread-safe initialisation; read-only afterwards
    return tables;
}

TwoByteTables::TwoByteTables() : units_(0x7E * kTrails, 0), codes_(0x10000, 0) {
    const iconv_t toUnit = iconv_open(kUtf16, "GB18030");
    const iconv_t toCode = iconv_open("GB18030", kUtf16);
    // Without a converter the tables stay empty and every character takes the converter's path,
    // which reports the missing converter itself.
    if (toUnit != kNoConverter && toCode != kNoConverter) fill(toUnit, toCode);
    if (toUnit != kNoConverter) iconv_close(toUnit);
    if (toCode != kNoConverter) iconv_close(toCode);
}

void TwoByteTables::fill(iconv_t toUnit, iconv_t toCode) {
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            const char code[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            char16_t unit = 0;
            char back[8];
            if (!convertExactly(toUnit, code, 2, reinterpret_cast<char*>(&unit), 2)) continue;
            if (unit < 0x80 || (unit >= 0xD800 && unit < 0xE000)) continue;
            units_[(lead - 0x81) * kTrails + (trail - 0x40)] = unit;
            // Only a code that the unit converts back to, so both directions agree.
            if (convertExactly(toCode, reinterpret_cast<const char*>(&unit), 2, back, 2) &&
                back[0] == code[0] && back[1] == code[1])
                codes_[unit] = static_cast<std::uint16_t>(lead << 8 | trail);
        }
    }
}

}  // namespace quillon::codepage::detail
