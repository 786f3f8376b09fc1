#include "script/json_object.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "runtime/codepage.h"
#include "script/com_object.h"
#include "script/json_script.h"
#include "script/script_host.h"

namespace quillon::script {
namespace {

Text gbk(std::string_view utf8) {
    return codepage::utf8ToGbk(utf8);
}

class JsonObjectTest : public ::testing::Test {
  protected:
    void SetUp() override {
        apartment_ = ApartmentCount();
        json_.Initialize();
    }
    void TearDown() override {
        json_.Destroy();
        EXPECT_EQ(ApartmentCount(), apartment_);
    }

    int apartment_ = 0;
    JsonObject json_;
};

TEST_F(JsonObjectTest, AFreshObjectIsTheEmptyObject) {
    EXPECT_EQ(json_.ToJson(), "{}");
    EXPECT_EQ(json_.TypeOf(), kJsonObject);
    TextArray names{"stale"};
    EXPECT_EQ(json_.MemberNames(names), 0);
    EXPECT_TRUE(names.empty());
}

TEST_F(JsonObjectTest, ReadsTheUpdateManifest) {
    ASSERT_TRUE(json_.Parse(R"({"edition":"20170108","down":"http://example.org/q.zip","x":1})"));
    EXPECT_EQ(json_.GetText("edition"), "20170108");
    EXPECT_EQ(json_.GetText("down"), "http://example.org/q.zip");

    ASSERT_TRUE(json_.Parse(R"({"edition":20170107})"));
    EXPECT_EQ(json_.GetText("edition"), "20170107");
    EXPECT_EQ(json_.GetText("down"), "");  // missing member
}

TEST_F(JsonObjectTest, ParseFailuresLeaveNull) {
    json_.SetMember("a", "1");
    EXPECT_FALSE(json_.Parse(R"({"edition": )"));
    EXPECT_EQ(json_.GetText("a"), "");
    EXPECT_EQ(json_.ToJson(), "null");
    EXPECT_EQ(json_.TypeOf(), kJsonNull);
    EXPECT_FALSE(json_.Parse(""));
    EXPECT_FALSE(json_.Parse("null"));
    EXPECT_TRUE(json_.Parse("[1,2]"));
    EXPECT_EQ(json_.Length(), 2);
}

TEST_F(JsonObjectTest, ReadsByKeyIndexAndRoot) {
    ASSERT_TRUE(json_.Parse(R"({"a":[10,{"b":"x"}],"n":null,"o":{"k":true}})"));
    EXPECT_EQ(json_.GetText("a[0]"), "10");
    EXPECT_EQ(json_.GetText("a[1].b"), "x");
    EXPECT_EQ(json_.GetText("o", true), R"({"k":true})");
    EXPECT_EQ(json_.GetText("n"), "");  // a null is not text
    EXPECT_EQ(LastCallStatus(), kResultMismatch);
    EXPECT_EQ(json_.GetText("missing.deeper"), "");
    EXPECT_EQ(json_.GetMemberJson("a"), R"([10,{"b":"x"}])");
    // An empty key addresses the whole value.
    EXPECT_EQ(json_.GetText("", true), R"({"a":[10,{"b":"x"}],"n":null,"o":{"k":true}})");

    ASSERT_TRUE(json_.Parse(R"(["first","second"])"));
    EXPECT_EQ(json_.GetText("[1]"), "second");
    json_.SetRoot("whole");
    EXPECT_EQ(json_.GetText(""), "whole");
}

TEST_F(JsonObjectTest, PlainTextValuesAreStoredExactly) {
    const Text tricky[] = {
        "it's",
        R"(back\slash and "double")",
        "two\r\nlines\tand\x01control",
        "\x95\x5c end",  // a GBK character whose trail byte is the backslash
        gbk("中文 € \u2028 \u2029 😀"),
        "'; da.injected=1; '",
        "\\",
        "",
    };
    for (const Text& value : tricky) {
        json_.SetMember("v", value);
        EXPECT_EQ(LastCallStatus(), 0) << value;
        EXPECT_EQ(json_.GetText("v"), value);
        json_.Push(value, "list");
        EXPECT_EQ(json_.GetElementText(0, "list"), value);
        json_.Reset(kJsonArray);
        json_.SetElement(0, value);
        EXPECT_EQ(json_.GetText("[0]"), value);
        json_.SetRoot(value);
        EXPECT_EQ(json_.GetText(""), value);
        json_.Clear();
    }
    EXPECT_FALSE(json_.Has("injected"));
    EXPECT_EQ(json_.ToJson(), "{}");
}

TEST(QuoteScriptStringTest, EscapesOnlyWhatTheScriptSyntaxNeeds) {
    EXPECT_EQ(QuoteScriptString("plain"), "'plain'");
    EXPECT_EQ(QuoteScriptString("a'b\\c"), R"('a\'b\\c')");
    EXPECT_EQ(QuoteScriptString("\n\r\x1f"), R"('\u000a\u000d\u001f')");
    EXPECT_EQ(QuoteScriptString(gbk("\u2028\u2029")), R"('\u2028\u2029')");
    // Bytes that are not GBK cannot survive any conversion; they become U+FFFD, never escapes.
    EXPECT_EQ(QuoteScriptString("\x81'"), "'\x84\x31\xa4\x37\\''");
    EXPECT_EQ(QuoteScriptString("\x95\x5c"), "'\x95\x5c'");
}

// Arbitrary bytes as a plain value: stored as the code page reads them (invalid bytes as U+FFFD),
// never run, and never breaking the script around them.
TEST_F(JsonObjectTest, RandomBytesAreStoredAsTheirText) {
    std::mt19937 random(20170107);
    const char alphabet[] = {'\'', '\\', '"', '\n', '\r', ')', ';', '/', '*', 'a', '\x00', '\x5c'};
    for (int round = 0; round < 300; ++round) {
        Text value;
        const int length = static_cast<int>(random() % 12);
        for (int i = 0; i < length; ++i) {
            const unsigned pick = random() % 3;
            value += pick == 0   ? alphabet[random() % sizeof alphabet]
                     : pick == 1 ? static_cast<char>(0x81 + random() % 0x7e)
                                 : static_cast<char>(random() % 256);
        }
        json_.SetMember("v", value);
        ASSERT_EQ(LastCallStatus(), 0) << ::testing::PrintToString(value);
        ASSERT_EQ(json_.GetText("v"), codepage::utf16ToGbk(codepage::gbkToUtf16(value)))
            << ::testing::PrintToString(value);
    }
    TextArray names;
    EXPECT_EQ(json_.MemberNames(names), 1);
}

TEST_F(JsonObjectTest, SettersAndNumbers) {
    json_.SetMember("obj", "", true);
    EXPECT_EQ(json_.GetMemberJson("obj"), "{}");
    json_.SetMember("arr", "[1,2,3]", true);
    EXPECT_EQ(json_.Length("arr"), 3);
    json_.SetMemberExpression("sum", "'1+2'");
    EXPECT_EQ(json_.GetMemberNumber("sum"), 3);
    json_.SetMemberNumber("pi", 3.14159265358979);
    EXPECT_EQ(json_.GetText("pi"), "3.14159265359");  // thirteen significant digits
    json_.SetMemberNumber("big", 1e20);
    EXPECT_EQ(json_.GetMemberNumber("big"), 1e20);
    json_.SetMemberNumber("inf", 1.0 / 0.0);
    EXPECT_EQ(json_.GetMemberJson("inf"), "null");
    EXPECT_EQ(json_.GetMemberNumber("missing"), 0);
    EXPECT_TRUE(json_.Has("obj"));
    EXPECT_FALSE(json_.Has("missing"));
    json_.Clear();
    EXPECT_EQ(json_.ToJson(), "{}");
}

TEST_F(JsonObjectTest, ArrayOperations) {
    json_.SetMember("list", "not an array");
    json_.Push("one", "list");
    EXPECT_EQ(json_.GetMemberJson("list"), R"(["one"])");
    json_.Push("{\"k\":2}", "list", true);
    EXPECT_EQ(json_.GetElementText(1, "list", true), R"({"k":2})");
    EXPECT_EQ(json_.GetElementText(0, "list"), "one");
    EXPECT_EQ(json_.Length("list"), 2);
    EXPECT_EQ(json_.Length("list[0]"), 3);  // a string's length
    json_.SetMemberNumber("n", 5);
    EXPECT_EQ(json_.Length("n"), 0);  // no length at all
    json_.SetMember("fake", "{\"length\":1e30}", true);
    EXPECT_EQ(json_.Length("fake"), std::numeric_limits<int>::max());

    json_.Reset(kJsonArray);
    EXPECT_EQ(json_.ToJson(), "[]");
    json_.Push("a");
    json_.Push("b");
    json_.SetElement(0, "7", true);
    json_.RemoveElement(1);
    EXPECT_EQ(json_.ToJson(), "[7]");
    json_.Reset(3);  // unknown kinds change nothing
    EXPECT_EQ(json_.ToJson(), "[7]");
    json_.Reset(kJsonNull);
    EXPECT_EQ(json_.ToJson(), "{}");
}

TEST_F(JsonObjectTest, SetRootReportsTheValueAsALogical) {
    EXPECT_TRUE(json_.SetRoot("1", true));
    EXPECT_FALSE(json_.SetRoot("0", true));
    EXPECT_TRUE(json_.SetRoot("True"));   // automation's text-to-logical rules
    EXPECT_FALSE(json_.SetRoot("text"));  // stored, but not readable as a logical
    EXPECT_EQ(LastCallStatus(), kResultMismatch);
    EXPECT_EQ(json_.GetText(""), "text");
    json_.SetRoot("{\"a\":1}", true);
    EXPECT_EQ(json_.GetText("a"), "1");
}

TEST_F(JsonObjectTest, MemberNamesInEnumerationOrder) {
    ASSERT_TRUE(json_.Parse(R"({"a":1,"b":{"c":2,"d":3}})"));
    TextArray names;
    EXPECT_EQ(json_.MemberNames(names), 2);
    EXPECT_EQ(names, (TextArray{"a", "b"}));
    EXPECT_EQ(json_.MemberNames(names, "b"), 2);
    EXPECT_EQ(names, (TextArray{"c", "d"}));
    EXPECT_EQ(json_.GetText("ary"), "");  // the scratch variable is cleared
}

TEST_F(JsonObjectTest, TypeOfReportsKinds) {
    ASSERT_TRUE(json_.Parse(R"({"s":"x","n":1.5,"o":{},"a":[],"z":null,"t":true})"));
    EXPECT_EQ(json_.TypeOf(), kJsonObject);
    EXPECT_EQ(json_.TypeOf("s"), kJsonString);
    EXPECT_EQ(json_.TypeOf("n"), kJsonNumber);
    EXPECT_EQ(json_.TypeOf("o"), kJsonObject);
    EXPECT_EQ(json_.TypeOf("a"), kJsonArray);
    EXPECT_EQ(json_.TypeOf("z"), kJsonNull);
    EXPECT_EQ(json_.TypeOf("missing"), kJsonNull);
    EXPECT_EQ(json_.TypeOf("t"), kJsonOther);
    EXPECT_EQ(json_.TypeOf("missing.deeper"), kJsonOther);
    ASSERT_TRUE(json_.Parse("[[1]]"));
    EXPECT_EQ(json_.TypeOf(), kJsonArray);
}

TEST_F(JsonObjectTest, ValuesAsIndependentObjects) {
    ASSERT_TRUE(json_.Parse(R"({"inner":{"k":"v"},"list":[{"i":1},{"i":2}]})"));
    const int entered = ApartmentCount();
    std::unique_ptr<JsonObject> inner = json_.GetObject("inner");
    std::unique_ptr<JsonObject> second = json_.GetElementObject(1, "list");
    std::unique_ptr<JsonObject> whole = json_.GetObject("");
    EXPECT_EQ(ApartmentCount(), entered + 3);
    EXPECT_EQ(inner->ToJson(), R"({"k":"v"})");
    EXPECT_EQ(second->GetText("i"), "2");
    EXPECT_EQ(whole->GetText("inner.k"), "v");
    inner->SetMember("k", "changed");
    EXPECT_EQ(json_.GetText("inner.k"), "v");
    std::unique_ptr<JsonObject> missing = json_.GetObject("nothing");
    EXPECT_EQ(missing->TypeOf(), kJsonNull);  // undefined
    for (auto* object : {inner.get(), second.get(), whole.get(), missing.get()}) object->Destroy();
    EXPECT_EQ(ApartmentCount(), entered);
}

TEST_F(JsonObjectTest, CopiesShareTheValueAndBalanceTheApartment) {
    const int entered = ApartmentCount();
    std::unique_ptr<JsonObject> copy = json_.Copy();
    EXPECT_EQ(ApartmentCount(), entered + 1);
    copy->SetMember("via", "copy");
    EXPECT_EQ(json_.GetText("via"), "copy");
    copy->Destroy();
    copy->Destroy();
    EXPECT_EQ(ApartmentCount(), entered);
    EXPECT_EQ(copy->ToJson(), "");
    EXPECT_EQ(json_.GetText("via"), "copy");
}

TEST(JsonObjectEmpty, AnObjectWithoutEngineGivesEmptyResults) {
    JsonObject json;
    EXPECT_FALSE(json.Parse("{}"));
    EXPECT_EQ(json.ToJson(), "");
    EXPECT_EQ(LastCallError(), gbk("对象为空"));
    EXPECT_EQ(json.GetText("edition"), "");
    EXPECT_EQ(json.TypeOf(), kJsonOther);
    TextArray names{"old"};
    EXPECT_EQ(json.MemberNames(names), 0);
    EXPECT_TRUE(names.empty());
}

// The script's own JSON code runs only where the engine lacks JSON; here it is forced in by
// removing the engine's JSON first, and must agree with the engine's built-in one.
class JsonScriptTest : public ::testing::Test {
  protected:
    void SetUp() override {
        native_.Initialize();
        native_.AddCode(JsonScript());
        fallback_.Initialize();
        ASSERT_TRUE(fallback_.ExecuteStatement("delete this.JSON; delete Date.prototype.toJSON;"));
        fallback_.AddCode(JsonScript());
        ASSERT_EQ(LastCallStatus(), 0);
        ASSERT_EQ(fallback_.Eval("String(/native code/.test(String(JSON.stringify)))"), "false");
    }
    void TearDown() override {
        native_.Destroy();
        fallback_.Destroy();
    }
    // Both engines evaluate the expression; their texts must match and not be empty.
    void expectSame(const char* expression) {
        const Text expected = native_.Eval(expression);
        EXPECT_NE(expected, "") << expression;
        EXPECT_EQ(fallback_.Eval(expression), expected) << expression;
    }

    ScriptHost native_;
    ScriptHost fallback_;
};

TEST(JsonScriptText, StartsWithTheMemberCounter) {
    const Text& script = JsonScript();
    const Text counter =
        "function get__count(c){\r\n\tvar i=-2;\r\n\tfor (v in c) i++;\r\n\treturn i;\r\n}\r\n\r\n";
    EXPECT_EQ(script.substr(0, counter.size()), counter);
    for (size_t at = script.find('\n'); at != Text::npos; at = script.find('\n', at + 1)) {
        ASSERT_EQ(script[at - 1], '\r') << "bare line feed at " << at;
    }
}

TEST_F(JsonScriptTest, PrototypeMembersAreEnumerableAndCounted) {
    for (ScriptHost* host : {&native_, &fallback_}) {
        EXPECT_EQ(host->Eval("get__count({a:1,b:2})"), "2");
        EXPECT_EQ(host->Eval("var seen=''; for (var k in {}) seen+=k+','; seen"),
                  "toJSONString,parseJSON,");
        EXPECT_EQ(host->Eval("({a:[1]}).toJSONString()"), R"({"a":[1]})");
        EXPECT_EQ(host->Eval("'{\"x\":2}'.parseJSON().x"), "2");
        EXPECT_EQ(
            host->Eval("'[1,2]'.parseJSON(function(k,v){return typeof v==='number'?v+1:v;})[1]"),
            "3");
    }
}

TEST_F(JsonScriptTest, StringifyAgreesWithTheEngine) {
    expectSame(
        R"(JSON.stringify({a:[1,'x',null,true,{b:-0.5}],s:'q"\\\n\t\u0001',u:undefined,f:function(){}}))");
    expectSame("JSON.stringify([undefined, function(){}, NaN, -Infinity, 1e21, 0.1])");
    expectSame("JSON.stringify({a:[],b:{},c:[1,{d:2}]}, null, 2)");
    expectSame("JSON.stringify([1,[2]], null, '\t')");
    expectSame("JSON.stringify({a:1,b:2,c:{a:3,z:4}}, ['a','c'])");
    expectSame("JSON.stringify({a:1,b:'x'}, function(k,v){return typeof v==='number'?v*2:v;})");
    expectSame("JSON.stringify([new Number(3), new String('s'), new Boolean(false)])");
    expectSame("JSON.stringify({when:new Date(Date.UTC(2017,0,8,1,2,3,4))})");
    expectSame("JSON.stringify({toJSON:function(k){return 'as '+k;}})");
    expectSame("String(JSON.stringify(undefined))");
    expectSame("JSON.stringify('\\u4e2d')");
    EXPECT_EQ(fallback_.Eval("JSON.stringify('\\u2028')"), R"("\u2028")");
    EXPECT_EQ(fallback_.Eval("var o={}; o.self=o; JSON.stringify(o)"), "");
    EXPECT_EQ(LastCallError(), gbk("发现异常"));
}

TEST_F(JsonScriptTest, ParseAcceptsJsonOnly) {
    const char* valid[] = {
        R"(JSON.stringify(JSON.parse(' [1, -0, 2.5e3, 1E-2, "\\u00e9\\n\\/\\"", {"k":{}}, [], true, false, null] ')))",
        R"(JSON.stringify(JSON.parse('"str"')))",
        R"(JSON.stringify(JSON.parse('{"a":{"b":[1,{"c":null}]}}')))",
        R"(JSON.stringify(JSON.parse('{"a":1,"b":[2,3]}', function(k,v){return typeof v==='number'?v*10:v;})))",
        R"(JSON.stringify(JSON.parse('{"a":1,"b":2}', function(k,v){return k==='a'?undefined:v;})))",
        R"(JSON.stringify(JSON.parse('{"__proto__":1}')))",
    };
    for (const char* expression : valid) expectSame(expression);

    const char* invalid[] = {"",        "{",        "[1,]",        "{'a':1}", "01",         "1.",
                             "tru",     "[1] x",    "{\"a\" 1}",   "-",       ".5",         "1e",
                             "\"\\x\"", "\"a\nb\"", "\"\\u12G4\"", "[1 2]",   "{\"a\":1,}", "NaN"};
    for (const char* text : invalid) {
        const Text probe = "(function(){try{JSON.parse(" + QuoteScriptString(text) +
                           ");return 'accepted'}catch(e){return e.name}})()";
        EXPECT_EQ(fallback_.Eval(probe), "SyntaxError") << text;
        EXPECT_EQ(native_.Eval(probe), "SyntaxError") << text;
    }
}

}  // namespace
}  // namespace quillon::script
