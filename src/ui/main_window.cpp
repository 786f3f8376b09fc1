#include "ui/main_window.h"

#include <QApplication>
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

template <typename Widget>
Widget* Place(QWidget* client, const char* name, QRect box) {
    auto* widget = new Widget(client);
    widget->setObjectName(U(name));
    widget->setGeometry(box);
    return widget;
}

// A label's stored box reaches into the control to its right; it is cut off where that control
// begins so it never covers it.
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
    WireEvents();

    setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    app_->WindowCreated();
}

// The controls outlive this body; tearing them down must not run handlers on a window that is
// already half gone.
MainWindow::~MainWindow() {
    tree_->disconnect(this);
}

// Controls in template order, which is also their tab order.
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

void MainWindow::BuildMenu() {
    auto add = [this](QMenu* menu, const char* name) {
        QAction* action = menu->addAction(U(name));
        action->setObjectName(U(name));
        return action;
    };
    QMenu* program = menuBar()->addMenu(U("程序"));
    program->setObjectName(U("程序"));
    connect(add(program, "关闭"), &QAction::triggered, this,
            [this] { Run([this] { app_->CloseDocument(); }); });
    program->addSeparator();
    connect(add(program, "退出"), &QAction::triggered, this,
            [this] { Run([this] { app_->ExitProgram(); }); });
    QMenu* about = menuBar()->addMenu(U("关于"));
    about->setObjectName(U("关于"));
    connect(add(about, "检查更新"), &QAction::triggered, this,
            [this] { Run([this] { app_->CheckForUpdate(); }); });
    connect(add(about, "说明"), &QAction::triggered, this,
            [this] { Run([this] { app_->OpenInstructions(); }); });
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
