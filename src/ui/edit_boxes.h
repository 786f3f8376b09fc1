#pragma once
// The window's edit boxes as the handlers see them. Content comes out with CR LF line breaks;
// content set with CR LF or LF breaks shows one line per break.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <optional>

#include "app/components.h"
#include "ui/document_mirror.h"

namespace quillon::ui {

// Multi-line, wrapping, with a vertical scroll bar. The content is kept as GBK and follows the
// edits block by block, so reading a large document again costs a copy, not a conversion.
class TextBox : public QPlainTextEdit, public app::EditBox {
    Q_OBJECT
  public:
    explicit TextBox(QWidget* parent = nullptr);
    Text Content() const override;
    void SetContent(const Text& text) override;

  private:
    void FollowDocument() const;

    // The document the mirror follows; a document swapped in (setDocument) gets a mirror of its
    // own on the next read.
    mutable QPointer<QTextDocument> followed_;
    mutable QMetaObject::Connection following_;
    mutable std::optional<DocumentMirror> content_;
};

// Single line, scrolling sideways.
class LineBox : public QLineEdit, public app::EditBox {
    Q_OBJECT
  public:
    explicit LineBox(QWidget* parent = nullptr);
    Text Content() const override;
    void SetContent(const Text& text) override;
};

}  // namespace quillon::ui
