// The update check and 说明 end to end: a manifest served on 127.0.0.1, the real request, JSON
// check and JSON object, and a desktop that records what would be shown and opened.
#include <gtest/gtest.h>

#include "app/application.h"
#include "fake_controls.h"
#include "runtime/codepage.h"
#include "script/json_check.h"
#include "test_server.h"
#include "web/web_address.h"

namespace quillon::app {
namespace {

using testing::FakeControls;
using testing::FakeDesktop;
using web::testing::httpResponse;
using web::testing::respondWith;
using web::testing::TestServer;
using Message = FakeDesktop::Message;

Text G(std::string_view utf8) {
    return codepage::utf8ToGbk(utf8);
}

const Message kUpToDate{G("软件已为最新版\r\n版本号：20170107"), G("提示："), kOkButton};
const Message kPrompt{G("有更新，点击确定下载新版"), G("提示："), kOkCancelButtons};
const Message kFailed{G("检查更新失败"), G("提示："), kOkButton};

std::string manifest(std::string_view edition,
                     std::string_view down = "http://quillon.example/q.zip") {
    return std::string(R"({"edition":)") + std::string(edition) + R"(,"down":")" +
           std::string(down) + "\"}";
}

class UpdateCheckTest : public ::testing::Test {
  protected:
    // Serves `response` once at the manifest path and runs the check against it.
    void CheckAgainst(std::string response) {
        TestServer server(respondWith(std::move(response)));
        CheckAt(server.url(kManifestPath));
        ASSERT_EQ(server.requests().size(), 1u);
        EXPECT_TRUE(server.requests()[0].starts_with("GET /quillon/up.json HTTP/1.1\r\n"));
    }
    void CheckBody(std::string_view body) {
        CheckAgainst(httpResponse("200 OK", "Content-Type: application/json\r\n", body));
    }
    void CheckAt(const std::string& url) {
        Application app(ui.Contract(), Addresses{url, "http://quillon.example/help"});
        app.CheckForUpdate();
    }
    std::vector<Message>& Shown() { return ui.desktop.messages; }
    std::vector<Text>& Opened() { return ui.desktop.opened; }

    FakeControls ui;
};

TEST_F(UpdateCheckTest, SameEditionAsStringOrNumberIsUpToDate) {
    for (const char* edition : {R"("20170107")", "20170107"}) {
        SCOPED_TRACE(edition);
        Shown().clear();
        CheckBody(manifest(edition));
        EXPECT_EQ(Shown(), std::vector<Message>{kUpToDate});
        EXPECT_TRUE(Opened().empty());
    }
}

TEST_F(UpdateCheckTest, AnyOtherEditionOffersTheDownload) {
    for (const char* edition : {R"("20170108")", R"("20170106")", "20170108", R"("v2")"}) {
        SCOPED_TRACE(edition);
        Shown().clear();
        Opened().clear();
        CheckBody(manifest(edition, G("http://quillon.example/新.zip")));
        EXPECT_EQ(Shown(), std::vector<Message>{kPrompt});
        EXPECT_EQ(Opened(), std::vector<Text>{G("http://quillon.example/新.zip")});
    }
}

TEST_F(UpdateCheckTest, CancelOpensNothing) {
    ui.desktop.answers = {kAnsweredCancel};
    CheckBody(manifest(R"("20170108")"));
    EXPECT_EQ(Shown(), std::vector<Message>{kPrompt});
    EXPECT_TRUE(Opened().empty());
}

TEST_F(UpdateCheckTest, WebAddressesInAnyCaseReachTheShell) {
    for (const char* down : {"HTTPS://quillon.example/q.zip", "hTtP://quillon.example"}) {
        Opened().clear();
        CheckBody(manifest(R"("20170108")", down));
        EXPECT_EQ(Opened(), std::vector<Text>{down});
    }
}

// Anything but an http(s) address stays away from the shell, even after the user said OK.
TEST_F(UpdateCheckTest, OtherDownloadTargetsAreRefused) {
    for (const char* down : {"file:///etc/passwd", "/usr/bin/xterm", "C:\\\\Windows\\\\calc.exe",
                             " http://quillon.example/q.zip", "javascript:alert(1)", "http:/x", "",
                             R"(https://a\u0000b)", "http://quillon.example/a b.zip",
                             R"(http://q\u0007/)", "http://quillon.example:99999/", "http://"}) {
        SCOPED_TRACE(down);
        Shown().clear();
        CheckBody(manifest(R"("20170108")", down));
        EXPECT_EQ(Shown(), (std::vector<Message>{kPrompt, kFailed}));
        EXPECT_TRUE(Opened().empty());
    }
    Shown().clear();
    CheckBody(R"({"edition":"20170108","down":{"href":"http://quillon.example"}})");
    EXPECT_EQ(Shown(), (std::vector<Message>{kPrompt, kFailed}));
    EXPECT_TRUE(Opened().empty());
}

TEST_F(UpdateCheckTest, UnreachableServerFails) {
    int port = 0;
    {
        TestServer closed(respondWith(""));
        port = closed.port();
    }
    CheckAt("http://127.0.0.1:" + std::to_string(port) + std::string(kManifestPath));
    EXPECT_EQ(Shown(), std::vector<Message>{kFailed});
    EXPECT_TRUE(Opened().empty());
}

// The manifest may take up to 1 MiB; a larger answer ends the request and the check fails.
TEST_F(UpdateCheckTest, ManifestsPastOneMebibyteFail) {
    const std::string head = R"({"edition":"20170108","down":"http://h/q.zip","pad":")";
    for (const size_t size : {size_t{1} << 20, (size_t{1} << 20) + 1}) {
        SCOPED_TRACE(size);
        Shown().clear();
        Opened().clear();
        CheckBody(head + std::string(size - head.size() - 2, 'x') + "\"}");
        EXPECT_EQ(Opened().size(), size <= (size_t{1} << 20) ? 1u : 0u);
        EXPECT_EQ(Shown(), size <= (size_t{1} << 20) ? std::vector<Message>{kPrompt}
                                                     : std::vector<Message>{kFailed});
    }
}

// Only a 2xx response is a manifest, whatever its body holds.
TEST_F(UpdateCheckTest, OnlySuccessStatusesCarryAManifest) {
    for (const char* status : {"500 Internal Server Error", "404 Not Found", "302 Found",
                               "403 Forbidden", "203 Non-Authoritative Information"}) {
        SCOPED_TRACE(status);
        Shown().clear();
        CheckAgainst(
            httpResponse(status, "Content-Type: application/json\r\n", manifest(R"("20170108")")));
        const bool success = status[0] == '2';
        EXPECT_EQ(Shown(), success ? std::vector<Message>{kPrompt} : std::vector<Message>{kFailed});
    }
    Shown().clear();
    CheckAgainst(httpResponse("404 Not Found", "Content-Type: text/html\r\n",
                              "<html><body><h1>404 Not Found</h1></body></html>"));
    EXPECT_EQ(Shown(), std::vector<Message>{kFailed});
}

// Bodies that are not one JSON object with a usable edition. Script code among them would, if it
// ran, hang the check or produce a manifest that offers an update.
TEST_F(UpdateCheckTest, BodiesWithoutAUsableEditionFail) {
    const char* bodies[] = {
        "",
        "edition=20170108",
        "while(1){}",
        R"("while(1){}")",
        R"((function(){return {"edition":"20170108","down":"http://evil.example"}})())",
        R"({"edition":(function(){while(1){}})()})",
        R"({"edition":"20170108"} /* note */)",
        R"({"edition":"20170108"}; while(1){})",
        R"([{"edition":"20170108"}])",
        R"({"down":"http://quillon.example/q.zip"})",
        R"({"edition":null})",
        R"({"edition":""})",
        R"({"edition":true})",
        R"({"edition":{"day":"20170108"}})",
        R"({"edition":["20170108"]})",
        "\xEF\xBB\xBF{\"edition\":\"20170108\"}",  // a byte-order mark is not JSON white space
    };
    for (const char* body : bodies) {
        SCOPED_TRACE(body);
        Shown().clear();
        CheckBody(body);
        EXPECT_EQ(Shown(), std::vector<Message>{kFailed});
        EXPECT_TRUE(Opened().empty());
    }
}

// Bytes after a zero byte are not part of the text; white space around the object is.
TEST_F(UpdateCheckTest, BodyEndsAtItsFirstZeroByte) {
    CheckBody(std::string(" \r\n{\"edition\":\"20170107\"}\t\n") + '\0' + "while(1){}");
    EXPECT_EQ(Shown(), std::vector<Message>{kUpToDate});
}

TEST_F(UpdateCheckTest, InstructionsGoToTheShellQuietly) {
    Application app(ui.Contract(), Addresses{"http://127.0.0.1:1/quillon/up.json",
                                             "file:///opt/quillon/instructions.html"});
    app.OpenInstructions();
    EXPECT_EQ(Opened(), std::vector<Text>{"file:///opt/quillon/instructions.html"});
    EXPECT_TRUE(Shown().empty());
}

TEST_F(UpdateCheckTest, InstructionsThatNoHandlerTakesAreExplained) {
    ui.desktop.shellOpens = false;
    Application app(ui.Contract(), Addresses{"http://127.0.0.1:1/quillon/up.json",
                                             "file:///opt/quillon/instructions.html"});
    app.OpenInstructions();
    EXPECT_EQ(Opened(), std::vector<Text>{"file:///opt/quillon/instructions.html"});
    EXPECT_EQ(Shown(),
              (std::vector<Message>{{G("无法打开说明页，请在浏览器中打开：\r\nfile:///opt/quillon/"
                                       "instructions.html"),
                                     G("提示："), kOkButton}}));
}

TEST(UpdateAddresses, DefaultsUseTheFixedPathAndThePageNextToTheProgram) {
    const Addresses addresses = DefaultAddresses("/opt/q uillon/\xE8\xAF\xB4");  // 说
    EXPECT_TRUE(web::IsHttpUrl(addresses.manifestUrl)) << addresses.manifestUrl;
    EXPECT_TRUE(addresses.manifestUrl.ends_with("/quillon/up.json")) << addresses.manifestUrl;
    if (!web::IsHttpUrl(addresses.instructionsUrl)) {
        EXPECT_EQ(addresses.instructionsUrl, "file:///opt/q%20uillon/%E8%AF%B4/instructions.html");
    }
    EXPECT_EQ(FileUrl("C:/Quillon/instructions.html"), "file:///C:/Quillon/instructions.html");
    EXPECT_FALSE(ProgramDirectory().empty());
    EXPECT_TRUE(Application(FakeControls().Contract()).AboutAddresses().manifestUrl ==
                addresses.manifestUrl);
}

TEST(StrictJsonCheck, AcceptsOnlyOneJsonObject) {
    EXPECT_TRUE(script::IsJsonObjectText(R"({})"));
    EXPECT_TRUE(
        script::IsJsonObjectText(" {\"a\":[1,2.5e3,-0,true,null],\"b\":{\"c\":\"\\u00e9\"}} "));
    EXPECT_TRUE(script::IsJsonObjectText(G(R"({"名":"值"})")));
    for (const char* text : {"", "null", "1", R"("x")", "[]", "{'a':1}", "{a:1}", R"({"a":01})",
                             R"({"a":0x1})", R"({"a":NaN})", R"({"a":undefined})", "{\"a\":\"\t\"}",
                             R"({"a":"\x41"})", R"({"a":1}{})", R"({"a":+1})"}) {
        EXPECT_FALSE(script::IsJsonObjectText(text)) << text;
    }
}

}  // namespace
}  // namespace quillon::app
