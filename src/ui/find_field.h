#pragma once
// The find field: a line box over the bottom of the tree, opened with Ctrl+F. Enter and F3 ask
// for the next element that holds its text; Esc closes it and gives the tree the focus back.
#include <QLineEdit>

class QWidget;

namespace quillon::ui {

class FindField : public QLineEdit {
    Q_OBJECT
  public:
    // Placed over the bottom of `tree`, on the tree's parent, with Ctrl+F and F3 bound on the
    // window that holds it; hidden until opened.
    explicit FindField(QWidget& tree);

    void Open();
    // Tints the field when the last search found nothing.
    void ShowFound(bool found);

  signals:
    // Enter in the field, or F3 while it holds text.
    void findNext();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QWidget& tree_;
};

}  // namespace quillon::ui
