#pragma once
// The Quillon main window: builds the controls at their fixed client positions, the menu, and
// wires every control event to its handler. The handlers themselves live in app::Application.
#include <QMainWindow>
#include <filesystem>
#include <memory>
#include <thread>

#include "app/application.h"

class QAction;
class QLabel;
class QPushButton;

namespace quillon::ui {

class AttributeGrid;
class FindField;
class LineBox;
class TextBox;
class TreeView;

class MainWindow : public QMainWindow, public app::Window {
    Q_OBJECT
  public:
    // The client area under the menu bar.
    static constexpr int kClientWidth = 562;
    static constexpr int kClientHeight = 456;

    // With the Qt message boxes and shell, and the addresses the program was built with.
    explicit MainWindow(QWidget* parent = nullptr);
    // With the given platform services, which outlive the window, and addresses.
    MainWindow(app::Desktop& desktop, app::Addresses addresses, QWidget* parent = nullptr);
    ~MainWindow() override;

    app::Application& App() { return *app_; }

    // Opens a file into the source box as 打开… does (file_actions.cpp); false when a message
    // box said why not.
    bool OpenFile(const std::filesystem::path& file);

    // app::Window
    void SetCaption(const Text& caption) override;
    void EndProgram(int exitCode) override;

    QWidget* Client() const { return centralWidget(); }
    TextBox& SourceBox() const { return *source_; }
    LineBox& PathBox() const { return *path_; }
    TextBox& ValueBox() const { return *value_; }
    TreeView& Tree() const { return *tree_; }
    FindField& Find() const { return *find_; }
    AttributeGrid& Grid() const { return *grid_; }
    QPushButton& ParseButton() const { return *parse_; }
    QPushButton& FormatButton() const { return *format_; }

  protected:
    // A local file dropped anywhere on the window opens (file_actions.cpp).
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void Build(app::Desktop& desktop, app::Addresses addresses);
    void BuildControls();
    void BuildMenu();
    void BuildButtonKeys();
    void WireEvents();
    void AcceptFileDrops();
    // Takes a drag event that carries a local file; false leaves it to the widget.
    bool TakeFileDrag(QEvent* event);
    // Runs one handler, then lets the tree show what the handler put into it.
    template <typename Handler>
    void Run(Handler handler);
    // 检查更新: the manifest is fetched on a worker thread while the window goes on, then
    // presented here. A check asked for while one runs is ignored.
    void StartUpdateCheck();
    void FinishUpdateCheck(const app::UpdateManifest& manifest);

    QPushButton* format_ = nullptr;
    AttributeGrid* grid_ = nullptr;
    LineBox* path_ = nullptr;
    QPushButton* parse_ = nullptr;
    TextBox* value_ = nullptr;
    TextBox* source_ = nullptr;
    TreeView* tree_ = nullptr;
    FindField* find_ = nullptr;                 // over the bottom of the tree
    std::unique_ptr<app::Desktop> ownDesktop_;  // set when the window made its own
    std::unique_ptr<app::Application> app_;
    std::jthread updateCheck_;  // joinable while a check runs
};

// Shows the window, runs the message loop until the window closes or the program is ended,
// releases the application state and returns the exit code (0).
int RunMainLoop(MainWindow& window);

}  // namespace quillon::ui
