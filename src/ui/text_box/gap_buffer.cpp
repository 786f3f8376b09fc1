#include "ui/text_box/gap_buffer.h"

#include <algorithm>
#include <cstring>

namespace quillon::ui {
namespace {

constexpr std::size_t kMinGap = 4096;

}  // namespace

void GapBuffer::Assign(Text text) {
    data_ = std::move(text);
    gapBegin_ = gapEnd_ = data_.size();
}

void GapBuffer::MoveGap(std::size_t at) {
    char* base = data_.data();
    if (at < gapBegin_) {
        const std::size_t count = gapBegin_ - at;
        std::memmove(base + gapEnd_ - count, base + at, count);
        gapBegin_ -= count;
        gapEnd_ -= count;
    } else if (at > gapBegin_) {
        const std::size_t count = at - gapBegin_;
        std::memmove(base + gapBegin_, base + gapEnd_, count);
        gapBegin_ += count;
        gapEnd_ += count;
    }
}

// Grows by a share of the text, so a long run of typing or many pastes stays linear, into
// storage of exactly the new size (a string's own growth would double a large text).
void GapBuffer::Reserve(std::size_t gap) {
    if (gapEnd_ - gapBegin_ >= gap) return;
    const std::size_t tail = data_.size() - gapEnd_;
    const std::size_t wanted = std::max({gap, kMinGap, size() / 8});
    Text grown;
    grown.reserve(gapBegin_ + wanted + tail);
    grown.append(data_, 0, gapBegin_);
    grown.append(wanted, '\0');
    grown.append(data_, gapEnd_, tail);
    data_ = std::move(grown);
    gapEnd_ = gapBegin_ + wanted;
}

void GapBuffer::Replace(std::size_t at, std::size_t removed, std::string_view inserted) {
    MoveGap(at);
    gapEnd_ += removed;
    Reserve(inserted.size());
    if (!inserted.empty()) std::memcpy(data_.data() + gapBegin_, inserted.data(), inserted.size());
    gapBegin_ += inserted.size();
}

void GapBuffer::AppendTo(std::size_t from, std::size_t to, Text& out) const {
    const std::size_t gap = gapEnd_ - gapBegin_;
    if (from < gapBegin_) out.append(data_, from, std::min(to, gapBegin_) - from);
    if (to > gapBegin_) {
        const std::size_t start = std::max(from, gapBegin_);
        out.append(data_, start + gap, to - start);
    }
}

Text GapBuffer::Copy(std::size_t from, std::size_t to) const {
    Text out;
    out.reserve(to - from);
    AppendTo(from, to, out);
    return out;
}

std::string_view GapBuffer::Contiguous() {
    MoveGap(size());
    return {data_.data(), size()};
}

}  // namespace quillon::ui
