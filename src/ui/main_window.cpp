#include "ui/main_window.h"

#include <QApplication>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <new>

#include "app/sample_text.h"
#include "ui/attribute_grid.h"
#include "ui/desktop.h"
#include "ui/edit_boxes.h"
#include "ui/find_field.h"
#include "ui/text_convert.h"
#include "ui/tree_view.h"

namespace quillon::ui {
namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// "关闭(&C)": the letter after the caption, as menus in Chinese show their access keys.
QString Mnemonic(const char* name, char letter) {
    return U(name) + QStringLiteral("(&") + QChar::fromLatin1(letter) + QStringLiteral(")");
}

template <typename Widget>
Widget* Place(QWidget* client, const char* name, QRect box) {
    auto* widget = new Widget(client);
    widget->setObjectName(U(name));
    widget->setGeometry(box);
    return widget;
}

// The box given for a label (left, top, width, height in client pixels, as BuildControls lists
// them) is wider than its text and reaches into the control to its right; it is cut off where
// that control begins so it never covers it.
QLabel* PlaceLabel(QWidget* client, const char* name, QRect box, int rightLimit, const char* text) {
    box.setRight(std::min(box.right(), rightLimit - 1));
    auto* label = Place<QLabel>(client, name, box);
    label->setText(U(text));
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), ownDesktop_(std::make_unique<QtDesktop>()) {
    Build(*ownDesktop_, app::DefaultAddresses());
}

MainWindow::MainWindow(app::Desktop& desktop, app::Addresses addresses, QWidget* parent)
    : QMainWindow(parent) {
    Build(desktop, std::move(addresses));
}

void MainWindow::Build(app::Desktop& desktop, app::Addresses addresses) {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QString::fromLatin1(app::kWindowTitle.data(),
                                       static_cast<qsizetype>(app::kWindowTitle.size())));
    BuildControls();
    app_ = std::make_unique<app::Application>(
        app::Controls{*this, *source_, *path_, *value_, *tree_, *grid_, desktop},
        std::move(addresses));
    BuildMenu();
    BuildButtonKeys();
    WireEvents();
    AcceptFileDrops();

    setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    app_->WindowCreated();
}

// The controls outlive this body; tearing them down must not run handlers on a window that is
// already half gone.
MainWindow::~MainWindow() {
    tree_->disconnect(this);
    // A running update check is abandoned; its result, if one was posted, dies with the window.
    if (updateCheck_.joinable()) {
        updateCheck_.request_stop();
        updateCheck_.join();
        QApplication::restoreOverrideCursor();
    }
}

// Controls are created in the order listed here, and Qt's tab order follows creation order: the
// format button first, the tree view last.
void MainWindow::BuildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    format_ = Place<QPushButton>(client, "按钮2", {423, 289, 64, 24});
    format_->setText(U("格式化"));
    grid_ = Place<AttributeGrid>(client, "高级表格1", {160, 322, 180, 128});
    PlaceLabel(client, "标签2", {352, 290, 88, 24}, 423, "节点值");
    path_ = Place<LineBox>(client, "编辑框_路径", {190, 289, 154, 24});
    PlaceLabel(client, "标签1", {158, 290, 128, 24}, 190, "路径:");
    parse_ = Place<QPushButton>(client, "按钮1", {492, 289, 64, 24});
    parse_->setText(U("解析"));
    value_ = Place<TextBox>(client, "编辑框_节点", {352, 320, 205, 131});
    source_ = Place<TextBox>(client, "编辑框_源码", {157, 3, 400, 280});
    source_->SetContent(Text(app::kSampleText));
    tree_ = Place<TreeView>(client, "XML树", {2, 3, 152, 448});
    find_ = new FindField(*tree_);
}

// Each entry carries its caption as object name; the text adds the mnemonic the menu underlines.
void MainWindow::BuildMenu() {
    auto menu = [this](const char* name, char mnemonic) {
        QMenu* added = menuBar()->addMenu(Mnemonic(name, mnemonic));
        added->setObjectName(U(name));
        return added;
    };
    auto add = [this](QMenu* in, const char* name, char mnemonic, QKeySequence keys = {},
                      const char* ellipsis = "") {
        QAction* action = in->addAction(Mnemonic(name, mnemonic) + U(ellipsis));
        action->setObjectName(U(name));
        action->setShortcut(keys);
        return action;
    };
    QMenu* program = menu("程序", 'P');
    connect(add(program, "打开", 'O', QKeySequence(Qt::CTRL | Qt::Key_O), "…"), &QAction::triggered,
            this, [this] { Run([this] { app_->OpenFile(); }); });
    connect(add(program, "另存为", 'A', QKeySequence(Qt::CTRL | Qt::Key_S), "…"),
            &QAction::triggered, this, [this] { Run([this] { app_->SaveFileAs(); }); });
    connect(add(program, "关闭", 'C'), &QAction::triggered, this,
            [this] { Run([this] { app_->CloseDocument(); }); });
    program->addSeparator();
    connect(add(program, "退出", 'X', QKeySequence(Qt::CTRL | Qt::Key_Q)), &QAction::triggered,
            this, [this] { Run([this] { app_->ExitProgram(); }); });
    QMenu* about = menu("关于", 'A');
    connect(add(about, "检查更新", 'U'), &QAction::triggered, this, [this] { StartUpdateCheck(); });
    connect(add(about, "说明", 'H'), &QAction::triggered, this,
            [this] { Run([this] { app_->OpenInstructions(); }); });
}

// The two buttons answer keys of their own; their captions stay as they are and the tooltips
// name the keys. Each key is a window action named like its button, so it works wherever the
// focus is in the window.
void MainWindow::BuildButtonKeys() {
    auto key = [this](QPushButton* button, const char* name, QKeySequence keys) {
        auto* action = new QAction(U(name), this);
        action->setObjectName(U(name));
        action->setShortcut(keys);
        addAction(action);
        connect(action, &QAction::triggered, button, &QPushButton::click);
        button->setToolTip(button->text() + QStringLiteral(" (") +
                           keys.toString(QKeySequence::NativeText) + QStringLiteral(")"));
    };
    key(parse_, "解析", QKeySequence(Qt::Key_F5));
    key(format_, "格式化", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
}

void MainWindow::WireEvents() {
    connect(parse_, &QPushButton::clicked, this, [this] { Run([this] { app_->ParseSource(); }); });
    connect(format_, &QPushButton::clicked, this,
            [this] { Run([this] { app_->FormatSource(); }); });
    connect(tree_, &TreeView::selectionChanged, this,
            [this](int cause) { Run([this, cause] { app_->ShowSelection(cause); }); });
    connect(find_, &FindField::findNext, this,
            [this] { Run([this] { find_->ShowFound(app_->FindNext(ToText(find_->text()))); }); });
    connect(tree_, &TreeView::labelEditBegins, this,
            [this](int item) { Run([this, item] { app_->BeginLabelEdit(item); }); });
    connect(tree_, &TreeView::labelEditEnds, this, [this](int item, bool& accept) {
        Run([this, item, &accept] { accept = app_->EndLabelEdit(item); });
    });
}

// Memory running out inside a handler ends that handler, never the program: an exception must
// not unwind through Qt's event loop.
template <typename Handler>
void MainWindow::Run(Handler handler) {
    try {
        handler();
    } catch (const std::bad_alloc&) {
    }
    tree_->FinishUpdate();
}

void MainWindow::StartUpdateCheck() {
    if (updateCheck_.joinable()) return;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    updateCheck_ =
        std::jthread([this, url = app_->AboutAddresses().manifestUrl](std::stop_token stop) {
            app::UpdateManifest manifest = app::FetchManifest(url, stop);
            if (stop.stop_requested()) return;
            QMetaObject::invokeMethod(
                this, [this, manifest = std::move(manifest)] { FinishUpdateCheck(manifest); },
                Qt::QueuedConnection);
        });
}

void MainWindow::FinishUpdateCheck(const app::UpdateManifest& manifest) {
    updateCheck_.join();  // the worker ends right after posting
    QApplication::restoreOverrideCursor();
    Run([this, &manifest] { app_->PresentUpdate(manifest); });
}

bool MainWindow::OpenFile(const std::filesystem::path& file) {
    bool opened = false;
    Run([this, &file, &opened] { opened = app_->OpenFile(file); });
    return opened;
}

void MainWindow::SetCaption(const Text& caption) {
    setWindowTitle(ToQString(caption));
}

void MainWindow::EndProgram(int exitCode) {
    QCoreApplication::exit(exitCode);
}

int RunMainLoop(MainWindow& window) {
    window.show();
    const int exitCode = QApplication::exec();
    window.App().ReleaseState();
    return exitCode;
}

}  // namespace quillon::ui
