#pragma once
// The script control: an automation class that runs JavaScript for its callers through the
// members AddCode, Eval, ExecuteStatement, Reset and Run, with the properties Language,
// Timeout, State, AllowUI and SitehWnd. It is registered under the ProgIDs "ScriptControl"
// and "MSScriptControl.ScriptControl".
#include <cstddef>
#include <memory>
#include <string>

#include "script/dispatch.h"
#include "script/duk_engine.h"

namespace quillon::script {

class ScriptControl : public Dispatch {
  public:
    static constexpr const char* kClassId = "{5C1B7F2E-9A43-4E0D-B8A6-3F27C9D1E640}";
    static constexpr int kDefaultTimeout = 10000;  // milliseconds; -1 for none

    enum Member : MemberId {
        kAddCode = 1,
        kEval,
        kExecuteStatement,
        kReset,
        kRun,
        kLanguage,
        kTimeout,
        kState,
        kAllowUI,
        kSitehWnd,
    };

    explicit ScriptControl(std::size_t memoryLimit = ScriptEngine::kDefaultMemoryLimit)
        : memoryLimit_(memoryLimit) {}

    // The registry's factory: a control with the default memory cap.
    static HResult create(std::uint32_t context, ComPtr<Unknown>& out);
    // The members' descriptions (shared by every control).
    static const TypeInfo& members();

    const TypeInfo* typeInfo() const override { return &members(); }
    HResult invoke(MemberId id, InvokeKind flags, DispParams& params, Variant* result) override;

  private:
    HResult runCode(MemberId id, DispParams& params, Variant* result);
    HResult getProperty(MemberId id, Variant* result) const;
    HResult putProperty(MemberId id, const Variant& value);
    ScriptEngine& engine();

    std::size_t memoryLimit_;
    std::unique_ptr<ScriptEngine> engine_;  // started on first use, dropped by Reset
    std::u16string language_;               // empty until a language is chosen
    std::int32_t timeout_ = kDefaultTimeout;
    std::int32_t state_ = 0;
    bool allowUI_ = true;
    std::int32_t sitehWnd_ = 0;
};

}  // namespace quillon::script
