#include "app/application.h"

namespace quillon::app {

void Application::CheckForUpdate() {}

void Application::OpenInstructions() {}

}  // namespace quillon::app
