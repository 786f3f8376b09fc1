#include "app/format_source.h"

#include <exception>

#include "app/application.h"

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
void Application::FormatSource() {
    FormatEditBox(ui_.source);
}

}  // namespace quillon::app
