#include "ui/attribute_grid.h"

#include <QHeaderView>

#include "ui/text_convert.h"

namespace quillon::ui {
namespace {

constexpr int kRowHeight = 22;
constexpr int kColumnWidth = 88;

}  // namespace

AttributeGrid::AttributeGrid(QWidget* parent) : QTableWidget(parent) {
    // The fixed row and column are cells drawn as headers, so Qt's own headers stay hidden.
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setDefaultSectionSize(kColumnWidth);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setSelectionMode(SingleSelection);
    Reset();
}

void AttributeGrid::Reset() {
    clear();
    setRowCount(1);
    setColumnCount(2);
    DressFixedCells();
}

void AttributeGrid::SetRowCount(int rows) {
    setRowCount(std::max(rows, 0));
    DressFixedCells();
}

void AttributeGrid::SetColumnCount(int columns) {
    setColumnCount(std::max(columns, 0));
    DressFixedCells();
}

void AttributeGrid::SetCellText(int row, int column, const Text& text) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return;
    if (QTableWidgetItem* cell = item(row, column)) {
        cell->setText(ToQString(text));
    } else {
        setItem(row, column, new QTableWidgetItem(ToQString(text)));
    }
}

app::NativeHandle AttributeGrid::Handle() const {
#ifdef Q_OS_WIN
    return static_cast<app::NativeHandle>(const_cast<AttributeGrid*>(this)->winId());
#else
    return static_cast<app::NativeHandle>(internalWinId());
#endif
}

Text AttributeGrid::CellText(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell ? ToText(cell->text()) : Text();
}

// Fixed cells look like header sections and cannot be edited or selected.
void AttributeGrid::DressFixedCells() {
    const QBrush face = palette().brush(QPalette::Button);
    for (int row = 0; row < rowCount(); ++row) {
        for (int column = 0; column < columnCount(); ++column) {
            if (!IsFixed(row, column)) continue;
            QTableWidgetItem* cell = item(row, column);
            if (!cell) {
                cell = new QTableWidgetItem;
                setItem(row, column, cell);
            }
            cell->setFlags(Qt::ItemIsEnabled);
            cell->setBackground(face);
        }
    }
}

}  // namespace quillon::ui
