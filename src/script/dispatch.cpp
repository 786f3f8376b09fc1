#include "script/dispatch.h"

#include "runtime/text.h"

namespace quillon::script {

bool SameAutomationName(std::string_view a, std::string_view b) {
    return equalsAsciiNoCase(a, b);
}

VarType ResolveParamType(const TypeDesc& type) {
    const TypeDesc* inner = type.inner.get();
    switch (type.vt) {
        case VT_USERDEFINED:
            switch (type.user) {
                case TypeDesc::User::Enumeration:
                    return VT_I4;
                case TypeDesc::User::DispatchInterface:
                    return VT_DISPATCH;
                case TypeDesc::User::Alias:
                    return inner ? ResolveParamType(*inner) : VT_UNKNOWN;
                default:
                    return VT_UNKNOWN;
            }
        case VT_PTR:
            return static_cast<VarType>((inner ? ResolveParamType(*inner) : VT_VOID) | VT_BYREF);
        case VT_SAFEARRAY:
        case VT_CARRAY:
            return static_cast<VarType>((inner ? ResolveParamType(*inner) : VT_VARIANT) | VT_ARRAY);
        case VT_INT:
            return VT_I4;
        case VT_UINT:
            return VT_UI4;
        default:
            return type.vt;
    }
}

const MemberDesc* TypeInfo::bind(std::string_view name, InvokeKind kind) const {
    for (const MemberDesc& m : members_) {
        if (!SameAutomationName(m.name, name)) continue;
        if (m.kind != MemberDesc::Kind::Function || m.invoke == kind) return &m;
    }
    return nullptr;
}

const Variant& DispParams::arg(std::size_t i) const {
    const Variant& v = args[args.size() - 1 - i];
    return v.isByRef() && v.target() ? *v.target() : v;
}

}  // namespace quillon::script
