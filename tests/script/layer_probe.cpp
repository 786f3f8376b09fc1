#include "layer_probe.h"

namespace quillon::script::testing {

namespace {

MemberDesc fn(std::string name, MemberId id, std::vector<ParamDesc> params, bool varArgs = false,
              InvokeKind invoke = INVOKE_FUNC) {
    MemberDesc m;
    m.name = std::move(name);
    m.id = id;
    m.invoke = invoke;
    m.params = std::move(params);
    m.varArgs = varArgs;
    return m;
}

TypeInfo describeProbe() {
    const ParamDesc any{TypeDesc::of(VT_VARIANT), PARAMFLAG_FIN};
    const ParamDesc text{TypeDesc::of(VT_BSTR), PARAMFLAG_FIN};
    const ParamDesc inOutLong{TypeDesc::pointerTo(TypeDesc::of(VT_I4)),
                              PARAMFLAG_FIN | PARAMFLAG_FOUT};
    const ParamDesc inOnlyLong{TypeDesc::pointerTo(TypeDesc::of(VT_I4)), PARAMFLAG_FIN};
    const ParamDesc inOutAny{TypeDesc::pointerTo(TypeDesc::of(VT_VARIANT)),
                             PARAMFLAG_FIN | PARAMFLAG_FOUT};
    std::vector<MemberDesc> m;
    m.push_back(fn("Echo", Probe::kEcho, {any}));
    m.push_back(fn("Join", Probe::kJoin, {text, any}, true));
    m.push_back(fn("Nothing", Probe::kNothing, {}));
    m.push_back(fn("Null", Probe::kNull, {}));
    m.push_back(fn("Twice", Probe::kTwice, {inOutLong, inOnlyLong}));
    m.push_back(fn("Swap", Probe::kSwap, {inOutAny}));
    m.push_back(fn("Fail", Probe::kFail, {ParamDesc{TypeDesc::of(VT_I4), PARAMFLAG_FIN}}));
    m.push_back(fn("Value", Probe::kValue, {}, false, INVOKE_PROPERTYGET));
    m.push_back(
        fn("Value", Probe::kValue, {ParamDesc{TypeDesc::of(VT_INT)}}, false, INVOKE_PROPERTYPUT));
    MemberDesc name;
    name.name = "Name";
    name.id = Probe::kName;
    name.kind = MemberDesc::Kind::Variable;
    name.type = TypeDesc::of(VT_BSTR);
    m.push_back(name);
    MemberDesc child = name;
    child.name = "Child";
    child.id = Probe::kChild;
    child.type = TypeDesc::userDefined(TypeDesc::User::DispatchInterface);
    m.push_back(child);
    return TypeInfo(std::move(m));
}

// An object with no calling interface, and one without type information.
class Plain : public Unknown {};
class Untyped : public Dispatch {
  public:
    const TypeInfo* typeInfo() const override { return nullptr; }
    HResult invoke(MemberId, InvokeKind, DispParams&, Variant*) override { return S_OK; }
};
// An object that cannot be put into its running state.
class NotRunning : public Probe {
  public:
    HResult run() override { return E_FAIL; }
};

ClassId idOf(const char* text) {
    ClassId id;
    CLSIDFromString(text, id);
    return id;
}

template <class T>
ClassFactory factoryOf() {
    return [](std::uint32_t, ComPtr<Unknown>& out) {
        out = makeObject<T>();
        return S_OK;
    };
}

}  // namespace

const TypeInfo* Probe::typeInfo() const {
    static const TypeInfo info = describeProbe();
    return &info;
}

HResult Probe::invoke(MemberId id, InvokeKind flags, DispParams& params, Variant* result) {
    ++calls;
    lastFlags = flags;
    lastNamed = params.namedArgs;
    lastTypes.clear();
    for (std::size_t i = 0; i < params.count(); ++i) lastTypes.push_back(params.raw(i).vt());
    Variant out;
    switch (id) {
        case kEcho:
            out = params.arg(0);
            break;
        case kJoin: {
            std::u16string joined;
            for (std::size_t i = 0; i < params.count(); ++i) {
                Variant t;
                if (Failed(VariantChangeType(t, params.arg(i), 0, VT_BSTR)))
                    return DISP_E_TYPEMISMATCH;
                joined += t.bstr();
            }
            out = Variant::bstr(joined);
            break;
        }
        case kNothing:
            break;
        case kNull:
            out = Variant::null();
            break;
        case kTwice:  // both parameters arrive by reference; only the first is [out]
            for (std::size_t i = 0; i < params.count(); ++i) {
                Variant* target = params.raw(i).target();
                if (target) *target = Variant::i4(static_cast<std::int32_t>(target->integer() * 2));
            }
            break;
        case kSwap:
            if (Variant* target = params.raw(0).target()) *target = Variant::bstr(u"swapped");
            break;
        case kFail:
            return static_cast<HResult>(params.arg(0).integer());
        case kValue:
            if (flags & DISPATCH_PROPERTYPUT) {
                Variant v;
                if (Failed(VariantChangeType(v, params.arg(0), 0, VT_I4)))
                    return DISP_E_TYPEMISMATCH;
                value = static_cast<std::int32_t>(v.integer());
            } else {
                out = Variant::i4(value);
            }
            break;
        case kName:
            if (flags & DISPATCH_PROPERTYPUT)
                name = params.arg(0);
            else
                out = name;
            break;
        case kChild:
            out = Variant::dispatch(makeObject<Probe>());
            break;
        default:
            return DISP_E_MEMBERNOTFOUND;
    }
    if (result) *result = std::move(out);
    return S_OK;
}

void RegisterProbeClasses() {
    ClassRegistry& r = ClassRegistry::instance();
    r.add(idOf(kProbeClassId), {"Quillon.Probe"}, factoryOf<Probe>());
    r.add(idOf("{0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8FA}"), {"Quillon.Plain"}, factoryOf<Plain>());
    r.add(idOf("{0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8FB}"), {"Quillon.Untyped"},
          factoryOf<Untyped>());
    r.add(idOf("{0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8FC}"), {"Quillon.NotRunning"},
          factoryOf<NotRunning>());
    // A server that cannot run remotely: the full context is refused with E_INVALIDARG.
    r.add(idOf("{0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8FD}"), {"Quillon.LocalOnly"},
          [](std::uint32_t context, ComPtr<Unknown>& out) {
              if (context & CLSCTX_REMOTE_SERVER) return E_INVALIDARG;
              out = makeObject<Probe>();
              return S_OK;
          });
    r.add(idOf("{0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8FE}"), {"Quillon.Broken"},
          [](std::uint32_t, ComPtr<Unknown>&) { return E_OUTOFMEMORY; });
}

}  // namespace quillon::script::testing
