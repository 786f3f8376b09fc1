#pragma once
// The XML tree view, which is also the handlers' TreeView. It shows TreeModel's rows as strips
// of one fixed height, each indented by its item's level, and draws the lines joining items to
// their parents itself; so a row's place, painting it and moving to it cost the same at any
// depth. It tells what caused each change of the selected item and reports in-place label edits.
#include <QAbstractItemView>

#include "app/components.h"
#include "ui/tree_model.h"

namespace quillon::ui {

class TreeView : public QAbstractItemView, public app::TreeView {
    Q_OBJECT
  public:
    explicit TreeView(QWidget* parent = nullptr);

    TreeModel& Model() { return model_; }
    const TreeModel& Model() const { return model_; }

    // app::TreeView
    void DeleteAllItems() override;
    int AddItem(int parent, const Text& text) override;
    void SetItemValue(int item, int value) override { model_.SetValue(item, value); }
    int ItemValue(int item) const override { return model_.Value(item); }
    Text ItemText(int item) const override { return model_.Label(item); }
    int ParentIndex(int item) const override { return model_.Parent(item); }
    int SelectedIndex() const override;
    bool SelectItem(int item) override;
    Text EditText() const override { return editText_; }
    app::NativeHandle Handle() const override;

    // Shows the items a handler added; the window calls it once each handler has returned.
    void FinishUpdate() { model_.EndBatch(); }

    // Expanding and collapsing as the keys and the buttons do; -1 expands every item.
    void ExpandAll(int item = -1);
    void Expand(int item) { model_.Expand(item); }
    void Collapse(int item);
    bool IsExpanded(int item) const { return model_.IsExpanded(item); }
    // How far each level is indented, in pixels.
    int Indentation() const;

    // QAbstractItemView
    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;

  signals:
    // The selected item changed; cause 0 keyboard, 1 mouse, 2 the program.
    void selectionChanged(int cause);
    void labelEditBegins(int item);
    // Asks whether the label in EditText() may replace the item's label.
    void labelEditEnds(int item, bool& accept);

  protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex&) const override { return false; }
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

  private:
    // The row line at viewport height `y`, past the last row too (-1 above the first); RowAt
    // answers only for rows that exist.
    long long RowLine(int y) const;
    int RowAt(int y) const;
    // The item whose expand button is at `point`, or -1.
    int ButtonAt(const QPoint& point) const;
    void Toggle(int item);
    void SetCurrentItem(int item);
    bool KeyMovesInTree(int key);
    int LabelWidth(int item) const;
    long long ContentWidth() const;
    void FitWidthSoon() const;
    bool EndEdit(int item, const Text& label);

    TreeModel model_;
    int cause_ = app::kByProgram;
    int editing_ = -1;  // item whose editor is open
    Text editText_;
    mutable int widestLabel_ = 0;  // of the rows painted since the tree was filled
    mutable bool fitPending_ = false;
};

}  // namespace quillon::ui
