#include "script/duk_engine.h"

#include <chrono>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <optional>
#include <string>

#include "duktape.h"
#include "script/dispatch.h"

namespace quillon::script {

namespace {

using Clock = std::chrono::steady_clock;

// Every block the engine allocates, linked so that a heap left inconsistent by a fatal error
// can still be freed in full; `used` is held under the engine's cap.
struct alignas(16) Block {
    Block* prev;
    Block* next;
    std::size_t size;
};

class Arena {
  public:
    explicit Arena(std::size_t limit) : limit_(limit) { head_.prev = head_.next = &head_; }
    ~Arena() { freeAll(); }
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;

    void* alloc(std::size_t size) {
        if (size == 0 || size > limit_ - used_) return nullptr;
        auto* b = static_cast<Block*>(std::malloc(sizeof(Block) + size));
        if (!b) return nullptr;
        b->size = size;
        link(b);
        return b + 1;
    }

    void* realloc(void* p, std::size_t size) {
        if (!p) return alloc(size);
        if (size == 0) return release(p), nullptr;
        Block* b = static_cast<Block*>(p) - 1;
        if (size > b->size && size - b->size > limit_ - used_) return nullptr;
        unlink(b);
        auto* n = static_cast<Block*>(std::realloc(b, sizeof(Block) + size));
        if (!n) return link(b), nullptr;
        n->size = size;
        link(n);
        return n + 1;
    }

    void release(void* p) {
        if (!p) return;
        Block* b = static_cast<Block*>(p) - 1;
        unlink(b);
        std::free(b);
    }

    void freeAll() {
        while (head_.next != &head_) release(head_.next + 1);
    }

    std::size_t used() const { return used_; }

  private:
    void link(Block* b) {
        b->prev = &head_;
        b->next = head_.next;
        head_.next->prev = b;
        head_.next = b;
        used_ += b->size;
    }
    void unlink(Block* b) {
        b->prev->next = b->next;
        b->next->prev = b->prev;
        used_ -= b->size;
    }

    Block head_{};
    std::size_t used_ = 0;
    std::size_t limit_;
};

}  // namespace

struct ScriptEngine::Impl {
    explicit Impl(std::size_t limit) : arena(limit) {}
    ~Impl() {
        if (ctx) duk_destroy_heap(ctx);
    }

    bool ensureStarted();
    void abandon() {
        ctx = nullptr;  // the heap may be inconsistent: free its memory without walking it
        arena.freeAll();
    }
    bool pastDeadline() {
        if (!limited) return false;
        if (!timedOut && Clock::now() >= deadline) timedOut = true;
        return timedOut;
    }

    Arena arena;
    duk_context* ctx = nullptr;
    std::jmp_buf escape{};
    bool armed = false;
    bool limited = false;
    bool timedOut = false;
    unsigned allocTicks = 0;
    Clock::time_point deadline{};
};

}  // namespace quillon::script

extern "C" int quillon_duk_exec_timeout(void* udata) {
    return static_cast<quillon::script::ScriptEngine::Impl*>(udata)->pastDeadline() ? 1 : 0;
}

namespace quillon::script {

namespace {

using Impl = ScriptEngine::Impl;

// Past the deadline, new memory is refused as well: built-ins that run long without executing
// script instructions (joins, sorts, string building) allocate, and fail at once.
bool refuseAfterDeadline(Impl* impl) {
    if (!impl->limited) return false;
    if ((++impl->allocTicks & 63) == 0) impl->pastDeadline();
    return impl->timedOut;
}

void* allocFn(void* udata, duk_size_t size) {
    auto* impl = static_cast<Impl*>(udata);
    return refuseAfterDeadline(impl) ? nullptr : impl->arena.alloc(size);
}
void* reallocFn(void* udata, void* p, duk_size_t size) {
    auto* impl = static_cast<Impl*>(udata);
    if (size != 0 && refuseAfterDeadline(impl)) return nullptr;
    return impl->arena.realloc(p, size);
}
void freeFn(void* udata, void* p) {
    static_cast<Impl*>(udata)->arena.release(p);
}

// Duktape reports only unrecoverable errors here (every call runs protected). Inside a call the
// engine is abandoned and the call fails; anywhere else there is nothing safe left to do.
[[noreturn]] void fatalFn(void* udata, const char*) {
    auto* impl = static_cast<Impl*>(udata);
    if (impl && impl->armed) std::longjmp(impl->escape, 1);
    std::abort();
}

// The protected entry into the engine. It holds no objects with destructors, because a fatal
// error comes back here by longjmp. Returns -1 after a fatal error.
int guardedCall(Impl* impl, duk_safe_call_function fn, void* job) {
    if (setjmp(impl->escape) != 0) {
        impl->armed = false;
        return -1;
    }
    impl->armed = true;
    int rc = duk_safe_call(impl->ctx, fn, job, 0, 1);
    impl->armed = false;
    return rc;
}

// Host-visible globals that are not ECMAScript built-ins. Duktape's core has no I/O, timers or
// module loader; these are removed so that scripts see the standard library only.
duk_ret_t sandboxFn(duk_context* ctx, void*) {
    static const char* const extras[] = {"Duktape",     "CBOR",        "TextEncoder",
                                         "TextDecoder", "performance", "Buffer",
                                         "print",       "alert",       "require"};
    duk_push_global_object(ctx);
    for (const char* name : extras) duk_del_prop_string(ctx, -1, name);
    duk_pop(ctx);
    duk_push_undefined(ctx);
    return 1;
}

}  // namespace

bool Impl::ensureStarted() {
    if (ctx) return true;
    ctx = duk_create_heap(allocFn, reallocFn, freeFn, this, fatalFn);
    if (!ctx) return arena.freeAll(), false;
    int rc = guardedCall(this, sandboxFn, nullptr);
    if (rc < 0) return abandon(), false;
    duk_pop(ctx);
    if (rc != DUK_EXEC_SUCCESS) {
        duk_destroy_heap(ctx);
        ctx = nullptr;
        return false;
    }
    return true;
}

}  // namespace quillon::script

namespace quillon::script {

namespace {

// An object the script handed back: its default value is its string form, taken when it
// crossed (empty optional when the script's own conversion threw).
class ScriptObject : public Dispatch {
  public:
    explicit ScriptObject(std::optional<std::u16string> text) : text_(std::move(text)) {}

    const TypeInfo* typeInfo() const override {
        static const TypeInfo none;
        return &none;
    }
    HResult invoke(MemberId id, InvokeKind flags, DispParams& params, Variant* result) override {
        if (id != DISPID_VALUE || !(flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)))
            return DISP_E_MEMBERNOTFOUND;
        if (params.count() != 0) return DISP_E_BADPARAMCOUNT;
        if (!text_) return DISP_E_EXCEPTION;
        if (result) *result = Variant::bstr(*text_);
        return S_OK;
    }

  private:
    std::optional<std::u16string> text_;
};

// One argument ready to push. Plain data only: code that runs inside the engine holds nothing
// that needs destroying, since an engine error unwinds it with longjmp.
struct Pushable {
    enum Type { Undefined, Null, Boolean, Number, String } type = Undefined;
    double number = 0;
    const char* bytes = nullptr;
    std::size_t size = 0;
};

struct Job {
    const char* code = "";  // source text, or the name of the function to call
    std::size_t size = 0;
    const Pushable* args = nullptr;
    std::size_t argc = 0;
    bool isObject = false;  // the result was an object; its string form replaced it
};

duk_ret_t stringFormFn(duk_context* ctx, void*) {
    if (duk_is_symbol(ctx, -1)) {  // symbols refuse plain string coercion; ask them directly
        duk_get_prop_string(ctx, -1, "toString");
        duk_dup(ctx, -2);
        duk_call_method(ctx, 0);
    } else {
        duk_to_string(ctx, -1);
    }
    return 1;
}

// Leaves a primitive result on the stack; an object gives way to its string form, or to
// undefined when the conversion throws.
void settle(duk_context* ctx, Job* job) {
    constexpr duk_uint_t objectTypes = DUK_TYPE_MASK_OBJECT | DUK_TYPE_MASK_BUFFER |
                                       DUK_TYPE_MASK_POINTER | DUK_TYPE_MASK_LIGHTFUNC;
    if (!duk_is_symbol(ctx, -1) && !duk_check_type_mask(ctx, -1, objectTypes)) return;
    job->isObject = true;
    if (duk_safe_call(ctx, stringFormFn, nullptr, 1, 1) != DUK_EXEC_SUCCESS) {
        duk_pop(ctx);
        duk_push_undefined(ctx);
    }
}

duk_ret_t evalFn(duk_context* ctx, void* udata) {
    Job* job = static_cast<Job*>(udata);
    duk_eval_raw(ctx, job->code, job->size,
                 DUK_COMPILE_EVAL | DUK_COMPILE_NOSOURCE | DUK_COMPILE_NOFILENAME);
    settle(ctx, job);
    return 1;
}

duk_ret_t programFn(duk_context* ctx, void* udata) {
    Job* job = static_cast<Job*>(udata);
    duk_compile_raw(ctx, job->code, job->size, DUK_COMPILE_NOSOURCE | DUK_COMPILE_NOFILENAME);
    duk_call(ctx, 0);
    return 1;
}

duk_ret_t callFn(duk_context* ctx, void* udata) {
    Job* job = static_cast<Job*>(udata);
    duk_get_global_lstring(ctx, job->code, job->size);
    if (!duk_is_callable(ctx, -1)) return duk_type_error(ctx, "procedure not defined");
    duk_require_stack(ctx, static_cast<duk_idx_t>(job->argc) + 1);
    for (std::size_t i = 0; i < job->argc; ++i) {
        const Pushable& a = job->args[i];
        switch (a.type) {
            case Pushable::Null:
                duk_push_null(ctx);
                break;
            case Pushable::Boolean:
                duk_push_boolean(ctx, a.number != 0);
                break;
            case Pushable::Number:
                duk_push_number(ctx, a.number);
                break;
            case Pushable::String:
                duk_push_lstring(ctx, a.bytes, a.size);
                break;
            default:
                duk_push_undefined(ctx);
                break;
        }
    }
    duk_call(ctx, static_cast<duk_idx_t>(job->argc));
    settle(ctx, job);
    return 1;
}

Pushable toPushable(const Variant& arg, std::vector<std::string>& store) {
    const Variant& v = arg.isByRef() && arg.target() ? *arg.target() : arg;
    Pushable p;
    Variant c;
    switch (v.vt()) {
        case VT_EMPTY:
        case VT_ERROR:
            return p;  // an omitted argument arrives as undefined
        case VT_NULL:
            p.type = Pushable::Null;
            return p;
        case VT_BOOL:
            p.type = Pushable::Boolean, p.number = v.boolean();
            return p;
        case VT_BSTR:
            store.push_back(ToEngineString(v.bstr()));
            break;
        case VT_DISPATCH:
        case VT_UNKNOWN:
            if (Failed(VariantChangeType(c, v, 0, VT_BSTR))) return p.type = Pushable::Null, p;
            store.push_back(ToEngineString(c.bstr()));
            break;
        default:
            if (Failed(VariantChangeType(c, v, 0, VT_R8))) return p;
            p.type = Pushable::Number, p.number = c.real();
            return p;
    }
    p.type = Pushable::String;
    p.bytes = store.back().data();
    p.size = store.back().size();
    return p;
}

// Reads the settled result on top of the stack (only non-throwing engine calls).
Variant readResult(duk_context* ctx, const Job& job) {
    duk_size_t n = 0;
    const char* s = duk_get_lstring(ctx, -1, &n);
    if (job.isObject) {
        std::optional<std::u16string> text;
        if (s) text = FromEngineString({s, n});
        return Variant::dispatch(makeObject<ScriptObject>(std::move(text)));
    }
    if (s) return Variant::bstr(FromEngineString({s, n}));
    switch (duk_get_type(ctx, -1)) {
        case DUK_TYPE_NULL:
            return Variant::null();
        case DUK_TYPE_BOOLEAN:
            return Variant::boolean(duk_get_boolean(ctx, -1) != 0);
        case DUK_TYPE_NUMBER: {
            double d = duk_get_number(ctx, -1);
            if (d == std::trunc(d) && d >= -2147483648.0 && d <= 2147483647.0)
                return Variant::i4(static_cast<std::int32_t>(d));
            return Variant::r8(d);
        }
        default:
            return Variant();
    }
}

HResult runJob(Impl& impl, duk_safe_call_function fn, Job& job, int timeoutMs, Variant* result) {
    if (!impl.ensureStarted()) return DISP_E_EXCEPTION;
    impl.timedOut = false;
    impl.limited = timeoutMs >= 0;
    if (impl.limited) impl.deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const int rc = guardedCall(&impl, fn, &job);
    impl.limited = false;
    if (rc < 0) return impl.abandon(), DISP_E_EXCEPTION;
    HResult hr = rc == DUK_EXEC_SUCCESS && !impl.timedOut ? S_OK : DISP_E_EXCEPTION;
    if (hr == S_OK && result) {
        try {
            *result = readResult(impl.ctx, job);
        } catch (...) {
            hr = E_OUTOFMEMORY;
        }
    }
    duk_pop(impl.ctx);
    return hr;
}

}  // namespace

ScriptEngine::ScriptEngine(std::size_t memoryLimit) : impl_(std::make_unique<Impl>(memoryLimit)) {}

ScriptEngine::~ScriptEngine() = default;

HResult ScriptEngine::execute(std::u16string_view code, int timeoutMs) {
    const std::string source = ToEngineString(code);
    Job job;
    job.code = source.c_str();
    job.size = source.size();
    return runJob(*impl_, programFn, job, timeoutMs, nullptr);
}

HResult ScriptEngine::eval(std::u16string_view code, int timeoutMs, Variant& result) {
    const std::string source = ToEngineString(code);
    Job job;
    job.code = source.c_str();
    job.size = source.size();
    return runJob(*impl_, evalFn, job, timeoutMs, &result);
}

HResult ScriptEngine::call(std::u16string_view name, const std::vector<Variant>& args,
                           int timeoutMs, Variant& result) {
    const std::string key = ToEngineString(name);
    std::vector<std::string> store;
    store.reserve(args.size());  // the pushables point into it
    std::vector<Pushable> pushables;
    for (const Variant& a : args) pushables.push_back(toPushable(a, store));
    Job job;
    job.code = key.c_str();
    job.size = key.size();
    job.args = pushables.data();
    job.argc = pushables.size();
    return runJob(*impl_, callFn, job, timeoutMs, &result);
}

std::size_t ScriptEngine::memoryUsed() const {
    return impl_->arena.used();
}

bool ScriptEngine::timedOut() const {
    return impl_->timedOut;
}

}  // namespace quillon::script
