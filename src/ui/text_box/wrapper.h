#pragma once
// Breaks the text box's bytes into visual lines no wider than the view: greedily, after a space
// or beside a CJK character where one lies on the line, anywhere else when none does, and always
// at a line break. Widths come from the font, measured once per character.
#include <QFont>
#include <QFontMetricsF>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ui/text_box/gb_bytes.h"
#include "ui/text_box/line_table.h"

namespace quillon::ui {

class Wrapper {
  public:
    // Tab stops, as the painted lines place them.
    static constexpr qreal kTabStop = 80;
    // A line of characters that take no room still ends somewhere, so stepping back over the
    // text never has to read more than this from a line start.
    static constexpr std::size_t kMaxLineBytes = 4096;

    Wrapper(const QFont& font, qreal width);

    qreal Width() const { return width_; }

    // The start of the line after the one at `start`, or LineTable::kNone when that line runs to
    // the end of the text.
    template <typename Bytes>
    std::size_t Next(const Bytes& bytes, std::size_t start);
    // Every line start of `bytes`.
    std::vector<std::size_t> All(std::string_view bytes);

  private:
    qreal PairWidth(unsigned char lead, unsigned char trail) {
        const float width = pairs_[lead << 8 | trail];
        return width >= 0 ? width : MeasurePair(lead, trail);
    }
    qreal MeasurePair(unsigned char lead, unsigned char trail);
    qreal QuadWidth(const unsigned char* code);
    qreal Measure(std::string_view bytes) const;

    QFontMetricsF metrics_;
    qreal width_;
    qreal ascii_[128];
    std::vector<float> pairs_;  // by code, lead byte high; negative until measured
    std::unordered_map<std::uint32_t, qreal> quads_;
};

// Byte access to a plain string in the shape of a GapBuffer.
struct ByteSpan {
    std::string_view bytes;
    std::size_t size() const { return bytes.size(); }
    unsigned char operator[](std::size_t i) const { return static_cast<unsigned char>(bytes[i]); }
};

template <typename Bytes>
std::size_t Wrapper::Next(const Bytes& bytes, std::size_t start) {
    const std::size_t size = bytes.size();
    std::size_t breakAt = LineTable::kNone;  // the last place on the line a break may go
    qreal x = 0;
    for (std::size_t at = start; at < size;) {
        const unsigned char c = bytes[at];
        if (c == '\r') return at + 2;
        qreal advance;
        std::size_t length = 1;
        if (c < 0x80) {
            advance = c == '\t' ? (static_cast<int>(x / kTabStop) + 1) * kTabStop - x : ascii_[c];
        } else if (at + 1 < size && gb::isDigitTrail(bytes[at + 1]) && at + 3 < size) {
            const unsigned char code[4] = {c, bytes[at + 1], bytes[at + 2], bytes[at + 3]};
            advance = QuadWidth(code);
            length = 4;
        } else {
            advance = PairWidth(c, at + 1 < size ? bytes[at + 1] : 0);
            length = 2;
        }
        if (c >= 0x80 && at > start) breakAt = at;
        // Spaces may hang past the edge; anything else that does not fit starts the next line.
        if (at > start && x + advance > width_ && c != ' ')
            return breakAt != LineTable::kNone ? breakAt : at;
        x += advance;
        at += length;
        if (c == ' ' || c == '\t' || c >= 0x80) breakAt = at;
        if (at - start >= kMaxLineBytes && at < size && bytes[at] != '\r') return at;
    }
    return LineTable::kNone;
}

}  // namespace quillon::ui
