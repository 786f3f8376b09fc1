#include "app/application.h"

#ifdef _WIN32
#include <windows.h>

#include <vector>
#endif

namespace quillon::app {

#ifdef _WIN32

// SetWindowTheme lives in UxTheme.dll, which is loaded on first use so that the program starts
// where visual styles are missing. Results are not examined: without a theme the control keeps
// its classic look.
void ApplyExplorerTheme(NativeHandle handle) {
    using SetWindowThemeFn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
    static const auto setWindowTheme = reinterpret_cast<SetWindowThemeFn>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryA("UxTheme.dll"), "SetWindowTheme")));
    if (setWindowTheme == nullptr || handle == 0) return;
    const char* name = "Explorer";
    const int length = MultiByteToWideChar(936, 0, name, -1, nullptr, 0);
    std::vector<wchar_t> wide(length > 0 ? length : 1, L'\0');
    MultiByteToWideChar(936, 0, name, -1, wide.data(), length);
    setWindowTheme(reinterpret_cast<HWND>(handle), wide.data(), nullptr);
}

#else

// Only Windows has window themes to choose; elsewhere the tree view and the grid already draw
// with the platform's own widget style, so there is nothing to apply.
void ApplyExplorerTheme(NativeHandle) {}

#endif

}  // namespace quillon::app
