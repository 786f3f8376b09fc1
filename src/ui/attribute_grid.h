#pragma once
// The attribute grid: a table whose first row and first column are fixed header cells, which is
// also the handlers' Grid.
#include <QTableWidget>

#include "app/components.h"

namespace quillon::ui {

class AttributeGrid : public QTableWidget, public app::Grid {
    Q_OBJECT
  public:
    explicit AttributeGrid(QWidget* parent = nullptr);

    // app::Grid
    void Reset() override;
    void SetRowCount(int rows) override;
    void SetColumnCount(int columns) override;
    void SetCellText(int row, int column, const Text& text) override;
    app::NativeHandle Handle() const override;

    // The shown text of a cell, GBK; empty outside the grid.
    Text CellText(int row, int column) const;
    bool IsFixed(int row, int column) const { return row == 0 || column == 0; }

  private:
    void DressFixedCells();
};

}  // namespace quillon::ui
