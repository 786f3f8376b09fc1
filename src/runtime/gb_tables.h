#pragma once
// The pieces the code page conversions are built from (internal to quillon_runtime): a converter
// for the runs of text that need the full GB18030 rules, and lookup tables for the two-byte
// characters that make up the bulk of GBK text.
#include <iconv.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::codepage::detail {

// UTF-16 in the byte order of char16_t, so converted runs copy straight into char16_t storage.
extern const char* const kUtf16;

// One iconv descriptor, open for one conversion call (iconv_t keeps shift state, so it is never
// shared between calls or threads). Every unit that is not convertible becomes `replacement`
// (already in the target encoding) and the conversion resumes at the next unit.
class RunConverter {
  public:
    RunConverter(const char* to, const char* from, std::size_t unitSize,
                 std::string_view replacement);
    ~RunConverter();
    RunConverter(const RunConverter&) = delete;
    RunConverter& operator=(const RunConverter&) = delete;

    // Appends the conversion of `size` bytes at `in` to `out`.
    void append(const char* in, std::size_t size, std::string& out);

  private:
    iconv_t cd_;
    std::size_t unitSize_;
    std::string_view replacement_;
};

// What the converter itself gives for every two-byte GB18030 code and back, built once on first
// use and never changed after. Codes and units without an entry (four-byte characters, invalid
// bytes, surrogates) are left to a RunConverter.
class TwoByteTables {
  public:
    static const TwoByteTables& get();

    // The UTF-16 unit of the code `lead trail`, or 0.
    char16_t unit(unsigned char lead, unsigned char trail) const {
        if (lead < 0x81 || lead > 0xFE || trail < 0x40 || trail > 0xFE) return 0;
        return units_[(lead - 0x81) * kTrails + (trail - 0x40)];
    }
    // The two-byte code of `unit` (lead byte high), or 0.
    std::uint16_t code(char16_t unit) const { return codes_[unit]; }

  private:
    static constexpr int kTrails = 0xFF - 0x40;

    TwoByteTables();
    void fill(iconv_t toUnit, iconv_t toCode);

    std::vector<char16_t> units_;
    std::vector<std::uint16_t> codes_;
};

}  // namespace quillon::codepage::detail
