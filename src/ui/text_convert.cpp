#include "ui/text_convert.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <stdexcept>

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

}  // namespace

QString ToQString(std::string_view gbk) {
    QString text;
    text.reserve(static_cast<qsizetype>(gbk.size()));
    std::string wide;  // UTF-16 bytes of one run
    std::optional<RunConverter> converter;
    for (std::size_t i = 0; i < gbk.size();) {
        std::size_t end = i;
        if (static_cast<unsigned char>(gbk[i]) < 0x80) {
            while (end < gbk.size() && static_cast<unsigned char>(gbk[end]) < 0x80) ++end;
            text.append(QLatin1StringView(gbk.data() + i, static_cast<qsizetype>(end - i)));
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
    const char16_t* units = text.utf16();
    const auto size = static_cast<std::size_t>(text.size());
    auto plain = [&](std::size_t at) { return units[at] < 0x80; };
    auto lineBreak = [&](std::size_t at) { return paragraphBreaks && units[at] == 0x2029; };
    Text out;
    out.reserve(size + size / 8);
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
        } else {
            while (end < size && !plain(end) && !lineBreak(end)) ++end;
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
