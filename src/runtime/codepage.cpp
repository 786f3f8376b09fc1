#include "runtime/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace quillon::codepage {
namespace {

// One iconv conversion descriptor, owned for the duration of one conversion call (iconv_t keeps
// shift state, so it is never shared between calls or threads).
class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
    }
    ~Iconv() { iconv_close(cd_); }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    // Converts all of `in` (unitSize bytes per input unit), replacing every invalid unit with
    // `replacement` (already in the target encoding).
    std::string run(std::string_view in, std::size_t unitSize, std::string_view replacement) {
        std::string out;
        out.resize(in.size() * 2 + 16);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        std::size_t used = 0;
        while (true) {
            char* dst = out.data() + used;
            std::size_t dstLeft = out.size() - used;
            std::size_t rc = iconv(cd_, srcLeft ? &src : nullptr, &srcLeft, &dst, &dstLeft);
            used = out.size() - dstLeft;
            if (rc != static_cast<std::size_t>(-1)) {
                if (srcLeft == 0) break;
                continue;
            }
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
            } else {  // EILSEQ or EINVAL: one unit is not convertible; replace it and go on
                std::size_t skip = std::min(unitSize, srcLeft);
                src += skip;
                srcLeft -= skip;
                out.resize(std::max(out.size(), used + replacement.size() + 16));
                out.replace(used, replacement.size(), replacement);
                used += replacement.size();
                iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // reset shift state
            }
        }
        out.resize(used);
        return out;
    }

private:
    iconv_t cd_;
};

constexpr std::string_view kUtf8Replacement = "\xEF\xBF\xBD";
constexpr std::string_view kGbReplacement = "\x84\x31\xA4\x37";
constexpr std::string_view kUtf16Replacement{"\xFD\xFF", 2};  // U+FFFD, little-endian

}  // namespace

std::string gbkToUtf8(std::string_view gbk) {
    return Iconv("UTF-8", "GB18030").run(gbk, 1, kUtf8Replacement);
}

Text utf8ToGbk(std::string_view utf8) {
    return Iconv("GB18030", "UTF-8").run(utf8, 1, kGbReplacement);
}

std::u16string gbkToUtf16(std::string_view gbk) {
    std::string bytes = Iconv("UTF-16LE", "GB18030").run(gbk, 1, kUtf16Replacement);
    std::u16string out(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return out;
}

Text utf16ToGbk(std::u16string_view utf16) {
    std::string bytes(utf16.size() * 2, '\0');
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        bytes[2 * i] = static_cast<char>(utf16[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(utf16[i] >> 8);
    }
    return Iconv("GB18030", "UTF-16LE").run(bytes, 2, kGbReplacement);
}

}  // namespace quillon::codepage
