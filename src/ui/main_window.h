#pragma once
// The Quillon main window: builds the controls at their fixed client positions, the menu, and
// wires every control event to its handler. The handlers themselves live in app::Application.
#include <QMainWindow>
#include <memory>

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

  private:
    void Build(app::Desktop& desktop, app::Addresses addresses);
    void BuildControls();
    void BuildMenu();
    void WireEvents();
    // Runs one handler, then lets the tree show what the handler put into it.
    template <typename Handler>
    void Run(Handler handler);

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
};

// Shows the window, runs the message loop until the window closes or the program is ended,
// releases the application state and returns the exit code (0).
int RunMainLoop(MainWindow& window);

}  // namespace quillon::ui
