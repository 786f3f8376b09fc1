// The 关于 menu in the real window with a manifest served on 127.0.0.1, and the Qt message box and
// shell adapter. No browser is ever started: the shell's URL handlers are taken over here.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "fake_controls.h"
#include "runtime/codepage.h"
#include "test_server.h"
#include "ui/desktop.h"
#include "ui/main_window.h"

namespace quillon::ui {
namespace {

using app::testing::FakeDesktop;
using web::testing::httpResponse;
using web::testing::respondWith;
using web::testing::TestServer;
using Message = FakeDesktop::Message;

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}
Text G(std::string_view utf8) {
    return codepage::utf8ToGbk(utf8);
}

// Receives what QDesktopServices would hand to the user's browser or file handler.
class UrlCatcher : public QObject {
    Q_OBJECT
  public:
    UrlCatcher() {
        for (const char* scheme : {"http", "https", "file"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
    }
    ~UrlCatcher() override {
        for (const char* scheme : {"http", "https", "file"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    QList<QUrl> opened;

  public slots:
    void open(const QUrl& url) { opened << url; }
};

// Menus and entries are named by their captions; the texts add the access keys.
QAction* MenuEntry(MainWindow& window, const char* menu, const char* entry) {
    for (QAction* top : window.menuBar()->actions()) {
        if (top->menu() == nullptr || top->menu()->objectName() != U(menu)) continue;
        for (QAction* action : top->menu()->actions())
            if (action->objectName() == U(entry)) return action;
    }
    ADD_FAILURE() << "no entry " << menu << " / " << entry;
    return nullptr;
}

class UpdateWindowTest : public ::testing::Test {
  protected:
    // A window whose manifest is served by `server` and whose instructions page is `page`.
    std::unique_ptr<MainWindow> WindowFor(const TestServer& server, Text page = "https://h/i") {
        return std::make_unique<MainWindow>(
            desktop, app::Addresses{server.url(app::kManifestPath), std::move(page)});
    }
    FakeDesktop desktop;
};

TEST_F(UpdateWindowTest, CheckForUpdateOffersTheDownloadAndOpensIt) {
    TestServer server(respondWith(
        httpResponse("200 OK", "", R"({"edition":"20170108","down":"http://h/q.zip"})")));
    auto window = WindowFor(server);
    MenuEntry(*window, "关于", "检查更新")->trigger();
    EXPECT_EQ(desktop.messages, (std::vector<Message>{{G("有更新，点击确定下载新版"), G("提示："),
                                                       app::kOkCancelButtons}}));
    EXPECT_EQ(desktop.opened, std::vector<Text>{"http://h/q.zip"});
    EXPECT_EQ(window->windowTitle(), U("Quillon"));
}

TEST_F(UpdateWindowTest, InstructionsAndTheAboutMenuItself) {
    TestServer server(respondWith(""));
    auto window = WindowFor(server, "http://quillon.example/help.html");
    QAction* about = window->menuBar()->actions().value(1);
    ASSERT_TRUE(about && about->menu());
    about->trigger();  // opens its menu only; no handler behind it
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_TRUE(desktop.opened.empty());
    MenuEntry(*window, "关于", "说明")->trigger();
    EXPECT_EQ(desktop.opened, std::vector<Text>{"http://quillon.example/help.html"});
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(server.connections(), 0);
}

// The program's own window: 说明 hands the page next to the program to the file handler.
TEST(QtShell, DefaultInstructionsOpenTheLocalPage) {
    UrlCatcher catcher;
    MainWindow window;
    MenuEntry(window, "关于", "说明")->trigger();
    ASSERT_EQ(catcher.opened.size(), 1);
    const QUrl page = catcher.opened[0];
    if (page.isLocalFile()) {
        EXPECT_TRUE(page.toLocalFile().endsWith(QStringLiteral("/instructions.html")));
        EXPECT_TRUE(QDir::isAbsolutePath(page.toLocalFile()));
    } else {
        EXPECT_TRUE(page.scheme().startsWith(QStringLiteral("http")));  // a configured page
    }
}

TEST(QtShell, TargetsBecomeUrlsOrLocalFiles) {
    UrlCatcher catcher;
    QtDesktop desktop;
    desktop.OpenWithShell("https://quillon.example/a%20b?x=1");
    desktop.OpenWithShell(G("/tmp/说明 page.html"));
    desktop.OpenWithShell("file:///opt/q%20uillon/instructions.html");
    ASSERT_EQ(catcher.opened.size(), 3);
    EXPECT_EQ(catcher.opened[0], QUrl(QStringLiteral("https://quillon.example/a%20b?x=1")));
    EXPECT_EQ(catcher.opened[1].toLocalFile(), U("/tmp/说明 page.html"));
    EXPECT_EQ(catcher.opened[2].toLocalFile(), U("/opt/q uillon/instructions.html"));
    EXPECT_TRUE(ShellUrl("C:/Quillon/instructions.html").isLocalFile());
}

// Runs `act` on the message box once it is up, from inside its own event loop.
void WhenBoxShows(std::function<void(QMessageBox&)> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        act(*box);
    });
    poll->start(10);
}

TEST(QtMessageBox, ShowsCaptionTextAndButtonsWithoutIconOrOwner) {
    QtDesktop desktop;
    bool checked = false;
    WhenBoxShows([&](QMessageBox& box) {
        EXPECT_EQ(box.windowTitle(), U("提示："));
        EXPECT_EQ(box.text(), U("软件已为最新版\n版本号：20170107"));
        EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box.parentWidget(), nullptr);
        EXPECT_EQ(box.windowModality(), Qt::ApplicationModal);
        EXPECT_EQ(box.standardButtons(), QMessageBox::Ok);
        checked = true;
        box.button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(
        desktop.ShowMessage(G("软件已为最新版\r\n版本号：20170107"), G("提示："), app::kOkButton),
        app::kAnsweredOk);
    EXPECT_TRUE(checked);
}

TEST(QtMessageBox, OkCancelAnswersZeroForOkAndOneForCancelOrClose) {
    QtDesktop desktop;
    const Text prompt = G("有更新，点击确定下载新版");
    const std::function<void(QMessageBox&)> answers[] = {
        [](QMessageBox& box) { box.button(QMessageBox::Ok)->click(); },
        [](QMessageBox& box) { box.button(QMessageBox::Cancel)->click(); },
        [](QMessageBox& box) { box.close(); },
    };
    const int expected[] = {app::kAnsweredOk, app::kAnsweredCancel, app::kAnsweredCancel};
    for (int i = 0; i < 3; ++i) {
        WhenBoxShows([&, i](QMessageBox& box) {
            EXPECT_EQ(box.standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
            EXPECT_EQ(box.text(), U("有更新，点击确定下载新版"));
            answers[i](box);
        });
        EXPECT_EQ(desktop.ShowMessage(prompt, G("提示："), app::kOkCancelButtons), expected[i])
            << i;
    }
}

}  // namespace
}  // namespace quillon::ui

#include "update_check_window_test.moc"
