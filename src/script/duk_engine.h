#pragma once
// One sandboxed JavaScript engine behind the script control: a Duktape heap with only the
// ECMAScript built-ins, a memory cap, and a per-call deadline. Values cross as automation
// variants. Every failure inside the engine (script error, timeout, out of memory) is reported
// as DISP_E_EXCEPTION and leaves the host running.
#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "script/variant.h"

namespace quillon::script {

class ScriptEngine {
  public:
    static constexpr std::size_t kDefaultMemoryLimit = std::size_t{256} << 20;
    static constexpr int kNoTimeout = -1;

    explicit ScriptEngine(std::size_t memoryLimit = kDefaultMemoryLimit);
    ~ScriptEngine();
    ScriptEngine(const ScriptEngine&) = delete;
    ScriptEngine& operator=(const ScriptEngine&) = delete;

    // Runs `code` as global code: its functions and `var`s become globals.
    HResult execute(std::u16string_view code, int timeoutMs);
    // Evaluates `code` in the global scope; `result` gets the value of its last expression.
    HResult eval(std::u16string_view code, int timeoutMs, Variant& result);
    // Calls the global function `name` with `args` (first to last).
    HResult call(std::u16string_view name, const std::vector<Variant>& args, int timeoutMs,
                 Variant& result);

    // Bytes the engine holds now, and whether the last call was stopped by its deadline.
    std::size_t memoryUsed() const;
    bool timedOut() const;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

// Text conversion between automation strings and the engine's internal form, in which each
// UTF-16 unit (surrogates included) is one UTF-8 sequence. Reading accepts 4-byte UTF-8 too;
// undecodable bytes become U+FFFD.
std::string ToEngineString(std::u16string_view text);
std::u16string FromEngineString(std::string_view bytes);

}  // namespace quillon::script
