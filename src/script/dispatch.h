#pragma once
// Calling objects by member name: the type information that describes each member, the
// argument block of a call, and the Dispatch interface that automation classes implement.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "script/unknown.h"
#include "script/variant.h"

namespace quillon::script {

// Automation names (members, ProgIDs) compare without regard to ASCII letter case.
bool SameAutomationName(std::string_view a, std::string_view b);

using MemberId = std::int32_t;
constexpr MemberId DISPID_UNKNOWN = -1;
constexpr MemberId DISPID_VALUE = 0;
constexpr MemberId DISPID_PROPERTYPUT = -3;

// How a member is invoked; used both to bind a name and as the flags of Dispatch::invoke.
using InvokeKind = std::uint16_t;
constexpr InvokeKind INVOKE_FUNC = 1;
constexpr InvokeKind INVOKE_PROPERTYGET = 2;
constexpr InvokeKind INVOKE_PROPERTYPUT = 4;
constexpr InvokeKind INVOKE_PROPERTYPUTREF = 8;
constexpr InvokeKind DISPATCH_METHOD = 1;
constexpr InvokeKind DISPATCH_PROPERTYGET = 2;
constexpr InvokeKind DISPATCH_PROPERTYPUT = 4;
constexpr InvokeKind DISPATCH_PROPERTYPUTREF = 8;

// Parameter direction flags.
constexpr std::uint16_t PARAMFLAG_FIN = 0x1;
constexpr std::uint16_t PARAMFLAG_FOUT = 0x2;
constexpr std::uint16_t PARAMFLAG_FOPT = 0x10;

// A declared type as type information states it: a plain variant type, or a pointer, array or
// user-defined type wrapped around another declaration.
struct TypeDesc {
    enum class User { None, Enumeration, DispatchInterface, Alias, Other };

    VarType vt = VT_VARIANT;  // VT_PTR, VT_SAFEARRAY, VT_CARRAY and VT_USERDEFINED wrap `inner`
    User user = User::None;   // for VT_USERDEFINED
    std::shared_ptr<const TypeDesc> inner;

    static TypeDesc of(VarType vt) { return {vt, User::None, nullptr}; }
    static TypeDesc pointerTo(TypeDesc t) { return wrap(VT_PTR, User::None, std::move(t)); }
    static TypeDesc safeArrayOf(TypeDesc t) { return wrap(VT_SAFEARRAY, User::None, std::move(t)); }
    static TypeDesc aliasOf(TypeDesc t) { return wrap(VT_USERDEFINED, User::Alias, std::move(t)); }
    static TypeDesc userDefined(User kind) { return {VT_USERDEFINED, kind, nullptr}; }

  private:
    static TypeDesc wrap(VarType vt, User u, TypeDesc t) {
        return {vt, u, std::make_shared<const TypeDesc>(std::move(t))};
    }
};

// The variant type a parameter of this declaration takes: enumerations become VT_I4, dispatch
// interfaces VT_DISPATCH, aliases their target, other user types VT_UNKNOWN; a pointer adds
// VT_BYREF, an array VT_ARRAY; VT_INT and VT_UINT become VT_I4 and VT_UI4.
VarType ResolveParamType(const TypeDesc& type);

struct ParamDesc {
    TypeDesc type = TypeDesc::of(VT_VARIANT);
    std::uint16_t flags = PARAMFLAG_FIN;
};

// One member as type information describes it.
struct MemberDesc {
    enum class Kind { Function, Variable, ImplicitAppObject };

    std::string name;
    MemberId id = DISPID_UNKNOWN;
    Kind kind = Kind::Function;
    InvokeKind invoke = INVOKE_FUNC;           // functions only
    std::vector<ParamDesc> params;             // functions only
    bool varArgs = false;                      // the last parameter repeats for surplus arguments
    TypeDesc type = TypeDesc::of(VT_VARIANT);  // a variable's type, or a function's result
};

// The members of a class. Names bind case-insensitively (ASCII), as automation names do.
class TypeInfo {
  public:
    TypeInfo() = default;
    explicit TypeInfo(std::vector<MemberDesc> members) : members_(std::move(members)) {}

    // The member called `name` that can be invoked as `kind`; variables and application
    // objects bind for every kind. Null when nothing binds.
    const MemberDesc* bind(std::string_view name, InvokeKind kind) const;
    const std::vector<MemberDesc>& members() const { return members_; }

  private:
    std::vector<MemberDesc> members_;
};

// The arguments of one call, last argument first; namedArgs names the leading entries.
struct DispParams {
    std::vector<Variant> args;
    std::vector<MemberId> namedArgs;

    std::size_t count() const { return args.size(); }
    // Argument `i` in call order (0 = first), with a by-reference argument read through.
    const Variant& arg(std::size_t i) const;
    // Argument `i` in call order as given (by-reference arguments stay references).
    Variant& raw(std::size_t i) { return args[args.size() - 1 - i]; }
};

// An object that can be called by member name.
class Dispatch : public Unknown {
  public:
    Dispatch* queryDispatch() override { return this; }

    // The type information of the class, or null when it has none.
    virtual const TypeInfo* typeInfo() const = 0;
    // Runs member `id` as `flags` says; a result, if any, goes to `result` (may be null).
    virtual HResult invoke(MemberId id, InvokeKind flags, DispParams& params, Variant* result) = 0;
};

}  // namespace quillon::script
