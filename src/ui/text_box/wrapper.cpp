#include "ui/text_box/wrapper.h"

#include "ui/text_convert.h"

namespace quillon::ui {

Wrapper::Wrapper(const QFont& font, qreal width)
    : metrics_(font), width_(std::max<qreal>(width, 1)), pairs_(0x10000, -1.0f) {
    for (int c = 0; c < 128; ++c) ascii_[c] = metrics_.horizontalAdvance(QChar(c));
}

qreal Wrapper::Measure(std::string_view bytes) const {
    return metrics_.horizontalAdvance(ToQString(bytes));
}

qreal Wrapper::MeasurePair(unsigned char lead, unsigned char trail) {
    const char code[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    return pairs_[lead << 8 | trail] = static_cast<float>(Measure({code, 2}));
}

qreal Wrapper::QuadWidth(const unsigned char* code) {
    const std::uint32_t key =
        std::uint32_t{code[0]} << 24 | std::uint32_t{code[1]} << 16 | code[2] << 8 | code[3];
    auto [entry, added] = quads_.try_emplace(key, 0);
    if (added) entry->second = Measure({reinterpret_cast<const char*>(code), 4});
    return entry->second;
}

std::vector<std::size_t> Wrapper::All(std::string_view bytes) {
    std::vector<std::size_t> starts{0};
    starts.reserve(bytes.size() / 32 + 1);
    const ByteSpan span{bytes};
    for (std::size_t start = 0; (start = Next(span, start)) != LineTable::kNone;)
        starts.push_back(start);
    return starts;
}

}  // namespace quillon::ui
