#pragma once
// The XML tree view: a QTreeView over TreeModel that is also the handlers' TreeView. It tells
// what caused each change of the selected item and reports in-place label edits.
#include <QTreeView>
#include <vector>

#include "app/components.h"
#include "ui/tree_model.h"

namespace quillon::ui {

class TreeView : public QTreeView, public app::TreeView {
    Q_OBJECT
  public:
    explicit TreeView(QWidget* parent = nullptr);

    TreeModel& Model() { return model_; }

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

    // QAbstractItemView
    void doItemsLayout() override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

  signals:
    // The selected item changed; cause 0 keyboard, 1 mouse, 2 the program.
    void selectionChanged(int cause);
    void labelEditBegins(int item);
    // Asks whether the label in EditText() may replace the item's label.
    void labelEditEnds(int item, bool& accept);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void drawBranches(QPainter* painter, const QRect& rect,
                      const QModelIndex& index) const override;

    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

  private:
    bool EndEdit(int item, const Text& label);
    // Expanded items by level, so that the column can be as wide as the deepest row shown.
    void Expanded(const QModelIndex& index);
    void Collapsed(const QModelIndex& index);
    void CollapseDescendants(const QModelIndex& index);
    void FitColumn();
    void FitColumnSoon() const;

    TreeModel model_;
    int cause_ = app::kByProgram;
    int editing_ = -1;  // item whose editor is open
    Text editText_;
    std::vector<int> expandedAt_;  // count of expanded items per level
    int deepestExpanded_ = -1;     // the deepest level with an expanded item
    bool collapsingDescendants_ = false;
    mutable int widestLabel_ = 0;  // of the rows painted since the tree was filled
    mutable bool fitPending_ = false;
};

}  // namespace quillon::ui
