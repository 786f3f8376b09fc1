#include "script/script_host.h"

#include <cmath>
#include <limits>

namespace quillon::script {

int TruncateToInt(double value) {
    if (std::isnan(value)) return 0;
    constexpr double kMin = std::numeric_limits<int>::min();
    constexpr double kMax = std::numeric_limits<int>::max();
    if (value <= kMin) return std::numeric_limits<int>::min();
    if (value >= kMax) return std::numeric_limits<int>::max();
    return static_cast<int>(value);  // truncates toward zero
}

void ScriptHost::enterApartment() {
    CoInitialize(nullptr);
    inApartment_ = true;
}

void ScriptHost::Initialize() {
    if (!inApartment_) enterApartment();
    // Neither result is examined: an empty host simply fails every later call.
    CreateObject(control_, "ScriptControl");
    SetProperty(control_, "Language", {Arg::text("JScript")});
}

void ScriptHost::release() {
    ClearObject(control_);
    if (inApartment_) {
        inApartment_ = false;
        CoUninitialize();
    }
}

void ScriptHost::Destroy() {
    release();
}

ScriptHost::~ScriptHost() {
    release();
}

std::unique_ptr<ScriptHost> ScriptHost::Copy() const {
    auto copy = std::make_unique<ScriptHost>();
    copy->enterApartment();
    AssignObject(copy->control_, control_);
    return copy;
}

bool ScriptHost::ExecuteStatement(std::string_view code) {
    CallMethod(control_, "ExecuteStatement", {Arg::text(code)}, ValueKind::Double);
    return LastCallError().empty();
}

Text ScriptHost::Eval(std::string_view expression) {
    return CallMethod(control_, "Eval", {Arg::text(expression)}, ValueKind::Text).text();
}

void ScriptHost::Reset() {
    CallMethod(control_, "Reset", {}, ValueKind::Double);
}

ComObject ScriptHost::GetControl() const {
    ComObject shared;
    AssignObject(shared, control_);
    return shared;
}

Text ScriptHost::Run(std::string_view procedure, OptionalText arg1, OptionalText arg2,
                     OptionalText arg3, OptionalText arg4, OptionalText arg5, OptionalText arg6) {
    ArgList args{Arg::text(procedure)};
    for (const OptionalText& arg : {arg1, arg2, arg3, arg4, arg5, arg6}) {
        if (!arg) break;  // only the leading run of given arguments is sent
        args.push_back(Arg::text(*arg));
    }
    return CallMethod(control_, "Run", args, ValueKind::Text).text();
}

Text ScriptHost::Language(std::optional<int> kind) {
    const int chosen = kind.value_or(0);
    if (chosen == 0) {
        SetProperty(control_, "Language", {Arg::text("JScript")});
    } else if (chosen == 1) {
        SetProperty(control_, "Language", {Arg::text("vbs")});
    }
    return GetProperty(control_, "Language", {}, ValueKind::Text).text();
}

int ScriptHost::readInteger(std::string_view property) const {
    return TruncateToInt(GetProperty(control_, property, {}, ValueKind::Double).number());
}

int ScriptHost::Timeout(std::optional<int> limit) {
    SetProperty(control_, "Timeout", {Arg::integer(limit.value_or(-1))});
    return readInteger("Timeout");
}

int ScriptHost::State(std::optional<int> value) {
    if (value) SetProperty(control_, "State", {Arg::integer(*value)});
    return readInteger("State");
}

bool ScriptHost::AllowUI(std::optional<bool> flag) {
    if (flag) SetProperty(control_, "AllowUI", {Arg::logical(*flag)});
    return GetProperty(control_, "AllowUI", {}, ValueKind::Logical).logical();
}

int ScriptHost::SitehWnd(std::optional<int> handle) {
    if (handle) SetProperty(control_, "SitehWnd", {Arg::integer(*handle)});
    return readInteger("SitehWnd");
}

void ScriptHost::AddCode(std::string_view code) {
    CallMethod(control_, "AddCode", {Arg::text(code)}, ValueKind::Double);
}

}  // namespace quillon::script
