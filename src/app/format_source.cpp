#include "app/format_source.h"

#include <exception>

#include "app/application.h"
#include "app/update_check.h"

namespace quillon::app {

bool FormatEditBox(EditBox& box, std::size_t maxBytes) {
    Text formatted;
    try {
        formatted = formatXml(box.Content(), maxBytes);
    } catch (const std::exception&) {  // std::bad_alloc, std::length_error
        return false;
    }
    box.SetContent(formatted);
    return true;
}

// Formatting works on the text alone: the document, the tree and the caption stay as they are.
// A result too large to build leaves the text as it was, and the user is told so.
void Application::FormatSource() {
    if (FormatEditBox(ui_.source, formatLimit_)) return;
    ui_.desktop.ShowMessage(Text(kFormatTooLarge), Text(kNoticeCaption), kOkButton);
}

}  // namespace quillon::app
