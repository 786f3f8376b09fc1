#pragma once
// A text document's content as the handlers' bytes: GBK (through GB18030) with CR LF between
// blocks. The mirror is told of every change as it happens and, when read, converts again only the
// blocks changed since the last read, so reading a large document after a keystroke costs next to
// nothing instead of a conversion of the whole text.
#include <QTextDocument>
#include <climits>
#include <cstddef>
#include <string_view>
#include <vector>

#include "runtime/text.h"

namespace quillon::ui {

class DocumentMirror {
  public:
    // The document must outlive the mirror.
    explicit DocumentMirror(const QTextDocument& document);

    // Every QTextDocument::contentsChange(position, removed, added), passed on as it is emitted.
    void Changed(int position, int added);

    // The document's text as it is now; the reference stays valid until the next call.
    const Text& Bytes();

  private:
    struct Line {
        std::size_t bytes = 0;  // GBK bytes of one block's text, line break not counted
        std::size_t units = 0;  // UTF-16 units of it
    };
    static constexpr int kUnchanged = INT_MAX;

    void Refresh();
    bool Splice(int first, int tail);
    // The text of blocks [first, end) with U+2029 between them, and its storage when it had to be
    // copied out of the document.
    std::u16string_view BlocksText(int first, int end, QString& storage) const;

    const QTextDocument& document_;
    Text bytes_;
    std::vector<Line> lines_;  // one per block, as the blocks were at the last read
    // Since the last read, the blocks before firstChanged_ and the last unchangedTail_ blocks
    // are unchanged; kUnchanged for both when nothing changed. Until the first read, all changed.
    int firstChanged_ = 0;
    int unchangedTail_ = 0;
};

}  // namespace quillon::ui
