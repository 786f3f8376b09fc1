#pragma once
// Undo and redo for the text box. A step keeps only the bytes that are not in the text: before
// an undo the ones the edit removed, after it the ones it had put in; undoing and redoing are
// the same swap. Typing, and deleting character by character, join the step before them while
// they continue where it ended.
#include <cstddef>
#include <vector>

#include "runtime/text.h"

namespace quillon::ui {

class EditHistory {
  public:
    enum class Kind { kOther, kTyping, kDeleting };

    struct Step {
        std::size_t at = 0;      // where the edit happened
        std::size_t length = 0;  // bytes of the step's side now in the text, from `at`
        Text other;              // the bytes of the other side
    };

    // An edit replaced `removed` at `at` with `inserted` bytes. The oldest steps are forgotten
    // once the history holds more than `budget` bytes (the newest one always stays).
    void Record(std::size_t at, Text removed, std::size_t inserted, Kind kind, std::size_t budget);
    // The next edit starts a step of its own (after a cursor move, say).
    void Seal() { open_ = false; }
    void Clear();
    bool CanUndo() const { return done_ > 0; }
    bool CanRedo() const { return done_ < steps_.size(); }

    // The step to swap back into the text, or nullptr; the history moves past it.
    Step* Undo();
    Step* Redo();

  private:
    bool Join(std::size_t at, const Text& removed, std::size_t inserted, Kind kind);
    void Trim(std::size_t budget);

    std::vector<Step> steps_;
    std::size_t done_ = 0;  // steps_[0, done_) are in the text
    bool open_ = false;     // the last step may take in the next edit of its kind
    Kind kind_ = Kind::kOther;
    std::size_t kept_ = 0;  // about the bytes the steps hold; exact after each trim
};

}  // namespace quillon::ui
