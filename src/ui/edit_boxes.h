#pragma once
// The window's edit boxes as the handlers see them. Content comes out with CR LF line breaks;
// content set with CR LF or LF breaks shows one line per break.
#include <QLineEdit>

#include "app/components.h"
#include "ui/text_box/text_box.h"

namespace quillon::ui {

// Single line, scrolling sideways.
class LineBox : public QLineEdit, public app::EditBox {
    Q_OBJECT
  public:
    explicit LineBox(QWidget* parent = nullptr);
    Text Content() const override;
    void SetContent(const Text& text) override;
};

}  // namespace quillon::ui
