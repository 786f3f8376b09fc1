#include "app/application.h"

namespace quillon::app {

void Application::FormatSource() {}

}  // namespace quillon::app
