#include "script/script_control.h"

#include "runtime/text.h"

namespace quillon::script {

namespace {

MemberDesc function(std::string name, MemberId id, std::vector<ParamDesc> params, TypeDesc result,
                    bool varArgs = false) {
    MemberDesc m;
    m.name = std::move(name);
    m.id = id;
    m.invoke = INVOKE_FUNC;
    m.params = std::move(params);
    m.varArgs = varArgs;
    m.type = std::move(result);
    return m;
}

// A read-write property: one PROPERTYGET and one PROPERTYPUT description under one id.
void property(std::vector<MemberDesc>& out, std::string name, MemberId id, TypeDesc type) {
    MemberDesc get = function(name, id, {}, type);
    get.invoke = INVOKE_PROPERTYGET;
    MemberDesc put = function(std::move(name), id, {{type, PARAMFLAG_FIN}}, TypeDesc::of(VT_VOID));
    put.invoke = INVOKE_PROPERTYPUT;
    out.push_back(std::move(get));
    out.push_back(std::move(put));
}

TypeInfo describeControl() {
    const TypeDesc text = TypeDesc::of(VT_BSTR);
    const TypeDesc none = TypeDesc::of(VT_VOID);
    const TypeDesc any = TypeDesc::of(VT_VARIANT);
    const ParamDesc code{text, PARAMFLAG_FIN};
    const ParamDesc rest{TypeDesc::pointerTo(TypeDesc::safeArrayOf(any)), PARAMFLAG_FIN};
    using C = ScriptControl;
    std::vector<MemberDesc> m;
    m.push_back(function("AddCode", C::kAddCode, {code}, none));
    m.push_back(function("Eval", C::kEval, {code}, any));
    m.push_back(function("ExecuteStatement", C::kExecuteStatement, {code}, none));
    m.push_back(function("Reset", C::kReset, {}, none));
    m.push_back(function("Run", C::kRun, {code, rest}, any, true));
    property(m, "Language", C::kLanguage, text);
    property(m, "Timeout", C::kTimeout, TypeDesc::of(VT_I4));
    property(m, "State", C::kState, TypeDesc::userDefined(TypeDesc::User::Enumeration));
    property(m, "AllowUI", C::kAllowUI, TypeDesc::of(VT_BOOL));
    property(m, "SitehWnd", C::kSitehWnd, TypeDesc::of(VT_I4));
    return TypeInfo(std::move(m));
}

bool isScriptLanguage(const std::u16string& name) {
    return equalsAsciiNoCase(name, u"jscript") || equalsAsciiNoCase(name, u"javascript");
}

HResult argAs(const DispParams& params, std::size_t i, VarType vt, Variant& out) {
    if (i >= params.count()) return DISP_E_PARAMNOTOPTIONAL;
    if (params.arg(i).isMissing()) return DISP_E_PARAMNOTOPTIONAL;
    HResult hr = VariantChangeType(out, params.arg(i), 0, vt);
    return hr == DISP_E_OVERFLOW ? hr : Failed(hr) ? DISP_E_TYPEMISMATCH : S_OK;
}

}  // namespace

HResult ScriptControl::create(std::uint32_t, ComPtr<Unknown>& out) {
    out = makeObject<ScriptControl>();
    return S_OK;
}

const TypeInfo& ScriptControl::members() {
    static const TypeInfo info = describeControl();
    return info;
}

ScriptEngine& ScriptControl::engine() {
    if (!engine_) engine_ = std::make_unique<ScriptEngine>(memoryLimit_);
    return *engine_;
}

HResult ScriptControl::invoke(MemberId id, InvokeKind flags, DispParams& params, Variant* result) {
    if (id >= kLanguage && id <= kSitehWnd) {
        if (flags & DISPATCH_PROPERTYPUT) {
            if (params.count() != 1) return DISP_E_BADPARAMCOUNT;
            return putProperty(id, params.arg(0));
        }
        if (!(flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD))) return DISP_E_MEMBERNOTFOUND;
        if (params.count() != 0) return DISP_E_BADPARAMCOUNT;
        return getProperty(id, result);
    }
    if (id < kAddCode || id > kRun) return DISP_E_MEMBERNOTFOUND;
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (!params.namedArgs.empty()) return DISP_E_NONAMEDARGS;
    if (id == kReset) {
        if (params.count() != 0) return DISP_E_BADPARAMCOUNT;
        engine_.reset();
        return S_OK;
    }
    return runCode(id, params, result);
}

HResult ScriptControl::runCode(MemberId id, DispParams& params, Variant* result) {
    if (id != kRun && params.count() > 1) return DISP_E_BADPARAMCOUNT;
    Variant code;
    if (HResult hr = argAs(params, 0, VT_BSTR, code); Failed(hr)) return hr;
    // Without a language there is no engine to run the code in.
    if (!isScriptLanguage(language_)) return DISP_E_EXCEPTION;
    Variant value;
    HResult hr = S_OK;
    if (id == kEval) {
        hr = engine().eval(code.bstr(), timeout_, value);
    } else if (id == kRun) {
        std::vector<Variant> args;
        for (std::size_t i = 1; i < params.count(); ++i) args.push_back(params.arg(i));
        hr = engine().call(code.bstr(), args, timeout_, value);
    } else {
        hr = engine().execute(code.bstr(), timeout_);
    }
    if (!Failed(hr) && result) *result = std::move(value);
    return hr;
}

HResult ScriptControl::getProperty(MemberId id, Variant* result) const {
    Variant v;
    switch (id) {
        case kLanguage:
            v = Variant::bstr(language_);
            break;
        case kTimeout:
            v = Variant::i4(timeout_);
            break;
        case kState:
            v = Variant::i4(state_);
            break;
        case kAllowUI:
            v = Variant::boolean(allowUI_);
            break;
        default:
            v = Variant::i4(sitehWnd_);
            break;
    }
    if (result) *result = std::move(v);
    return S_OK;
}

HResult ScriptControl::putProperty(MemberId id, const Variant& value) {
    DispParams one;
    one.args.push_back(value);
    Variant v;
    const VarType vt = id == kLanguage ? VT_BSTR : id == kAllowUI ? VT_BOOL : VT_I4;
    if (HResult hr = argAs(one, 0, vt, v); Failed(hr)) return hr;
    switch (id) {
        case kLanguage:
            // Both names select the one JavaScript engine; its code and globals stay.
            if (!isScriptLanguage(v.bstr())) return DISP_E_EXCEPTION;
            language_ = v.bstr();
            return S_OK;
        case kTimeout:
            if (v.integer() < -1) return E_INVALIDARG;
            timeout_ = static_cast<std::int32_t>(v.integer());
            return S_OK;
        case kState:
            if (v.integer() != 0 && v.integer() != 1) return E_INVALIDARG;
            state_ = static_cast<std::int32_t>(v.integer());
            return S_OK;
        case kAllowUI:
            allowUI_ = v.boolean();
            return S_OK;
        default:
            sitehWnd_ = static_cast<std::int32_t>(v.integer());
            return S_OK;
    }
}

}  // namespace quillon::script
