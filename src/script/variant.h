#pragma once
// Automation values: the tagged Variant that crosses every late-bound call, its type codes, the
// result codes of the automation runtime, and the coercions between variant types.
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "script/unknown.h"

namespace quillon::script {

// Result codes. Negative values are failures.
constexpr HResult S_OK = 0;
constexpr HResult S_FALSE = 1;
constexpr HResult E_NOTIMPL = static_cast<HResult>(0x80004001);
constexpr HResult E_NOINTERFACE = static_cast<HResult>(0x80004002);
constexpr HResult E_FAIL = static_cast<HResult>(0x80004005);
constexpr HResult E_OUTOFMEMORY = static_cast<HResult>(0x8007000E);
constexpr HResult E_INVALIDARG = static_cast<HResult>(0x80070057);
constexpr HResult DISP_E_UNKNOWNINTERFACE = static_cast<HResult>(0x80020001);
constexpr HResult DISP_E_MEMBERNOTFOUND = static_cast<HResult>(0x80020003);
constexpr HResult DISP_E_PARAMNOTFOUND = static_cast<HResult>(0x80020004);
constexpr HResult DISP_E_TYPEMISMATCH = static_cast<HResult>(0x80020005);
constexpr HResult DISP_E_UNKNOWNNAME = static_cast<HResult>(0x80020006);
constexpr HResult DISP_E_NONAMEDARGS = static_cast<HResult>(0x80020007);
constexpr HResult DISP_E_BADVARTYPE = static_cast<HResult>(0x80020008);
constexpr HResult DISP_E_EXCEPTION = static_cast<HResult>(0x80020009);
constexpr HResult DISP_E_OVERFLOW = static_cast<HResult>(0x8002000A);
constexpr HResult DISP_E_BADINDEX = static_cast<HResult>(0x8002000B);
constexpr HResult DISP_E_BADPARAMCOUNT = static_cast<HResult>(0x8002000E);
constexpr HResult DISP_E_PARAMNOTOPTIONAL = static_cast<HResult>(0x8002000F);
constexpr HResult TYPE_E_CANTLOADLIBRARY = static_cast<HResult>(0x80029C4A);
constexpr HResult REGDB_E_CLASSNOTREG = static_cast<HResult>(0x80040154);
constexpr HResult CO_E_CLASSSTRING = static_cast<HResult>(0x800401F3);
constexpr bool Failed(HResult hr) {
    return hr < 0;
}

// Variant type codes; VT_BYREF and VT_ARRAY are flag bits added to a base code.
using VarType = std::uint16_t;
constexpr VarType VT_EMPTY = 0;
constexpr VarType VT_NULL = 1;
constexpr VarType VT_I2 = 2;
constexpr VarType VT_I4 = 3;
constexpr VarType VT_R4 = 4;
constexpr VarType VT_R8 = 5;
constexpr VarType VT_CY = 6;
constexpr VarType VT_DATE = 7;
constexpr VarType VT_BSTR = 8;
constexpr VarType VT_DISPATCH = 9;
constexpr VarType VT_ERROR = 10;
constexpr VarType VT_BOOL = 11;
constexpr VarType VT_VARIANT = 12;
constexpr VarType VT_UNKNOWN = 13;
constexpr VarType VT_DECIMAL = 14;
constexpr VarType VT_I1 = 16;
constexpr VarType VT_UI1 = 17;
constexpr VarType VT_UI2 = 18;
constexpr VarType VT_UI4 = 19;
constexpr VarType VT_I8 = 20;
constexpr VarType VT_UI8 = 21;
constexpr VarType VT_INT = 22;
constexpr VarType VT_UINT = 23;
constexpr VarType VT_VOID = 24;
constexpr VarType VT_HRESULT = 25;
constexpr VarType VT_PTR = 26;
constexpr VarType VT_SAFEARRAY = 27;
constexpr VarType VT_CARRAY = 28;
constexpr VarType VT_USERDEFINED = 29;
constexpr VarType VT_RECORD = 36;
constexpr VarType VT_ARRAY = 0x2000;
constexpr VarType VT_BYREF = 0x4000;
constexpr VarType VT_TYPEMASK = 0x0FFF;

// VARIANT_BOOL values.
constexpr std::int16_t VARIANT_TRUE = -1;
constexpr std::int16_t VARIANT_FALSE = 0;

// One automation value. A by-reference variant (VT_BYREF added) points at a caller-owned
// Variant that holds the base type (any type for VT_VARIANT | VT_BYREF); writing through
// target() changes the caller's value.
class Variant {
  public:
    Variant() = default;

    static Variant null() { return Variant(VT_NULL, std::monostate{}); }
    static Variant boolean(bool b) { return Variant(VT_BOOL, std::int64_t{b ? VARIANT_TRUE : 0}); }
    static Variant i1(std::int8_t v) { return Variant(VT_I1, std::int64_t{v}); }
    static Variant ui1(std::uint8_t v) { return Variant(VT_UI1, std::int64_t{v}); }
    static Variant i2(std::int16_t v) { return Variant(VT_I2, std::int64_t{v}); }
    static Variant ui2(std::uint16_t v) { return Variant(VT_UI2, std::int64_t{v}); }
    static Variant i4(std::int32_t v) { return Variant(VT_I4, std::int64_t{v}); }
    static Variant ui4(std::uint32_t v) { return Variant(VT_UI4, std::int64_t{v}); }
    static Variant i8(std::int64_t v) { return Variant(VT_I8, v); }
    static Variant r4(float v) { return Variant(VT_R4, double{v}); }
    static Variant r8(double v) { return Variant(VT_R8, v); }
    static Variant date(double v) { return Variant(VT_DATE, v); }
    // Currency: a 64-bit integer scaled by 10000.
    static Variant cy(std::int64_t scaled) { return Variant(VT_CY, scaled); }
    static Variant error(HResult code) { return Variant(VT_ERROR, std::int64_t{code}); }
    static Variant bstr(std::u16string s) { return Variant(VT_BSTR, std::move(s)); }
    static Variant unknown(ComPtr<Unknown> p) { return Variant(VT_UNKNOWN, std::move(p)); }
    static Variant dispatch(ComPtr<Unknown> p) { return Variant(VT_DISPATCH, std::move(p)); }
    // A reference to `target`; base is the type behind it (VT_VARIANT: any).
    static Variant byRef(Variant* target, VarType base) {
        return Variant(static_cast<VarType>(base | VT_BYREF), target);
    }
    // The "argument omitted" marker.
    static Variant missing() { return error(DISP_E_PARAMNOTFOUND); }

    VarType vt() const { return vt_; }
    bool isByRef() const { return (vt_ & VT_BYREF) != 0; }
    bool isMissing() const { return vt_ == VT_ERROR && scode() == DISP_E_PARAMNOTFOUND; }

    // Payload readers; each gives 0 / empty for a variant of another storage class.
    std::int64_t integer() const;  // integral types, VT_BOOL, VT_ERROR, VT_CY (scaled)
    double real() const;           // VT_R4, VT_R8, VT_DATE
    bool boolean() const { return integer() != 0; }
    HResult scode() const { return static_cast<HResult>(integer()); }
    const std::u16string& bstr() const;
    Unknown* object() const;  // VT_UNKNOWN, VT_DISPATCH
    Variant* target() const;  // by-reference variants

    // VariantClear: releases what the value holds and leaves VT_EMPTY.
    void clear() { *this = Variant(); }

  private:
    using Payload = std::variant<std::monostate, std::int64_t, double, std::u16string,
                                 ComPtr<Unknown>, Variant*>;
    Variant(VarType vt, Payload p) : vt_(vt), data_(std::move(p)) {}

    VarType vt_ = VT_EMPTY;
    Payload data_;
};

// The automation runtime's variant functions. `flags` of VariantChangeType is accepted for the
// signature's sake; every caller passes 0.
HResult VariantChangeType(Variant& dest, const Variant& src, std::uint16_t flags, VarType vt);
HResult VariantCopyInd(Variant& dest, const Variant& src);

// The decimal text that automation gives a double: up to 15 significant digits, with an
// exponent ("1E-05", "1E+15") only for very small or very large magnitudes.
std::u16string FormatAutomationNumber(double value);

}  // namespace quillon::script
