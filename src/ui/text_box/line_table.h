#pragma once
// Where each visual line of the text box starts. The starts before the last edit are kept as
// positions, those after it as distances from the end of the text, so an edit changes no entry
// after it and typing in one place costs the same in a short text as in a long one.
#include <cstddef>
#include <vector>

namespace quillon::ui {

class LineTable {
  public:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    std::size_t Count() const { return head_.size() + tail_.size(); }
    std::size_t Start(std::size_t line) const {
        return line < head_.size() ? head_[line]
                                   : textSize_ - tail_[tail_.size() - 1 - (line - head_.size())];
    }
    // One past the last byte of the line, its line break included.
    std::size_t End(std::size_t line) const {
        return line + 1 < Count() ? Start(line + 1) : textSize_;
    }
    // The line that holds position `at`: the last one starting at or before it.
    std::size_t LineOf(std::size_t at) const;

    void Reset(std::vector<std::size_t> starts, std::size_t textSize);

    // After `removed` bytes at `at` became `inserted` bytes, lays the lines out again from line
    // `from` (which starts before `at`) until a new start meets an old one behind the edit.
    // `next(start)` gives the start of the line after the one at `start`, or kNone at the end.
    template <typename Next>
    void Rewrap(std::size_t from, std::size_t at, std::size_t removed, std::size_t inserted,
                Next next);

  private:
    void MoveGap(std::size_t headSize);
    std::size_t TailFront() const { return textSize_ - tail_.back(); }

    std::vector<std::size_t> head_{0};
    std::vector<std::size_t> tail_;  // nearest entry last
    std::size_t textSize_ = 0;
};

template <typename Next>
void LineTable::Rewrap(std::size_t from, std::size_t at, std::size_t removed, std::size_t inserted,
                       Next next) {
    MoveGap(from + 1);
    while (!tail_.empty() && TailFront() < at + removed) tail_.pop_back();  // inside the edit
    textSize_ = textSize_ - removed + inserted;
    const std::size_t editEnd = at + inserted;
    for (std::size_t start = head_.back();;) {
        start = next(start);
        if (start == kNone) {
            tail_.clear();
            return;
        }
        if (start >= editEnd) {
            while (!tail_.empty() && TailFront() < start) tail_.pop_back();
            if (!tail_.empty() && TailFront() == start) return;
        }
        head_.push_back(start);
    }
}

}  // namespace quillon::ui
