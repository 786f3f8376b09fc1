#include "ui/text_box/edit_history.h"

namespace quillon::ui {

void EditHistory::Record(std::size_t at, Text removed, std::size_t inserted, Kind kind,
                         std::size_t budget) {
    if (removed.empty() && inserted == 0) return;
    kept_ += removed.size();
    if (!Join(at, removed, inserted, kind)) {
        steps_.resize(done_);
        steps_.push_back({at, inserted, std::move(removed)});
        ++done_;
    }
    open_ = kind != Kind::kOther;
    kind_ = kind;
    if (kept_ > budget) Trim(budget);
}

void EditHistory::Trim(std::size_t budget) {
    kept_ = 0;
    for (const Step& step : steps_) kept_ += step.other.size();
    std::size_t drop = 0;
    while (kept_ > budget && drop + 1 < steps_.size()) kept_ -= steps_[drop++].other.size();
    steps_.erase(steps_.begin(), steps_.begin() + static_cast<std::ptrdiff_t>(drop));
    done_ -= std::min(done_, drop);
}

// Typing joins when it goes on where the step's text ends; a deletion when it removes the byte
// just before the step (Backspace) or just at it (Delete).
bool EditHistory::Join(std::size_t at, const Text& removed, std::size_t inserted, Kind kind) {
    if (!open_ || kind != kind_ || done_ == 0 || done_ != steps_.size()) return false;
    Step& last = steps_.back();
    if (kind == Kind::kTyping && removed.empty() && at == last.at + last.length) {
        last.length += inserted;
        return true;
    }
    if (kind == Kind::kDeleting && inserted == 0 && last.length == 0) {
        if (at + removed.size() == last.at) {
            last.other.insert(0, removed);
            last.at = at;
            return true;
        }
        if (at == last.at) {
            last.other += removed;
            return true;
        }
    }
    return false;
}

void EditHistory::Clear() {
    steps_.clear();
    done_ = 0;
    open_ = false;
    kept_ = 0;
}

EditHistory::Step* EditHistory::Undo() {
    open_ = false;
    return done_ > 0 ? &steps_[--done_] : nullptr;
}

EditHistory::Step* EditHistory::Redo() {
    open_ = false;
    return done_ < steps_.size() ? &steps_[done_++] : nullptr;
}

}  // namespace quillon::ui
