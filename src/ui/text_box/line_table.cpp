#include "ui/text_box/line_table.h"

#include <algorithm>

namespace quillon::ui {

std::size_t LineTable::LineOf(std::size_t at) const {
    std::size_t low = 0, high = Count();  // Start(low) <= at; the answer is below high
    while (high - low > 1) {
        const std::size_t middle = low + (high - low) / 2;
        if (Start(middle) <= at)
            low = middle;
        else
            high = middle;
    }
    return low;
}

void LineTable::Reset(std::vector<std::size_t> starts, std::size_t textSize) {
    head_ = std::move(starts);
    if (head_.empty()) head_.push_back(0);
    tail_.clear();
    textSize_ = textSize;
}

void LineTable::MoveGap(std::size_t headSize) {
    headSize = std::max<std::size_t>(headSize, 1);
    while (head_.size() > headSize) {
        tail_.push_back(textSize_ - head_.back());
        head_.pop_back();
    }
    while (head_.size() < headSize && !tail_.empty()) {
        head_.push_back(TailFront());
        tail_.pop_back();
    }
}

}  // namespace quillon::ui
