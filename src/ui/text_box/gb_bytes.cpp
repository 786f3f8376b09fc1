#include "ui/text_box/gb_bytes.h"

#include <vector>

#include "runtime/codepage.h"
#include "ui/text_convert.h"

namespace quillon::ui::gb {
namespace {

constexpr std::string_view kBreak = "\r\n";

unsigned char At(std::string_view bytes, std::size_t i) {
    return static_cast<unsigned char>(bytes[i]);
}

bool IsBreakUnit(char16_t unit) {
    return unit == u'\n' || unit == u'\r' || unit == u'\u2029' || unit == u'\uFDD0' ||
           unit == u'\uFDD1';
}

// The two-byte codes that read back as themselves, by code (lead byte high); built once.
const std::vector<char>& CanonicalPairs() {
    static const std::vector<char> pairs = [] {
        std::vector<char> ok(0x10000, false);
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
                const char code[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                char16_t units[2];
                if (codepage::gbkToUtf16({code, 2}, units) != 1 || units[0] == u'\uFFFD') continue;
                ok[lead << 8 | trail] =
                    codepage::utf16ToGbk({units, 1}) == std::string_view(code, 2);
            }
        }
        return ok;
    }();
    return pairs;
}

// End of the run of irregular bytes at `i`: before two ASCII bytes in a row (no GB18030
// character holds two, so converting the run alone gives what converting everything would),
// and never between CR and LF.
std::size_t RunEnd(std::string_view bytes, std::size_t i) {
    std::size_t end = i + 1;
    while (end < bytes.size() && !(At(bytes, end) < 0x80 && At(bytes, end - 1) < 0x80)) ++end;
    if (end < bytes.size() && At(bytes, end - 1) == '\r' && At(bytes, end) == '\n') ++end;
    return end;
}

}  // namespace

Text canonical(std::string_view bytes) {
    const std::vector<char>& pairs = CanonicalPairs();
    Text out;
    out.reserve(bytes.size() + 16);
    std::size_t copied = 0;
    auto flush = [&](std::size_t to) { out.append(bytes.substr(copied, to - copied)); };
    for (std::size_t i = 0; i < bytes.size();) {
        const unsigned char c = At(bytes, i);
        if (c >= 0x20 && c < 0x80) {
            ++i;
        } else if (c >= 0x80 && i + 1 < bytes.size() && pairs[c << 8 | At(bytes, i + 1)]) {
            i += 2;
        } else if (c >= 0x80) {
            const std::size_t end = RunEnd(bytes, i);
            flush(i);
            out += fromUnicode(ToQString(bytes.substr(i, end - i)));
            i = copied = end;
        } else if (c == '\r' && i + 1 < bytes.size() && At(bytes, i + 1) == '\n') {
            i += 2;
        } else if (c == '\r' || c == '\n') {
            flush(i);
            out += kBreak;
            copied = ++i;
        } else {
            ++i;
        }
    }
    flush(bytes.size());
    return out;
}

Text fromUnicode(QStringView text) {
    const std::u16string_view units(reinterpret_cast<const char16_t*>(text.utf16()),
                                    static_cast<std::size_t>(text.size()));
    Text out;
    out.reserve(units.size() + units.size() / 2);
    std::size_t start = 0;
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (!IsBreakUnit(units[i])) continue;
        codepage::appendGbk(units.substr(start, i - start), out);
        out += kBreak;
        if (units[i] == u'\r' && i + 1 < units.size() && units[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    codepage::appendGbk(units.substr(start), out);
    return out;
}

QString toUnicode(std::string_view bytes) {
    QString text = ToQString(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

}  // namespace quillon::ui::gb
