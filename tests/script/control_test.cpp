// The script control: its members, the values that cross, the timeout, the sandbox and the
// memory bound.
#include <gtest/gtest.h>

#include "runtime/codepage.h"
#include "script/com_object.h"
#include "script/duk_engine.h"
#include "script/registry.h"
#include "script/script_control.h"

namespace quillon::script {
namespace {

Text gbk(std::string_view utf8) {
    return codepage::utf8ToGbk(utf8);
}

class ControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(CreateObject(control_, "ScriptControl"));
        ASSERT_TRUE(SetProperty(control_, "Language", {Arg::text("JScript")}));
    }
    Value eval(std::string_view code, ValueKind kind = ValueKind::Text) {
        return CallMethod(control_, "Eval", {Arg::text(code)}, kind);
    }
    Variant evalVariant(std::string_view code) { return eval(code, ValueKind::Variant).variant(); }
    bool execute(std::string_view code) {
        CallMethod(control_, "ExecuteStatement", {Arg::text(code)}, ValueKind::None);
        return LastCallStatus() == kOk;
    }

    ComObject control_;
};

TEST(ControlLanguage, OnlyJavaScriptNamesAreAccepted) {
    ComObject control;
    ASSERT_TRUE(CreateObject(control, "msscriptcontrol.scriptcontrol"));
    EXPECT_EQ(GetProperty(control, "Language", {}, ValueKind::Text).text(), "");
    CallMethod(control, "Eval", {Arg::text("1")}, ValueKind::Text);
    EXPECT_EQ(LastCallStatus(), kException);  // no language chosen yet
    EXPECT_TRUE(SetProperty(control, "Language", {Arg::text("javaSCRIPT")}));
    EXPECT_FALSE(SetProperty(control, "Language", {Arg::text("vbs")}));
    EXPECT_EQ(LastCallError(), gbk("发现异常"));
    EXPECT_EQ(GetProperty(control, "Language", {}, ValueKind::Text).text(), "javaSCRIPT");
    EXPECT_EQ(CallMethod(control, "Eval", {Arg::text("6*7")}, ValueKind::Double).number(), 42);
    ComObject byId;
    EXPECT_TRUE(CreateObject(byId, ScriptControl::kClassId));
}

TEST_F(ControlTest, ValuesCrossAsAutomationValues) {
    EXPECT_EQ(evalVariant("2147483647").vt(), VT_I4);
    EXPECT_EQ(evalVariant("-2147483648").vt(), VT_I4);
    EXPECT_EQ(evalVariant("2147483648").vt(), VT_R8);
    EXPECT_EQ(evalVariant("1.5").vt(), VT_R8);
    EXPECT_EQ(evalVariant("'s'").vt(), VT_BSTR);
    EXPECT_EQ(evalVariant("true").vt(), VT_BOOL);
    EXPECT_EQ(evalVariant("null").vt(), VT_NULL);
    EXPECT_EQ(evalVariant("undefined").vt(), VT_EMPTY);
    EXPECT_EQ(evalVariant("({})").vt(), VT_DISPATCH);
    EXPECT_EQ(eval("[1,'a',[2]]").text(), "1,a,2");
    EXPECT_EQ(eval("({toString: function() { return 'mine'; }})").text(), "mine");
    EXPECT_EQ(eval("(function f() {})").text(), "function f() { [ecmascript code] }");
    EXPECT_EQ(eval("Symbol('s')").text(), "Symbol(s)");
    EXPECT_EQ(eval("0.1+0.2").text(), "0.3");  // 15 significant digits
    EXPECT_EQ(eval("null").text(), "");
    EXPECT_EQ(LastCallError(), gbk("执行成功，但返回值类型不匹配"));
    // An object whose string form throws has no default value.
    EXPECT_EQ(eval("({toString: function() { throw 1; }})").text(), "");
    EXPECT_EQ(LastCallStatus(), kResultMismatch);
}

TEST_F(ControlTest, TextsSurviveTheRoundTrip) {
    for (const char* text : {"汉字 and ascii", "emoji 😀 outside the BMP", "tab\there", ""}) {
        EXPECT_EQ(CallMethod(control_, "Run", {Arg::text("String"), Arg::text(gbk(text))},
                             ValueKind::Text)
                      .text(),
                  gbk(text));
    }
    EXPECT_EQ(CallMethod(control_, "Run", {Arg::text("eval"), Arg::text(gbk("'😀'.length"))},
                         ValueKind::Double)
                  .number(),
              2);  // one character outside the BMP is a surrogate pair to the script
    EXPECT_EQ(eval(gbk("'\\ud83d' + '\\ude00'")).text(), gbk("😀"));
    EXPECT_EQ(eval("'a\\u0000b'").text(), std::string("a\0b", 3));
}

TEST_F(ControlTest, CodeRunsInOneGlobalScope) {
    CallMethod(control_, "AddCode",
               {Arg::text("var added = 1; function twice(x) { return x + x; }")}, ValueKind::None);
    EXPECT_EQ(LastCallStatus(), kOk);
    EXPECT_TRUE(execute(
        "var stated = added + 1; function join(a, b, c) { return a + '|' + b + '|' + c; }"));
    EXPECT_EQ(eval("var evaluated = stated + 1; evaluated").integer(), 0);  // text kind
    EXPECT_EQ(eval("evaluated + ',' + this.stated").text(), "3,2");
    EXPECT_EQ(
        CallMethod(control_, "Run", {Arg::text("twice"), Arg::text("ab")}, ValueKind::Text).text(),
        "abab");
    EXPECT_EQ(CallMethod(control_, "Run", {Arg::text("join"), Arg::text("a"), Arg::integer(2)},
                         ValueKind::Text)
                  .text(),
              "a|2|undefined");
    EXPECT_EQ(CallMethod(control_, "Run",
                         {Arg::text("join"), Arg::text("a"), Arg::omitted(), Arg::logical(true)},
                         ValueKind::Text)
                  .text(),
              "a|undefined|true");
    CallMethod(control_, "Run", {Arg::text("nothing")}, ValueKind::Text);
    EXPECT_EQ(LastCallStatus(), kException);
    CallMethod(control_, "Run", {Arg::text("added")}, ValueKind::Text);
    EXPECT_EQ(LastCallStatus(), kException);
}

TEST_F(ControlTest, ScriptErrorsFailTheCall) {
    EXPECT_FALSE(execute("var = ;"));
    EXPECT_EQ(LastCallError(), gbk("发现异常"));
    EXPECT_FALSE(execute("throw new Error('x')"));
    EXPECT_EQ(eval("undefinedName").text(), "");
    EXPECT_EQ(LastCallStatus(), kException);
    EXPECT_EQ(eval("1+1").text(), "2");  // the engine goes on
    CallMethod(control_, "Eval", {}, ValueKind::Text);
    EXPECT_EQ(LastCallStatus(), kParamNotOptional);
    CallMethod(control_, "Eval", {Arg::text("1"), Arg::text("2")}, ValueKind::Text);
    EXPECT_EQ(LastCallStatus(), kTooManyArguments);
}

TEST_F(ControlTest, ResetDiscardsTheCode) {
    EXPECT_TRUE(execute("var kept = 5"));
    CallMethod(control_, "Reset", {}, ValueKind::Double);
    EXPECT_EQ(LastCallStatus(), kOk);
    EXPECT_EQ(eval("typeof kept").text(), "undefined");
    EXPECT_EQ(GetProperty(control_, "Language", {}, ValueKind::Text).text(), "JScript");
}

TEST_F(ControlTest, PropertiesKeepTheirValues) {
    EXPECT_EQ(GetProperty(control_, "Timeout", {}, ValueKind::Double).number(), 10000);
    EXPECT_TRUE(SetProperty(control_, "Timeout", {Arg::integer(-1)}));
    EXPECT_FALSE(SetProperty(control_, "Timeout", {Arg::integer(-2)}));
    EXPECT_FALSE(SetProperty(control_, "Timeout", {Arg::text("soon")}));
    EXPECT_EQ(LastCallStatus(), kTypeMismatch);
    EXPECT_EQ(GetProperty(control_, "Timeout", {}, ValueKind::Double).number(), -1);
    EXPECT_TRUE(GetProperty(control_, "AllowUI", {}, ValueKind::Logical).logical());
    EXPECT_TRUE(SetProperty(control_, "AllowUI", {Arg::logical(false)}));
    EXPECT_FALSE(GetProperty(control_, "AllowUI", {}, ValueKind::Logical).logical());
    EXPECT_TRUE(SetProperty(control_, "State", {Arg::integer(1)}));
    EXPECT_FALSE(SetProperty(control_, "State", {Arg::integer(2)}));
    EXPECT_EQ(GetProperty(control_, "State", {}, ValueKind::Double).number(), 1);
    EXPECT_TRUE(SetProperty(control_, "SitehWnd", {Arg::integer(77)}));
    EXPECT_EQ(GetProperty(control_, "SitehWnd", {}, ValueKind::Double).number(), 77);
}

TEST_F(ControlTest, TheTimeoutStopsRunawayScripts) {
    ASSERT_TRUE(SetProperty(control_, "Timeout", {Arg::integer(200)}));
    EXPECT_FALSE(execute("for (;;) {}"));
    EXPECT_EQ(LastCallError(), gbk("发现异常"));
    // Catching the timeout does not keep the script alive.
    EXPECT_FALSE(execute("for (;;) { try { for (;;) {} } catch (e) {} finally { continue; } }"));
    EXPECT_EQ(eval("function spin() { for (;;) {} } 'ok'").text(), "ok");
    CallMethod(control_, "Run", {Arg::text("spin")}, ValueKind::Text);
    EXPECT_EQ(LastCallStatus(), kException);
    // A string form that never ends is stopped too, and fails the call.
    EXPECT_EQ(eval("({toString: function() { for (;;) {} }})").text(), "");
    EXPECT_EQ(LastCallStatus(), kException);
    EXPECT_EQ(eval("'still running'").text(), "still running");
}

TEST_F(ControlTest, OnlyTheLanguageBuiltInsAreVisible) {
    for (const char* name : {"Duktape", "print", "alert", "require", "CBOR", "TextEncoder",
                             "TextDecoder", "performance", "Buffer", "module", "exports", "process",
                             "setTimeout", "XMLHttpRequest"}) {
        EXPECT_EQ(eval(std::string("typeof ") + name).text(), "undefined") << name;
    }
    EXPECT_EQ(eval("typeof JSON.parse + typeof Math.max + typeof Proxy").text(),
              "functionfunctionfunction");
}

TEST_F(ControlTest, DeepNestingFailsCleanly) {
    for (const char* code :
         {"function f() { return f() + 1; } f()", "eval(new Array(100000).join('('))",
          "JSON.parse(new Array(100000).join('['))",
          "var o = {}; for (var i = 0; i < 100000; i++) o = {n: o}; "
          "JSON.stringify(o)",
          "new RegExp(new Array(20000).join('(') + 'a').test('a')"}) {
        EXPECT_EQ(eval(code).text(), "");
        EXPECT_EQ(LastCallStatus(), kException) << code;
    }
    EXPECT_EQ(eval("'alive'").text(), "alive");
}

TEST(ControlText, EngineStringsKeepSurrogatesAndReplaceBadBytes) {
    EXPECT_EQ(ToEngineString(u"a\u00e9\u6c49\U0001F600"),
              "a\xC3\xA9\xE6\xB1\x89\xED\xA0\xBD\xED\xB8\x80");
    EXPECT_EQ(FromEngineString("a\xC3\xA9\xE6\xB1\x89\xED\xA0\xBD\xED\xB8\x80"),
              u"a\u00e9\u6c49\U0001F600");
    EXPECT_EQ(FromEngineString("\xF0\x9F\x98\x80"), u"\U0001F600");  // plain UTF-8 too
    EXPECT_EQ(FromEngineString("\xFF\xC0\x80\xE6\xB1"), u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(FromEngineString(std::string("\0x", 2)), std::u16string(u"\0x", 2));
}

TEST(ControlMemory, RunningOutOfMemoryFailsOnlyTheCall) {
    ClassId id;
    ASSERT_EQ(CLSIDFromString("{0A1B2C3D-4E5F-4061-8293-A4B5C6D7E900}", id), S_OK);
    ClassRegistry::instance().add(id, {"Quillon.SmallScriptControl"},
                                  [](std::uint32_t, ComPtr<Unknown>& out) {
                                      out = makeObject<ScriptControl>(std::size_t{8} << 20);
                                      return S_OK;
                                  });
    ComObject control;
    ASSERT_TRUE(CreateObject(control, "Quillon.SmallScriptControl"));
    SetProperty(control, "Language", {Arg::text("JScript")});
    auto run = [&](const char* code) {
        return CallMethod(control, "Eval", {Arg::text(code)}, ValueKind::Text).text();
    };
    EXPECT_EQ(run("var s = 'x'; for (;;) s += s;"), "");
    EXPECT_EQ(LastCallStatus(), kException);
    EXPECT_EQ(run("var a = []; for (;;) a.push({n: a.length});"), "");
    EXPECT_EQ(LastCallStatus(), kException);
    // Caught allocation failures still end: the timeout bounds what the script may retry.
    SetProperty(control, "Timeout", {Arg::integer(300)});
    EXPECT_EQ(
        run("var b = []; for (;;) { try { b.push(new Array(1e5).join('y')); } catch (e) {} }"), "");
    EXPECT_EQ(LastCallStatus(), kException);
    CallMethod(control, "Reset", {}, ValueKind::None);
    EXPECT_EQ(run("'fresh'"), "fresh");
}

}  // namespace
}  // namespace quillon::script
