#include "ui/large_stack.h"

#include <cstdint>
#include <exception>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#include <ucontext.h>
#define QUILLON_SWITCH_STACKS 1
#endif

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#define QUILLON_TELL_ASAN 1
#endif

namespace quillon::ui {

#if QUILLON_SWITCH_STACKS
namespace {

struct Call {
    const std::function<void()>* work;
    ucontext_t caller;
    std::exception_ptr error;
    const void* callerBottom = nullptr;  // what the address sanitizer must hear on the way back
    std::size_t callerSize = 0;
};

// The context's entry; the pointer to the call comes in two halves, as makecontext passes ints.
void Enter(unsigned high, unsigned low) {
    auto* call = reinterpret_cast<Call*>((std::uintptr_t(high) << 32) | low);
#if QUILLON_TELL_ASAN
    __sanitizer_finish_switch_fiber(nullptr, &call->callerBottom, &call->callerSize);
#endif
    try {
        (*call->work)();
    } catch (...) {
        call->error = std::current_exception();
    }
#if QUILLON_TELL_ASAN
    __sanitizer_start_switch_fiber(nullptr, call->callerBottom, call->callerSize);
#endif
}  // returns into call->caller through uc_link

// A reserved region, released when it goes out of scope. Its lowest page stays inaccessible, so
// running off the end faults instead of writing into whatever lies below.
class Region {
  public:
    explicit Region(std::size_t bytes) : bytes_(bytes) {
        base_ = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
        if (base_ == MAP_FAILED) throw std::bad_alloc();
        mprotect(base_, 4096, PROT_NONE);
    }
    ~Region() { munmap(base_, bytes_); }
    Region(const Region&) = delete;
    Region& operator=(const Region&) = delete;
    void* base() const { return base_; }

  private:
    void* base_;
    std::size_t bytes_;
};

}  // namespace

void RunOnLargeStack(const std::function<void()>& work, std::size_t bytes) {
    const Region stack(bytes);
    Call call{&work, {}, nullptr};
    ucontext_t context;
    getcontext(&context);
    context.uc_stack.ss_sp = stack.base();
    context.uc_stack.ss_size = bytes;
    context.uc_link = &call.caller;
    const auto address = reinterpret_cast<std::uintptr_t>(&call);
    makecontext(&context, reinterpret_cast<void (*)()>(Enter), 2,
                static_cast<unsigned>(address >> 32), static_cast<unsigned>(address));
#if QUILLON_TELL_ASAN
    void* fakeStack = nullptr;
    __sanitizer_start_switch_fiber(&fakeStack, stack.base(), bytes);
#endif
    swapcontext(&call.caller, &context);
#if QUILLON_TELL_ASAN
    __sanitizer_finish_switch_fiber(fakeStack, nullptr, nullptr);
#endif
    if (call.error) std::rethrow_exception(call.error);
}

#else

void RunOnLargeStack(const std::function<void()>& work, std::size_t) {
    work();
}

#endif

}  // namespace quillon::ui
