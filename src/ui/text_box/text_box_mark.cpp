// The box's side of the handlers' marks: the background mark and the note beside it.
#include "ui/note_balloon.h"
#include "ui/text_box/text_box.h"
#include "ui/text_convert.h"

namespace quillon::ui {

void TextBox::Mark(std::size_t from, std::size_t to, const Text& note) {
    MarkBytes(from, to);
    NoteBalloon& balloon = NoteBalloon::Of(this);
    if (note.empty()) {
        balloon.hide();
        return;
    }
    balloon.ShowBelow(this, cursorRect().translated(viewport()->pos()), ToQString(note));
}

}  // namespace quillon::ui
