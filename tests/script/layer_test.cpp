// The late-bound call: status codes and texts, argument conversion and fitting, by-reference
// write-back, result conversion, object creation and the holder's reference counting.
#include <gtest/gtest.h>

#include <thread>

#include "layer_probe.h"
#include "runtime/codepage.h"
#include "script/com_object.h"

namespace quillon::script {
namespace {

using testing::Probe;

Text gbk(std::string_view utf8) {
    return codepage::utf8ToGbk(utf8);
}

class LayerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::RegisterProbeClasses();
        ASSERT_TRUE(CreateObject(object_, "Quillon.Probe"));
    }
    Probe& probe() { return static_cast<Probe&>(*object_.get()); }

    ComObject object_;
};

TEST(LayerStatus, EveryStatusHasItsText) {
    const char* texts[] = {"",
                           "对象为空",
                           "指定对象没有调用接口",
                           "未找到指定属性或方法",
                           "指定对象没有类型信息",
                           "提供了过多的参数",
                           "该对象不是字体对象",
                           "参数数据类型错误",
                           "执行成功，但返回值类型不匹配",
                           "参数数目错误",
                           "参数类型值无效",
                           "发现异常",
                           "未找到指定成员",
                           "不支持命名参数",
                           "溢出",
                           "未找到指定参数",
                           "类型不匹配",
                           "必需的参数数据被省略",
                           "其他原因调用失败"};
    for (int i = 0; i <= 18; ++i) EXPECT_EQ(CallStatusText(-i), gbk(texts[i])) << -i;
    EXPECT_EQ(CallStatusText(-19), "");
    EXPECT_EQ(CallStatusText(1), "");
}

TEST(LayerStatus, AnEmptyHolderGivesTheEmptyValueOfEachKind) {
    ComObject empty;
    EXPECT_EQ(CallMethod(empty, "Eval", {Arg::text("1")}, ValueKind::Text).text(), "");
    EXPECT_EQ(LastCallStatus(), kObjectEmpty);
    EXPECT_EQ(LastCallError(), gbk("对象为空"));
    EXPECT_EQ(GetProperty(empty, "X", {}, ValueKind::Double).number(), 0.0);
    EXPECT_FALSE(GetProperty(empty, "X", {}, ValueKind::Logical).logical());
    Value obj = CallMethod(empty, "X", {}, ValueKind::Object);
    EXPECT_EQ(obj.kind(), ValueKind::Object);
    EXPECT_TRUE(obj.object().empty());
    Value var = CallMethod(empty, "X", {}, ValueKind::Variant);
    EXPECT_EQ(var.kind(), ValueKind::Variant);
    EXPECT_EQ(var.variant().vt(), VT_EMPTY);
    EXPECT_FALSE(SetProperty(empty, "X", {Arg::integer(1)}));
}

TEST(LayerStatus, StatusIsKeptPerThread) {
    ComObject empty;
    CallMethod(empty, "X", {}, ValueKind::None);
    int other = 1;
    std::thread([&] { other = LastCallStatus(); }).join();
    EXPECT_EQ(other, 0);
    EXPECT_EQ(LastCallStatus(), kObjectEmpty);
}

TEST_F(LayerTest, ObjectsWithoutInterfaceOrTypeInformationAreRefused) {
    ComObject plain, untyped;
    ASSERT_TRUE(CreateObject(plain, "Quillon.Plain"));
    ASSERT_TRUE(CreateObject(untyped, "quillon.untyped"));  // ProgIDs ignore letter case
    CallMethod(plain, "Echo", {}, ValueKind::None);
    EXPECT_EQ(LastCallError(), gbk("指定对象没有调用接口"));
    CallMethod(untyped, "Echo", {}, ValueKind::None);
    EXPECT_EQ(LastCallError(), gbk("指定对象没有类型信息"));
}

TEST_F(LayerTest, NamesBindIgnoringCaseAndUnknownNamesResetTheResult) {
    EXPECT_EQ(CallMethod(object_, "eCHO", {Arg::text("hi")}, ValueKind::Text).text(), "hi");
    EXPECT_EQ(LastCallStatus(), kOk);
    EXPECT_EQ(CallMethod(object_, "Missing", {}, ValueKind::Text).text(), "");
    EXPECT_EQ(LastCallError(), gbk("未找到指定属性或方法"));
    EXPECT_EQ(probe().calls, 1);
}

TEST_F(LayerTest, TrailingOmittedArgumentsAreNeverSent) {
    CallMethod(object_, "Join", {Arg::text("a"), Arg::omitted(), Arg::omitted()}, ValueKind::None);
    EXPECT_EQ(probe().lastTypes, std::vector<VarType>{VT_BSTR});
    CallMethod(object_, "Nothing", {Arg::omitted()}, ValueKind::None);
    EXPECT_EQ(LastCallStatus(), kOk);
    EXPECT_TRUE(probe().lastTypes.empty());
    // An omitted argument before a given one goes as "parameter not found".
    Value r = CallMethod(object_, "Join", {Arg::text("a"), Arg::omitted(), Arg::integer(7)},
                         ValueKind::Variant);
    EXPECT_EQ(probe().lastTypes, (std::vector<VarType>{VT_BSTR, VT_ERROR, VT_I4}));
    EXPECT_EQ(LastCallStatus(), kTypeMismatch);  // Join cannot read the error value as text
}

TEST_F(LayerTest, SurplusArgumentsNeedAVariableArgumentList) {
    EXPECT_EQ(CallMethod(object_, "Echo", {Arg::text("a"), Arg::text("b")}, ValueKind::Text).text(),
              "");
    EXPECT_EQ(LastCallError(), gbk("提供了过多的参数"));
    EXPECT_EQ(probe().calls, 0);
    GetProperty(object_, "Value", {Arg::integer(1)}, ValueKind::Double);
    EXPECT_EQ(LastCallStatus(), kTooManyArguments);
    Value joined = CallMethod(object_, "Join",
                              {Arg::text("a"), Arg::integer(1), Arg::real(2.5), Arg::logical(true)},
                              ValueKind::Text);
    EXPECT_EQ(LastCallStatus(), kOk);
    EXPECT_EQ(joined.text(), "a12.5-1");
}

TEST_F(LayerTest, AMethodReturningNothingGivesEmptyValuesWithSuccess) {
    EXPECT_EQ(CallMethod(object_, "Nothing", {}, ValueKind::Text).text(), "");
    EXPECT_EQ(LastCallStatus(), kOk);
    EXPECT_EQ(CallMethod(object_, "Nothing", {}, ValueKind::Double).number(), 0.0);
    EXPECT_FALSE(CallMethod(object_, "Nothing", {}, ValueKind::Logical).logical());
    EXPECT_EQ(LastCallStatus(), kOk);
}

TEST_F(LayerTest, ANullResultCannotBeReadAsText) {
    EXPECT_EQ(CallMethod(object_, "Null", {}, ValueKind::Text).text(), "");
    EXPECT_EQ(LastCallError(), gbk("执行成功，但返回值类型不匹配"));
    EXPECT_EQ(probe().calls, 1);  // the member ran
    EXPECT_EQ(CallMethod(object_, "Null", {}, ValueKind::Variant).variant().vt(), VT_NULL);
    EXPECT_EQ(LastCallStatus(), kOk);
}

TEST_F(LayerTest, KindsOutsideTheTableAreRefusedBeforeTheCall) {
    CallMethod(object_, "Echo", {Arg::withCode(0x80000999, Value::integer(1))}, ValueKind::Text);
    EXPECT_EQ(LastCallError(), gbk("参数数据类型错误"));
    CallMethod(object_, "Echo", {Arg::integer(1)}, static_cast<ValueKind>(0x12345));
    EXPECT_EQ(LastCallStatus(), kBadArgumentKind);
    EXPECT_EQ(probe().calls, 0);
}

TEST_F(LayerTest, ArgumentsTravelAsTheirKindsVariantTypes) {
    Value date = Value::dateTime(42.5);
    CallMethod(object_, "Join",
               {Arg::text("x"), Value::byte(1), Value::shortInteger(2), Arg::integer(3),
                Arg::longInteger(4), Value::floating(5), Arg::real(6), date, Arg::logical(false)},
               ValueKind::None);
    EXPECT_EQ(probe().lastTypes, (std::vector<VarType>{VT_BSTR, VT_UI1, VT_I2, VT_I4, VT_I4, VT_R4,
                                                       VT_R8, VT_DATE, VT_BOOL}));
    // A long integer keeps only its low 32 bits.
    EXPECT_EQ(
        CallMethod(object_, "Echo", {Arg::longInteger(0x100000005LL)}, ValueKind::Long).integer(),
        5);
    EXPECT_EQ(
        CallMethod(object_, "Echo", {Arg::longInteger(0xFFFFFFFFLL)}, ValueKind::Long).integer(),
        -1);
}

TEST_F(LayerTest, ResultsAreCoercedToTheRequestedKind) {
    auto echo = [&](Arg a, ValueKind k) { return CallMethod(object_, "Echo", {a}, k); };
    EXPECT_EQ(echo(Arg::real(3.5), ValueKind::Text).text(), "3.5");
    EXPECT_EQ(echo(Arg::text("2.5"), ValueKind::Integer).integer(), 2);  // half to even
    EXPECT_EQ(echo(Arg::text("3.5"), ValueKind::Integer).integer(), 4);
    EXPECT_EQ(echo(Arg::text("300"), ValueKind::Byte).integer(), 0);
    EXPECT_EQ(LastCallStatus(), kResultMismatch);  // overflow while converting the result
    EXPECT_EQ(echo(Arg::text("  1,234.5 "), ValueKind::Double).number(), 1234.5);
    EXPECT_TRUE(echo(Arg::text("TRUE"), ValueKind::Logical).logical());
    EXPECT_EQ(echo(Arg::logical(true), ValueKind::Text).text(), "-1");
    EXPECT_EQ(echo(Arg::text(gbk("汉字")), ValueKind::Text).text(), gbk("汉字"));
    Value child = CallMethod(object_, "Child", {}, ValueKind::Object);
    EXPECT_EQ(LastCallStatus(), kOk);
    ASSERT_FALSE(child.object().empty());
    EXPECT_EQ(CallMethod(child.object(), "Echo", {Arg::integer(9)}, ValueKind::Text).text(), "9");
}

TEST_F(LayerTest, FailureCodesMapToStatuses) {
    const std::pair<HResult, int> table[] = {
        {DISP_E_MEMBERNOTFOUND, -12},   {DISP_E_PARAMNOTFOUND, -15},
        {DISP_E_TYPEMISMATCH, -16},     {DISP_E_NONAMEDARGS, -13},
        {DISP_E_BADVARTYPE, -10},       {DISP_E_EXCEPTION, -11},
        {DISP_E_OVERFLOW, -14},         {DISP_E_BADPARAMCOUNT, -9},
        {DISP_E_PARAMNOTOPTIONAL, -17}, {E_FAIL, -18},
        {DISP_E_UNKNOWNNAME, -18},      {S_FALSE, 0}};
    for (auto [hr, status] : table) {
        CallMethod(object_, "Fail", {Arg::integer(hr)}, ValueKind::None);
        EXPECT_EQ(LastCallStatus(), status) << std::hex << hr;
    }
}

TEST_F(LayerTest, ByReferenceArgumentsComeBackOnlyThroughOutParameters) {
    Value out = Value::integer(21), in = Value::integer(5);
    CallMethod(object_, "Twice", {Arg::byRef(out), Arg::byRef(in)}, ValueKind::None);
    EXPECT_EQ(LastCallStatus(), kOk);
    EXPECT_EQ(probe().lastTypes, (std::vector<VarType>{VT_I4 | VT_BYREF, VT_I4 | VT_BYREF}));
    EXPECT_EQ(out.integer(), 42);
    EXPECT_EQ(in.integer(), 5);  // [in] only
    // The caller's text is coerced to the declared long and written back as text.
    Value text = Value::text("8");
    CallMethod(object_, "Twice", {Arg::byRef(text)}, ValueKind::None);
    EXPECT_EQ(text.text(), "16");
    // A value that cannot be coerced goes unchanged, not by reference, and stays unchanged.
    Value word = Value::text("eight");
    CallMethod(object_, "Twice", {Arg::byRef(word)}, ValueKind::None);
    EXPECT_EQ(probe().lastTypes, std::vector<VarType>{VT_BSTR});
    EXPECT_EQ(word.text(), "eight");
    // By value: no write-back.
    Value copy = Value::integer(3);
    CallMethod(object_, "Twice", {copy}, ValueKind::None);
    EXPECT_EQ(copy.integer(), 3);
    // A variant parameter gets a reference to the value; a variant caller gets the new value.
    Value any = Value::variant(Variant::i4(1));
    CallMethod(object_, "Swap", {Arg::byRef(any)}, ValueKind::None);
    EXPECT_EQ(probe().lastTypes, std::vector<VarType>{VT_VARIANT | VT_BYREF});
    EXPECT_EQ(any.variant().bstr(), u"swapped");
    Value number = Value::real(1);
    CallMethod(object_, "Swap", {Arg::byRef(number)}, ValueKind::None);
    EXPECT_EQ(number.number(), 1.0);  // "swapped" is no number: the caller keeps its value
}

TEST_F(LayerTest, PropertyWritesNameTheirValue) {
    EXPECT_TRUE(SetProperty(object_, "Value", {Arg::text("12")}));
    EXPECT_EQ(probe().lastFlags, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(probe().lastNamed, std::vector<MemberId>{DISPID_PROPERTYPUT});
    EXPECT_EQ(GetProperty(object_, "value", {}, ValueKind::Double).number(), 12.0);
    EXPECT_FALSE(SetProperty(object_, "Value", {Arg::text("twelve")}));
    EXPECT_EQ(LastCallError(), gbk("类型不匹配"));
    EXPECT_FALSE(SetProperty(object_, "Echo", {Arg::integer(1), Arg::integer(2)}));
    EXPECT_EQ(LastCallStatus(), kTooManyArguments);
    // A method call binds a property read when there is no function of that name.
    EXPECT_EQ(CallMethod(object_, "Value", {}, ValueKind::Text).text(), "12");
}

TEST_F(LayerTest, VariablesAreReadAndWrittenAsProperties) {
    EXPECT_EQ(GetProperty(object_, "Name", {}, ValueKind::Text).text(), "probe");
    EXPECT_EQ(probe().lastFlags, DISPATCH_PROPERTYGET);
    EXPECT_TRUE(SetProperty(object_, "Name", {Arg::text("new")}));
    EXPECT_EQ(probe().lastFlags, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(CallMethod(object_, "Name", {}, ValueKind::Text).text(), "new");
    SetProperty(object_, "Child", {Value::object(object_)});  // an object variable: put by ref
    EXPECT_EQ(probe().lastFlags, DISPATCH_PROPERTYPUTREF);
    GetProperty(object_, "Name", {Arg::integer(1)}, ValueKind::Text);
    EXPECT_EQ(LastCallStatus(), kTooManyArguments);
}

TEST(LayerTypes, DeclaredTypesResolveToVariantTypes) {
    using U = TypeDesc::User;
    EXPECT_EQ(ResolveParamType(TypeDesc::userDefined(U::Enumeration)), VT_I4);
    EXPECT_EQ(ResolveParamType(TypeDesc::userDefined(U::DispatchInterface)), VT_DISPATCH);
    EXPECT_EQ(ResolveParamType(TypeDesc::userDefined(U::Other)), VT_UNKNOWN);
    EXPECT_EQ(ResolveParamType(TypeDesc::aliasOf(TypeDesc::of(VT_INT))), VT_I4);
    EXPECT_EQ(ResolveParamType(TypeDesc::pointerTo(TypeDesc::of(VT_UINT))), VT_UI4 | VT_BYREF);
    EXPECT_EQ(ResolveParamType(TypeDesc::pointerTo(TypeDesc::safeArrayOf(TypeDesc::of(VT_BSTR)))),
              VT_BSTR | VT_ARRAY | VT_BYREF);
}

TEST_F(LayerTest, CreationFailuresLeaveTheHolderAndTheStatusAlone) {
    ComObject holder = object_;
    CallMethod(ComObject(), "X", {}, ValueKind::None);
    for (const char* name :
         {"No.Such.Class", "", "{0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F}",
          "{00000000-0000-0000-0000-000000000001}", "Quillon.NotRunning", "Quillon.Broken"}) {
        EXPECT_FALSE(CreateObject(holder, name)) << name;
        EXPECT_EQ(holder.get(), object_.get());
    }
    EXPECT_EQ(LastCallStatus(), kObjectEmpty);
    EXPECT_TRUE(CreateObject(holder, "Quillon.LocalOnly"));  // retried without remote servers
    EXPECT_TRUE(CreateObject(holder, "{0a1b2c3d-4e5f-4061-8293-a4b5c6d7e8f9}", "probe.tlb"));
    EXPECT_NE(holder.get(), object_.get());
}

TEST_F(LayerTest, HoldersCountReferences) {
    const int live = testing::liveProbes;
    ComObject other;
    ASSERT_TRUE(CreateObject(other, "Quillon.Probe"));
    EXPECT_EQ(testing::liveProbes, live + 1);
    ComObject shared;
    AssignObject(shared, other);
    ClearObject(other);
    EXPECT_EQ(testing::liveProbes, live + 1);  // still held by `shared`
    AssignObject(shared, object_);             // releases what `shared` held before
    EXPECT_EQ(testing::liveProbes, live);
    EXPECT_EQ(shared.get(), object_.get());
    ASSERT_TRUE(CreateObject(shared, "Quillon.Probe"));  // replacing releases nothing shared
    EXPECT_EQ(testing::liveProbes, live + 1);
    ClearObject(shared);
    EXPECT_EQ(testing::liveProbes, live);
    EXPECT_TRUE(shared.empty());
}

TEST(LayerApartment, EntriesNestAndNeverGoNegative) {
    const int base = ApartmentCount();
    EXPECT_EQ(CoInitialize(), base == 0 ? S_OK : S_FALSE);
    EXPECT_EQ(CoInitialize(), S_FALSE);
    EXPECT_EQ(ApartmentCount(), base + 2);
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(ApartmentCount(), base);
    int other = -1;
    std::thread([&] {
        CoUninitialize();
        other = ApartmentCount();
    }).join();
    EXPECT_EQ(other, 0);
}

TEST(LayerVariant, ClearVariantReleasesAndEmpties) {
    Variant v = Variant::bstr(u"text");
    ClearVariant(v);
    EXPECT_EQ(v.vt(), VT_EMPTY);
    EXPECT_TRUE(v.bstr().empty());
}

}  // namespace
}  // namespace quillon::script
