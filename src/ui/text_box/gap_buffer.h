#pragma once
// The text box's bytes with a gap at the last edit, so typing in one place moves no bytes and
// only an edit elsewhere moves those between the two places.
#include <cstddef>
#include <string_view>

#include "runtime/text.h"

namespace quillon::ui {

class GapBuffer {
  public:
    std::size_t size() const { return data_.size() - (gapEnd_ - gapBegin_); }
    unsigned char operator[](std::size_t i) const {
        return static_cast<unsigned char>(i < gapBegin_ ? data_[i]
                                                        : data_[i + gapEnd_ - gapBegin_]);
    }

    // Takes `text` as the whole content.
    void Assign(Text text);
    // Replaces `removed` bytes at `at` with `inserted`.
    void Replace(std::size_t at, std::size_t removed, std::string_view inserted);
    // The bytes [from, to).
    Text Copy(std::size_t from, std::size_t to) const;
    void AppendTo(std::size_t from, std::size_t to, Text& out) const;
    // All bytes in one piece (the gap moves to the end).
    std::string_view Contiguous();

  private:
    void MoveGap(std::size_t at);
    void Reserve(std::size_t gap);

    Text data_;
    std::size_t gapBegin_ = 0;
    std::size_t gapEnd_ = 0;
};

}  // namespace quillon::ui
