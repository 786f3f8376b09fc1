#pragma once
// The rows the XML tree view shows: a flat list, in pre-order, of the items whose ancestors are
// all expanded. Keeping the shown items as one list makes every row a fixed-height strip whose
// position is its row number, so showing, scrolling and moving through the tree cost the same
// at any depth.
//
// Filling a freshly emptied tree is one batch: the view hears a single reset when the batch ends
// instead of one insertion per item. Expanding and collapsing rebuild the list once and move the
// view's current and selected rows with their items.
#include <QAbstractListModel>
#include <functional>
#include <vector>

#include "ui/tree_items.h"

namespace quillon::ui {

class TreeModel : public QAbstractListModel {
    Q_OBJECT
  public:
    explicit TreeModel(QObject* parent = nullptr);

    const TreeItems& Items() const { return items_; }

    // The handlers' view: items by pre-order index, -1 for none.
    void Clear();
    int Add(int parent, const Text& text);
    int Count() const { return items_.Count(); }
    int Value(int item) const { return items_.Value(item); }
    void SetValue(int item, int value) { items_.SetValue(item, value); }
    Text Label(int item) const { return items_.Label(item); }
    void SetLabel(int item, const Text& text);
    int Parent(int item) const { return items_.Parent(item); }

    // Ends a running batch: the view reloads everything at once, showing the top-level items.
    void EndBatch();
    bool InBatch() const { return batch_; }

    bool IsExpanded(int item) const { return items_.Expanded(item); }
    void Expand(int item);
    void ExpandAll(int item);
    void Collapse(int item);
    // Expands every ancestor of the item, so that it is shown.
    void Reveal(int item);

    // The row showing the item (-1 when hidden), and the item a row shows (-1 for none).
    int RowOf(int item) const;
    int ItemAt(int row) const;
    QModelIndex ModelIndex(int item) const;
    int IndexOf(const QModelIndex& index) const;
    int DeepestShownLevel() const { return deepest_; }

    // Asked when an in-place edit commits `label` for the item; true keeps the new label.
    std::function<bool(int item, const Text& label)> acceptLabel;

    // QAbstractItemModel
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    void Reshow();

    TreeItems items_;
    std::vector<int> rows_;  // item per row, in pre-order
    int deepest_ = 0;
    bool batch_ = false;
};

}  // namespace quillon::ui
