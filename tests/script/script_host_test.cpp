#include "script/script_host.h"

#include <gtest/gtest.h>

#include <limits>

#include "runtime/codepage.h"
#include "script/com_object.h"

namespace quillon::script {
namespace {

Text gbk(std::string_view utf8) {
    return codepage::utf8ToGbk(utf8);
}

class ScriptHostTest : public ::testing::Test {
  protected:
    void SetUp() override {
        apartment_ = ApartmentCount();
        host_.Initialize();
    }
    void TearDown() override {
        host_.Destroy();
        EXPECT_EQ(ApartmentCount(), apartment_);
    }

    int apartment_ = 0;
    ScriptHost host_;
};

TEST(ScriptHostEmpty, EveryCallFailsOnAHostThatWasNeverInitialized) {
    ScriptHost host;
    EXPECT_EQ(host.Eval("1+1"), "");
    EXPECT_EQ(LastCallError(), gbk("对象为空"));
    EXPECT_EQ(host.Run("f", "x"), "");
    EXPECT_FALSE(host.ExecuteStatement("var a=1"));
    EXPECT_EQ(LastCallError(), gbk("对象为空"));
    EXPECT_EQ(host.Language(), "");
    EXPECT_EQ(host.Timeout(5), 0);
    EXPECT_FALSE(host.AllowUI(true));
    EXPECT_TRUE(host.GetControl().empty());
    host.Destroy();
    host.Destroy();  // harmless twice
}

TEST_F(ScriptHostTest, StatementsDefineFunctionsThatRunCalls) {
    EXPECT_TRUE(host_.ExecuteStatement("function twice(s){return s+s;}"));
    EXPECT_EQ(LastCallError(), "");
    EXPECT_EQ(host_.Run("twice", "ab"), "abab");
    EXPECT_EQ(host_.Eval("twice('x')"), "xx");
}

TEST_F(ScriptHostTest, RunSendsOnlyTheLeadingGivenArguments) {
    ASSERT_TRUE(host_.ExecuteStatement(
        "function args(){var s=arguments.length+':';"
        "for(var i=0;i<arguments.length;i++) s+=arguments[i]+';'; return s;}"));
    EXPECT_EQ(host_.Run("args"), "0:");
    EXPECT_EQ(host_.Run("args", "a", std::nullopt, "c"), "1:a;");
    EXPECT_EQ(host_.Run("args", std::nullopt, "b"), "0:");
    EXPECT_EQ(host_.Run("args", "1", "2", "3", "4", "5", "6"), "6:1;2;3;4;5;6;");
    EXPECT_EQ(host_.Run("args", ""), "1:;");  // given but empty still counts
}

TEST_F(ScriptHostTest, TextsCrossAsGbk) {
    ASSERT_TRUE(host_.ExecuteStatement("function wrap(s){return '<'+s+'>';}"));
    EXPECT_EQ(host_.Run("wrap", gbk("解析XML")), gbk("<解析XML>"));
    EXPECT_EQ(host_.Eval(gbk("'中'.length")), "1");
}

TEST_F(ScriptHostTest, ScriptErrorsFailTheCall) {
    EXPECT_FALSE(host_.ExecuteStatement("function ("));
    EXPECT_EQ(LastCallError(), gbk("发现异常"));
    EXPECT_EQ(host_.Eval("nosuchname+1"), "");
    EXPECT_EQ(LastCallError(), gbk("发现异常"));
    EXPECT_EQ(host_.Run("nosuchfunction", "x"), "");
    EXPECT_EQ(LastCallError(), gbk("发现异常"));
    EXPECT_TRUE(host_.ExecuteStatement("var fine=1"));  // the host stays usable
}

TEST_F(ScriptHostTest, AddCodeDeclaresGlobals) {
    host_.AddCode("var counter=41; function bump(){return ++counter;}");
    EXPECT_EQ(LastCallStatus(), 0);
    EXPECT_EQ(host_.Run("bump"), "42");
    EXPECT_EQ(host_.Eval("counter"), "42");
}

TEST_F(ScriptHostTest, ResetDiscardsTheCode) {
    host_.AddCode("var kept=1");
    ASSERT_EQ(host_.Eval("kept"), "1");
    host_.Reset();
    EXPECT_EQ(LastCallStatus(), 0);
    EXPECT_EQ(host_.Eval("typeof kept"), "undefined");
}

TEST_F(ScriptHostTest, LanguageWritesThenReadsBack) {
    EXPECT_EQ(host_.Language(), "JScript");
    EXPECT_EQ(host_.Language(1), "JScript");  // "vbs" is refused, the language stays
    EXPECT_EQ(host_.Language(2), "JScript");  // nothing written
    EXPECT_EQ(host_.Language(0), "JScript");
}

TEST_F(ScriptHostTest, TimeoutWithoutAnArgumentMeansNone) {
    EXPECT_EQ(host_.Timeout(2500), 2500);
    EXPECT_EQ(host_.Timeout(), -1);
    EXPECT_EQ(host_.Timeout(50), 50);
    EXPECT_FALSE(host_.ExecuteStatement("for(;;){}"));  // stopped, not hung
    EXPECT_EQ(LastCallError(), gbk("发现异常"));
    EXPECT_EQ(host_.Eval("6*7"), "42");
}

TEST_F(ScriptHostTest, PropertiesAreReadBackWhetherWrittenOrNot) {
    EXPECT_TRUE(host_.AllowUI(true));
    EXPECT_FALSE(host_.AllowUI(false));
    EXPECT_FALSE(host_.AllowUI());
    const int state = host_.State();
    EXPECT_EQ(LastCallStatus(), 0);
    EXPECT_EQ(host_.State(state), state);
    EXPECT_EQ(host_.SitehWnd(), host_.SitehWnd());
    EXPECT_EQ(LastCallStatus(), 0);
}

TEST_F(ScriptHostTest, CopiesShareTheControlAndBalanceTheApartment) {
    ASSERT_TRUE(host_.ExecuteStatement("var shared='one'"));
    const int entered = ApartmentCount();
    {
        std::unique_ptr<ScriptHost> copy = host_.Copy();
        EXPECT_EQ(ApartmentCount(), entered + 1);
        EXPECT_EQ(copy->Eval("shared"), "one");
        ASSERT_TRUE(copy->ExecuteStatement("shared='two'"));
        copy->Destroy();
        EXPECT_EQ(ApartmentCount(), entered);
        EXPECT_EQ(copy->Eval("shared"), "");  // the copy's holder is empty now
    }
    EXPECT_EQ(ApartmentCount(), entered);
    EXPECT_EQ(host_.Eval("shared"), "two");  // the control outlives the copy
}

TEST_F(ScriptHostTest, DestructionWithoutDestroyStillLeavesTheApartment) {
    const int entered = ApartmentCount();
    {
        ScriptHost other;
        other.Initialize();
        EXPECT_EQ(ApartmentCount(), entered + 1);
    }
    EXPECT_EQ(ApartmentCount(), entered);
}

TEST_F(ScriptHostTest, GetControlSharesTheInstance) {
    ASSERT_TRUE(host_.ExecuteStatement("var seen=7"));
    ComObject control = host_.GetControl();
    ASSERT_FALSE(control.empty());
    EXPECT_EQ(CallMethod(control, "Eval", {Arg::text("seen*6")}, ValueKind::Text).text(), "42");
}

TEST(TruncateToIntTest, TruncatesTowardZeroAndClamps) {
    EXPECT_EQ(TruncateToInt(2.9), 2);
    EXPECT_EQ(TruncateToInt(-2.9), -2);
    EXPECT_EQ(TruncateToInt(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(TruncateToInt(1e20), std::numeric_limits<int>::max());
    EXPECT_EQ(TruncateToInt(-1e20), std::numeric_limits<int>::min());
}

}  // namespace
}  // namespace quillon::script
