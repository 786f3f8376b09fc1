// Coercions between variant types, as the late-bound call applies them to arguments and results.
#include <gtest/gtest.h>

#include "script/dispatch.h"
#include "script/variant.h"

namespace quillon::script {
namespace {

std::u16string asText(const Variant& v) {
    Variant out;
    EXPECT_EQ(VariantChangeType(out, v, 0, VT_BSTR), S_OK);
    return out.bstr();
}

HResult change(const Variant& v, VarType vt, Variant& out) {
    return VariantChangeType(out, v, 0, vt);
}

TEST(VariantCoercion, NumbersReadAsAutomationText) {
    EXPECT_EQ(asText(Variant::r8(3.5)), u"3.5");
    EXPECT_EQ(asText(Variant::r8(0.1)), u"0.1");
    EXPECT_EQ(asText(Variant::r8(-2)), u"-2");
    EXPECT_EQ(asText(Variant::r8(1.0 / 3)), u"0.333333333333333");
    EXPECT_EQ(asText(Variant::r8(1e20)), u"1E+20");
    EXPECT_EQ(asText(Variant::r8(0.00001)), u"1E-05");
    EXPECT_EQ(asText(Variant::r4(0.1f)), u"0.1");
    EXPECT_EQ(asText(Variant::i4(-2147483647 - 1)), u"-2147483648");
    EXPECT_EQ(asText(Variant::cy(12345)), u"1.2345");
    EXPECT_EQ(asText(Variant::boolean(true)), u"-1");
    EXPECT_EQ(asText(Variant::boolean(false)), u"0");
    EXPECT_EQ(asText(Variant()), u"");
    EXPECT_EQ(asText(Variant::date(42742.5)), u"2017/1/7 12:00:00");
    EXPECT_EQ(asText(Variant::date(0.25)), u"6:00:00");
}

TEST(VariantCoercion, NullAndErrorValuesDoNotConvert) {
    Variant out = Variant::i4(7);
    EXPECT_EQ(change(Variant::null(), VT_BSTR, out), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(out.integer(), 7);  // untouched on failure
    EXPECT_EQ(change(Variant::null(), VT_R8, out), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(change(Variant::missing(), VT_BSTR, out), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(change(Variant::null(), VT_NULL, out), S_OK);
    EXPECT_EQ(change(Variant(), VT_R8, out), S_OK);
    EXPECT_EQ(out.vt(), VT_R8);
}

TEST(VariantCoercion, TextToNumbersAndLogicals) {
    Variant out;
    EXPECT_EQ(change(Variant::bstr(u" -12.5e1 "), VT_R8, out), S_OK);
    EXPECT_EQ(out.real(), -125.0);
    EXPECT_EQ(change(Variant::bstr(u"4.5"), VT_I4, out), S_OK);
    EXPECT_EQ(out.integer(), 4);
    EXPECT_EQ(change(Variant::bstr(u"-0.5"), VT_I2, out), S_OK);
    EXPECT_EQ(out.integer(), 0);
    EXPECT_EQ(change(Variant::bstr(u"1e10"), VT_I4, out), DISP_E_OVERFLOW);
    EXPECT_EQ(change(Variant::bstr(u"1e999"), VT_R8, out), DISP_E_OVERFLOW);
    for (const char16_t* bad : {u"", u"  ", u"abc", u"1.2.3", u"--1", u",1", u"1e", u"0x10"})
        EXPECT_EQ(change(Variant::bstr(bad), VT_R8, out), DISP_E_TYPEMISMATCH)
            << static_cast<int>(bad[0]);
    EXPECT_EQ(change(Variant::bstr(u"false"), VT_BOOL, out), S_OK);
    EXPECT_FALSE(out.boolean());
    EXPECT_EQ(change(Variant::bstr(u"0.1"), VT_BOOL, out), S_OK);
    EXPECT_TRUE(out.boolean());
    EXPECT_EQ(change(Variant::bstr(u"yes"), VT_BOOL, out), DISP_E_TYPEMISMATCH);
}

TEST(VariantCoercion, IntegerRangesAndRounding) {
    Variant out;
    EXPECT_EQ(change(Variant::r8(255.4), VT_UI1, out), S_OK);
    EXPECT_EQ(out.integer(), 255);
    EXPECT_EQ(change(Variant::r8(255.5), VT_UI1, out), DISP_E_OVERFLOW);
    EXPECT_EQ(change(Variant::i4(-1), VT_UI4, out), DISP_E_OVERFLOW);
    EXPECT_EQ(change(Variant::r8(-32768.4), VT_I2, out), S_OK);
    EXPECT_EQ(change(Variant::r8(0.0 / 0.0), VT_I4, out), DISP_E_OVERFLOW);
    EXPECT_EQ(change(Variant::r8(1e300), VT_R4, out), DISP_E_OVERFLOW);
    EXPECT_EQ(change(Variant::boolean(true), VT_I4, out), S_OK);
    EXPECT_EQ(out.integer(), -1);
    EXPECT_EQ(change(Variant::r8(1.5), VT_CY, out), S_OK);
    EXPECT_EQ(out.integer(), 15000);
}

TEST(VariantCoercion, UnsupportedTargetsAreBadTypes) {
    Variant out;
    EXPECT_EQ(change(Variant::i4(1), VT_VARIANT, out), DISP_E_BADVARTYPE);
    EXPECT_EQ(change(Variant::i4(1), VT_I4 | VT_BYREF, out), DISP_E_BADVARTYPE);
    EXPECT_EQ(change(Variant::i4(1), VT_DECIMAL, out), DISP_E_BADVARTYPE);
    EXPECT_EQ(change(Variant::i4(1), VT_DISPATCH, out), DISP_E_TYPEMISMATCH);
}

// An object whose default value is a fixed text.
class Named : public Dispatch {
  public:
    const TypeInfo* typeInfo() const override { return nullptr; }
    HResult invoke(MemberId id, InvokeKind, DispParams&, Variant* result) override {
        if (id != DISPID_VALUE) return DISP_E_MEMBERNOTFOUND;
        *result = Variant::bstr(u"42");
        return S_OK;
    }
};
class Opaque : public Unknown {};

TEST(VariantCoercion, ObjectsConvertThroughTheirDefaultValue) {
    Variant named = Variant::dispatch(makeObject<Named>());
    Variant out;
    EXPECT_EQ(asText(named), u"42");
    EXPECT_EQ(change(named, VT_I4, out), S_OK);
    EXPECT_EQ(out.integer(), 42);
    EXPECT_EQ(change(named, VT_UNKNOWN, out), S_OK);
    EXPECT_EQ(out.object(), named.object());
    Variant opaque = Variant::unknown(makeObject<Opaque>());
    EXPECT_EQ(change(opaque, VT_BSTR, out), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(change(opaque, VT_DISPATCH, out), E_NOINTERFACE);
}

TEST(VariantCoercion, ReferencesAreReadThrough) {
    Variant target = Variant::i4(5);
    Variant ref = Variant::byRef(&target, VT_I4);
    Variant out;
    EXPECT_EQ(asText(ref), u"5");
    EXPECT_EQ(VariantCopyInd(out, ref), S_OK);
    EXPECT_EQ(out.vt(), VT_I4);
    EXPECT_EQ(VariantCopyInd(out, Variant::byRef(nullptr, VT_I4)), E_INVALIDARG);
}

}  // namespace
}  // namespace quillon::script
