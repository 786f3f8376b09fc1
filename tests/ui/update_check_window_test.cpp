// The 关于 menu in the real window with a manifest served on 127.0.0.1, and the Qt message box and
// shell adapter. No browser is ever started: the shell's URL handlers are taken over here.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <atomic>
#include <functional>
#include <thread>

#include "fake_controls.h"
#include "runtime/codepage.h"
#include "test_server.h"
#include "ui/desktop.h"
#include "ui/edit_boxes.h"
#include "ui/main_window.h"

namespace quillon::ui {
namespace {

using app::testing::FakeDesktop;
using web::testing::httpResponse;
using web::testing::respondWith;
using web::testing::TestServer;
using Message = FakeDesktop::Message;
using namespace std::chrono_literals;

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

// Lets the event loop run until `done` holds or `limit` passes; whether it holds.
bool RunEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QTest::qWait(5);
    }
    return true;
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
    ASSERT_TRUE(RunEventsUntil([&] { return !desktop.messages.empty(); }));
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

// The request runs while the window goes on handling events: typing reaches the source box, the
// cursor shows that work is going on, and a second 检查更新 meanwhile does nothing.
TEST_F(UpdateWindowTest, TheCheckLeavesTheWindowResponsive) {
    std::atomic<bool> answer{false};
    TestServer server([&answer](web::testing::Connection& c) {
        if (!c.readRequest()) return;
        for (int i = 0; i < 1000 && !answer; ++i) std::this_thread::sleep_for(10ms);
        c.send(httpResponse("200 OK", "", R"({"edition":"20170107"})"));
    });
    auto window = WindowFor(server);
    window->show();
    window->SourceBox().setPlainText({});
    QAction* check = MenuEntry(*window, "关于", "检查更新");
    check->trigger();
    ASSERT_TRUE(RunEventsUntil([&] { return server.requests().size() == 1; }));
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
    QTest::keyClicks(&window->SourceBox(), QStringLiteral("typed"));
    check->trigger();
    QTest::qWait(50);
    EXPECT_EQ(window->SourceBox().toPlainText(), QStringLiteral("typed"));
    EXPECT_TRUE(desktop.messages.empty());
    answer = true;
    ASSERT_TRUE(RunEventsUntil([&] { return !desktop.messages.empty(); }));
    EXPECT_EQ(desktop.messages, (std::vector<Message>{{G("软件已为最新版\r\n版本号：20170107"),
                                                       G("提示："), app::kOkButton}}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QTest::qWait(100);
    EXPECT_EQ(server.connections(), 1);
    EXPECT_EQ(desktop.messages.size(), 1u);
}

// Closing the window while a check waits on a silent server ends the check with it.
TEST_F(UpdateWindowTest, ClosingTheWindowAbandonsARunningCheck) {
    TestServer server([](web::testing::Connection& c) {
        if (c.readRequest()) c.waitForClose(5s);
    });
    auto window = WindowFor(server);
    MenuEntry(*window, "关于", "检查更新")->trigger();
    ASSERT_TRUE(RunEventsUntil([&] { return server.requests().size() == 1; }));
    const auto started = std::chrono::steady_clock::now();
    window.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QTest::qWait(50);
    EXPECT_TRUE(desktop.messages.empty());
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

// With no handler for the page (no browser), the shell says so, and 说明 shows where it is.
TEST(QtShell, NoHandlerIsReportedAndExplained) {
    QtDesktop shell;
    EXPECT_FALSE(shell.OpenWithShell("quillon-nohandler://page"));
    app::testing::FakeDesktop desktop;
    desktop.shellOpens = false;
    const TestServer server(respondWith(""));
    MainWindow window(desktop, app::Addresses{server.url(app::kManifestPath), "http://h/i.html"});
    MenuEntry(window, "关于", "说明")->trigger();
    EXPECT_EQ(desktop.messages,
              (std::vector<Message>{{G("无法打开说明页，请在浏览器中打开：\r\nhttp://h/i.html"),
                                     G("提示："), app::kOkButton}}));
}

// Qt's own texts come in Chinese once the translations are installed.
TEST(QtTexts, ButtonsAndContextMenusAreChinese) {
    std::unique_ptr<QTranslator> translator(InstallChineseQtTexts(*qApp));
    ASSERT_NE(translator, nullptr) << "qt6-translations-l10n is not installed";
    QMessageBox box(QMessageBox::NoIcon, U("提示："), U("x"),
                    QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Ok)->text(), U("确定"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), U("取消"));
    QLineEdit edit;
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (const QAction* action : menu->actions()) texts << action->text();
    EXPECT_TRUE(texts.join(QLatin1Char('|')).contains(U("粘贴")))
        << texts.join(QLatin1Char('|')).toStdString();
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
