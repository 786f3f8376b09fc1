// The late-bound call behind GetProperty, SetProperty and CallMethod: bind the member name
// through the object's type information, convert and fit the arguments, invoke, write back
// by-reference arguments, convert the result, and leave the status for the thread.
#include <optional>
#include <span>

#include "runtime/codepage.h"
#include "script/com_object.h"
#include "script/dispatch.h"

namespace quillon::script {

namespace {

thread_local int tlsStatus = 0;

enum class CallKind { Get = 1, Put = 2, Method = 3 };

// The variant type that carries each listed kind; nullopt for kinds the table does not list.
std::optional<VarType> carrierOf(std::uint32_t code) {
    switch (static_cast<ValueKind>(code)) {
        case ValueKind::Text:
            return VT_BSTR;
        case ValueKind::Logical:
            return VT_BOOL;
        case ValueKind::Byte:
            return VT_UI1;
        case ValueKind::Short:
            return VT_I2;
        case ValueKind::Integer:
            return VT_I4;
        case ValueKind::Long:
            return VT_I4;
        case ValueKind::Float:
            return VT_R4;
        case ValueKind::Double:
            return VT_R8;
        case ValueKind::DateTime:
            return VT_DATE;
        case ValueKind::Object:
            return VT_UNKNOWN;
        case ValueKind::Variant:
            return VT_VARIANT;
        default:
            return std::nullopt;
    }
}

// An argument value as the variant its kind sends.
std::optional<Variant> toVariant(std::uint32_t code, const Value& v) {
    switch (static_cast<ValueKind>(code)) {
        case ValueKind::Text:
            return Variant::bstr(codepage::gbkToUtf16(v.text()));
        case ValueKind::Logical:
            return Variant::boolean(v.logical());
        case ValueKind::Byte:
            return Variant::ui1(static_cast<std::uint8_t>(v.integer()));
        case ValueKind::Short:
            return Variant::i2(static_cast<std::int16_t>(v.integer()));
        case ValueKind::Integer:
            return Variant::i4(static_cast<std::int32_t>(v.integer()));
        case ValueKind::Long:  // only the low 32 bits travel
            return Variant::i4(static_cast<std::int32_t>(static_cast<std::uint32_t>(v.integer())));
        case ValueKind::Float:
            return Variant::r4(static_cast<float>(v.number()));
        case ValueKind::Double:
            return Variant::r8(v.number());
        case ValueKind::DateTime:
            return Variant::date(v.number());
        case ValueKind::Object: {
            ComPtr<Unknown> p = v.object().ptr();
            return p && p->queryDispatch() ? Variant::dispatch(p) : Variant::unknown(p);
        }
        case ValueKind::Variant: {
            Variant copy;
            if (Failed(VariantCopyInd(copy, v.variant()))) return std::nullopt;
            return copy;
        }
        default:
            return std::nullopt;
    }
}

// A variant read back as a value of the kind; false when it cannot be coerced.
bool toValue(const Variant& v, ValueKind kind, Value& out) {
    Variant plain;
    if (Failed(VariantCopyInd(plain, v))) return false;
    if (kind == ValueKind::Variant) return out = Value::variant(std::move(plain)), true;
    if (plain.vt() == VT_RECORD) return false;
    std::optional<VarType> vt = carrierOf(static_cast<std::uint32_t>(kind));
    Variant c;
    if (!vt || Failed(VariantChangeType(c, plain, 0, *vt))) return false;
    switch (kind) {
        case ValueKind::Text:
            out = Value::text(codepage::utf16ToGbk(c.bstr()));
            break;
        case ValueKind::Logical:
            out = Value::logical(c.boolean());
            break;
        case ValueKind::Byte:
            out = Value::byte(static_cast<std::uint8_t>(c.integer()));
            break;
        case ValueKind::Short:
            out = Value::shortInteger(static_cast<std::int16_t>(c.integer()));
            break;
        case ValueKind::Integer:
            out = Value::integer(static_cast<std::int32_t>(c.integer()));
            break;
        case ValueKind::Long:
            out = Value::longInteger(c.integer());
            break;
        case ValueKind::Float:
            out = Value::floating(static_cast<float>(c.real()));
            break;
        case ValueKind::Double:
            out = Value::real(c.real());
            break;
        case ValueKind::DateTime:
            out = Value::dateTime(c.real());
            break;
        case ValueKind::Object:
            out = Value::object(ComObject(ComPtr<Unknown>(c.object())));
            break;
        default:
            return false;
    }
    return true;
}

int statusOf(HResult hr) {
    switch (hr) {
        case DISP_E_MEMBERNOTFOUND:
            return kMemberNotFound;
        case DISP_E_PARAMNOTFOUND:
            return kParamNotFound;
        case DISP_E_TYPEMISMATCH:
            return kTypeMismatch;
        case DISP_E_NONAMEDARGS:
            return kNoNamedArgs;
        case DISP_E_BADVARTYPE:
            return kBadVarType;
        case DISP_E_EXCEPTION:
            return kException;
        case DISP_E_OVERFLOW:
            return kOverflow;
        case DISP_E_BADPARAMCOUNT:
            return kBadParamCount;
        case DISP_E_PARAMNOTOPTIONAL:
            return kParamNotOptional;
        default:
            return kOtherFailure;
    }
}

// What binding found: the member to invoke, how, and the parameters it declares.
struct Binding {
    MemberId id = DISPID_UNKNOWN;
    InvokeKind flags = 0;
    std::vector<ParamDesc> params;
    bool varArgs = false;
};

const MemberDesc* bindName(const TypeInfo& info, std::string_view name, CallKind kind) {
    static constexpr InvokeKind kGet[] = {INVOKE_PROPERTYGET, INVOKE_FUNC};
    static constexpr InvokeKind kPut[] = {INVOKE_PROPERTYPUT, INVOKE_PROPERTYPUTREF, INVOKE_FUNC};
    static constexpr InvokeKind kMethod[] = {INVOKE_FUNC, INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT,
                                             INVOKE_PROPERTYPUTREF};
    std::span<const InvokeKind> order = kMethod;
    if (kind == CallKind::Get) order = kGet;
    if (kind == CallKind::Put) order = kPut;
    for (InvokeKind k : order) {
        if (const MemberDesc* m = info.bind(name, k)) return m;
    }
    return nullptr;
}

Binding describe(const MemberDesc& m, CallKind kind) {
    Binding b;
    b.id = m.id;
    if (m.kind == MemberDesc::Kind::Function) {
        b.flags = m.invoke;
        b.params = m.params;
        b.varArgs = m.varArgs;
    } else if (kind == CallKind::Put) {
        VarType t = static_cast<VarType>(ResolveParamType(m.type) & ~VT_BYREF);
        bool byRef = (t & VT_ARRAY) || t == VT_UNKNOWN || t == VT_DISPATCH;
        b.flags = byRef ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
        b.params.push_back({m.type, PARAMFLAG_FIN});
    } else {
        b.flags = DISPATCH_PROPERTYGET;
    }
    return b;
}

// How one argument went out: by reference to its backing value, and whether it may come back.
struct Slot {
    bool wentAsRef = false;
    bool out = false;
};

// Fits a converted argument to its parameter's declared type. A parameter declared by
// reference gets a reference to `backing`, which holds the value coerced to the declared type.
Variant fit(Variant converted, const ParamDesc& param, Variant& backing, Slot& slot) {
    const VarType declared = ResolveParamType(param.type);
    slot.out = (param.flags & PARAMFLAG_FOUT) != 0;
    if (!(declared & VT_BYREF) || converted.vt() == VT_ERROR) return converted;
    const VarType base = static_cast<VarType>(declared & ~VT_BYREF);
    if ((base & VT_ARRAY) || base == VT_RECORD) return converted;  // no array values exist here
    if (base != VT_VARIANT) {
        Variant coerced;
        if (Failed(VariantChangeType(coerced, converted, 0, base))) return converted;
        converted = std::move(coerced);
    }
    backing = std::move(converted);
    slot.wentAsRef = true;
    return Variant::byRef(&backing, base);
}

// Converts the arguments into `dp` (last argument first). A refused kind clears everything.
int buildArgs(std::span<const Arg> args, const Binding& b, DispParams& dp,
              std::vector<Variant>& backing, std::vector<Slot>& slots) {
    const std::size_t n = args.size();
    dp.args.assign(n, Variant());
    backing.assign(n, Variant());  // sized once: references into it must stay valid
    slots.assign(n, Slot());
    for (std::size_t i = 0; i < n; ++i) {
        const Arg& a = args[i];
        Variant& out = dp.args[n - 1 - i];
        if (a.code == 0) {
            out = Variant::missing();
            continue;
        }
        const bool byRef = (a.code & kByReference) && a.ref;
        std::optional<Variant> v = toVariant(a.code & ~kByReference, byRef ? *a.ref : a.value);
        if (!v) {
            dp.args.clear();
            backing.clear();
            return kBadArgumentKind;
        }
        const ParamDesc& p = i < b.params.size() ? b.params[i] : b.params.back();
        out = fit(std::move(*v), p, backing[i], slots[i]);
        if (out.vt() == VT_EMPTY) out = Variant::missing();
    }
    return kOk;
}

// Stores the new values of [out] parameters that went by reference into the caller's variables.
void writeBack(std::span<const Arg> args, const std::vector<Variant>& backing,
               const std::vector<Slot>& slots) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const Arg& a = args[i];
        if (!(a.code & kByReference) || !a.ref || !slots[i].wentAsRef || !slots[i].out) continue;
        const auto kind = static_cast<ValueKind>(a.code & ~kByReference);
        if (kind == ValueKind::Variant) {
            Variant copy;
            if (!Failed(VariantCopyInd(copy, backing[i]))) a.ref->variant() = std::move(copy);
            continue;
        }
        Value v;
        if (toValue(backing[i], kind, v)) *a.ref = std::move(v);
    }
}

int invokeByName(const ComObject& object, std::string_view name, std::span<const Arg> args,
                 ValueKind resultKind, CallKind kind, Value& result) {
    while (!args.empty() && args.back().code == 0) args = args.first(args.size() - 1);
    if (object.empty()) return kObjectEmpty;
    ComPtr<Unknown> keep = object.ptr();  // alive through the call, whatever the callee does
    Dispatch* disp = keep->queryDispatch();
    if (!disp) return kNoDispatch;
    const TypeInfo* info = disp->typeInfo();
    if (!info) return kNoTypeInfo;
    const MemberDesc* member = bindName(*info, name, kind);
    if (!member) return kNameNotFound;
    const Binding b = describe(*member, kind);
    if (args.size() > b.params.size() &&
        !(member->kind == MemberDesc::Kind::Function && b.varArgs && !b.params.empty()))
        return kTooManyArguments;
    if (resultKind != ValueKind::None && !carrierOf(static_cast<std::uint32_t>(resultKind)))
        return kBadArgumentKind;

    DispParams dp;
    std::vector<Variant> backing;
    std::vector<Slot> slots;
    if (int s = buildArgs(args, b, dp, backing, slots); s != kOk) return s;
    if (b.flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))
        dp.namedArgs.push_back(DISPID_PROPERTYPUT);
    Variant raw;
    if (HResult hr = disp->invoke(b.id, b.flags, dp, &raw); Failed(hr)) return statusOf(hr);
    writeBack(args, backing, slots);
    if (resultKind == ValueKind::None) return kOk;
    return toValue(raw, resultKind, result) ? kOk : kResultMismatch;
}

Value lateCall(const ComObject& object, std::string_view name, const ArgList& args,
               ValueKind resultKind, CallKind kind) {
    Value result;
    int status = kOk;
    try {
        status = invokeByName(object, name, args, resultKind, kind, result);
    } catch (...) {  // out of memory or a broken code page: a failed call, never an escape
        status = kOtherFailure;
    }
    if (status != kOk) result = Value::emptyOf(resultKind);
    tlsStatus = status;
    return result;
}

}  // namespace

Value GetProperty(const ComObject& object, std::string_view name, const ArgList& args,
                  ValueKind result) {
    return lateCall(object, name, args, result, CallKind::Get);
}

bool SetProperty(const ComObject& object, std::string_view name, const ArgList& args) {
    lateCall(object, name, args, ValueKind::None, CallKind::Put);
    return tlsStatus == kOk;
}

Value CallMethod(const ComObject& object, std::string_view name, const ArgList& args,
                 ValueKind result) {
    return lateCall(object, name, args, result, CallKind::Method);
}

int LastCallStatus() {
    return tlsStatus;
}

}  // namespace quillon::script
