#include "ui/tree_model.h"

#include <algorithm>

#include "ui/text_convert.h"

namespace quillon::ui {

TreeModel::TreeModel(QObject* parent) : QAbstractListModel(parent) {}

void TreeModel::Clear() {
    if (!batch_) {
        beginResetModel();
        batch_ = true;
    }
    items_.Clear();
    rows_.clear();
    deepest_ = 0;
}

void TreeModel::EndBatch() {
    if (!batch_) return;
    batch_ = false;
    rows_ = items_.Shown(&deepest_);
    endResetModel();
}

int TreeModel::Add(int parent, const Text& text) {
    const int item = items_.Add(parent, text);
    if (item < 0 || batch_) return item;
    // An item added ahead of others moves them one index on.
    if (item != Count() - 1)
        for (int& shown : rows_) shown += shown >= item;
    if (parent == -1 || items_.Expanded(parent)) {
        const int row =
            static_cast<int>(std::lower_bound(rows_.begin(), rows_.end(), item) - rows_.begin());
        beginInsertRows({}, row, row);
        rows_.insert(rows_.begin() + row, item);
        deepest_ = std::max(deepest_, items_.Level(item));
        endInsertRows();
    } else if (const QModelIndex shown = ModelIndex(parent); shown.isValid()) {
        emit dataChanged(shown, shown);  // it now has a button
    }
    return item;
}

void TreeModel::SetLabel(int item, const Text& text) {
    items_.SetLabel(item, text);
    if (const QModelIndex changed = ModelIndex(item); changed.isValid() && !batch_)
        emit dataChanged(changed, changed);
}

void TreeModel::Expand(int item) {
    items_.Expand(item);
    Reshow();
}

void TreeModel::ExpandAll(int item) {
    items_.ExpandAll(item);
    Reshow();
}

void TreeModel::Collapse(int item) {
    items_.Collapse(item);
    Reshow();
}

void TreeModel::Reveal(int item) {
    if (RowOf(item) >= 0) return;
    items_.Reveal(item);
    Reshow();
}

// One layout change for the whole list: the view keeps its current and selected items where
// they are still shown, whatever moved around them.
void TreeModel::Reshow() {
    if (batch_) return;
    std::vector<int> rows = items_.Shown(&deepest_);
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before) {
        const int item = ItemAt(index.row());
        const auto at = std::lower_bound(rows.begin(), rows.end(), item);
        after.push_back(at != rows.end() && *at == item
                            ? createIndex(static_cast<int>(at - rows.begin()), 0)
                            : QModelIndex());
    }
    rows_ = std::move(rows);
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

int TreeModel::RowOf(int item) const {
    const auto at = std::lower_bound(rows_.begin(), rows_.end(), item);
    return at != rows_.end() && *at == item ? static_cast<int>(at - rows_.begin()) : -1;
}

int TreeModel::ItemAt(int row) const {
    return row >= 0 && row < static_cast<int>(rows_.size()) ? rows_[row] : -1;
}

QModelIndex TreeModel::ModelIndex(int item) const {
    const int row = RowOf(item);
    return row < 0 ? QModelIndex() : createIndex(row, 0);
}

int TreeModel::IndexOf(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return -1;
    return ItemAt(index.row());
}

int TreeModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || batch_ ? 0 : static_cast<int>(rows_.size());
}

QVariant TreeModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    const int item = IndexOf(index);
    return item < 0 ? QVariant() : QVariant(ToQString(items_.Label(item)));
}

bool TreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    const int item = IndexOf(index);
    if (role != Qt::EditRole || item < 0) return false;
    const Text label = ToText(value.toString());
    if (acceptLabel && !acceptLabel(item, label)) return false;
    // The handler may have changed the tree meanwhile; store only into the item it accepted.
    if (Label(item) != label && IndexOf(index) == item) SetLabel(item, label);
    return true;
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemNeverHasChildren;
}

}  // namespace quillon::ui
