#pragma once
// A script control instance driven through late-bound calls, offered as plain operations.
//
//   ScriptHost host;
//   host.Initialize();                       // enters the apartment, creates the control
//   host.ExecuteStatement("function twice(s){return s+s;}");
//   Text out = host.Run("twice", "ab");      // "abab"; "" when anything failed
//   host.Destroy();                          // releases the control, leaves the apartment
#include <memory>
#include <optional>
#include <string_view>

#include "runtime/text.h"
#include "script/com_object.h"

namespace quillon::script {

// Built empty; Initialize makes it ready. Every operation is a late-bound call on the control,
// so a failure leaves the empty result and the status for LastCallError. A copy shares the
// control and enters the apartment too, so each Destroy leaves exactly what it entered.
class ScriptHost {
  public:
    using OptionalText = std::optional<std::string_view>;

    ScriptHost() = default;
    ScriptHost(const ScriptHost&) = delete;
    ScriptHost& operator=(const ScriptHost&) = delete;

    // Enters the apartment, creates the "ScriptControl" and sets its language to "JScript".
    // A control that cannot be created leaves the host empty: every later call fails (-1).
    void Initialize();

    virtual void Destroy();
    virtual std::unique_ptr<ScriptHost> Copy() const;
    // Runs statements in the global scope; true when the call left status 0.
    virtual bool ExecuteStatement(std::string_view code);
    virtual Text Eval(std::string_view expression);
    virtual void Reset();
    // A new holder sharing the control.
    virtual ComObject GetControl() const;
    // Calls a global function with the leading run of given arguments (an argument after an
    // omitted one is not sent); the function's value as text.
    virtual Text Run(std::string_view procedure, OptionalText arg1 = {}, OptionalText arg2 = {},
                     OptionalText arg3 = {}, OptionalText arg4 = {}, OptionalText arg5 = {},
                     OptionalText arg6 = {});
    // Kind 0 (or omitted) selects "JScript", 1 "vbs", others write nothing; the language the
    // control reports afterwards.
    virtual Text Language(std::optional<int> kind = {});
    // Writes the limit in milliseconds (-1, none, when omitted), then reads it back.
    virtual int Timeout(std::optional<int> limit = {});
    virtual int State(std::optional<int> value = {});
    virtual bool AllowUI(std::optional<bool> flag = {});
    virtual int SitehWnd(std::optional<int> handle = {});
    virtual void AddCode(std::string_view code);

    virtual ~ScriptHost();

  private:
    void release();
    void enterApartment();
    int readInteger(std::string_view property) const;

    ComObject control_;
    bool inApartment_ = false;
};

// A double read from the engine as an integer: truncated toward zero, clamped to the int range,
// NaN as 0.
int TruncateToInt(double value);

}  // namespace quillon::script
