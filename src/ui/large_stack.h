#pragma once
// Running a deeply recursive call on a stack of its own, on the calling thread. Qt lays out a
// tree view recursively, one call per level of expanded items; a document nested a million deep
// needs far more than a thread's usual stack.
#include <cstddef>
#include <functional>

namespace quillon::ui {

// Calls `work` on a fresh stack of `bytes` (reserved, committed only as it is used, released
// afterwards) and returns when it has returned; an exception it throws is thrown again here.
// Throws std::bad_alloc when the stack cannot be reserved. Where the platform offers no way to
// switch stacks, `work` runs on the caller's stack.
void RunOnLargeStack(const std::function<void()>& work, std::size_t bytes);

}  // namespace quillon::ui
