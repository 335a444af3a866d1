#include "app/dpi_win32.h"

#include "host/display_scale.h"

namespace quillix {
namespace {

// A function of user32 that older systems lack: null there.
template <typename Function>
Function user32Function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    FARPROC found = user32 ? GetProcAddress(user32, name) : nullptr;
    // Through the generic function pointer type, which converts to any other.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

using DpiForWindow = UINT(WINAPI*)(HWND);
using DpiForSystem = UINT(WINAPI*)();
using ParametersForDpi = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);

}  // namespace

int logPixelsDpi(HWND window) {
    HDC dc = GetDC(window);
    if (!dc) return baseDpi;
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(window, dc);
    return dpi > 0 ? dpi : baseDpi;
}

int windowDpi(HWND window) {
    static const auto dpiForWindow = user32Function<DpiForWindow>("GetDpiForWindow");
    const UINT dpi = dpiForWindow && window ? dpiForWindow(window) : 0;
    return dpi > 0 ? static_cast<int>(dpi) : logPixelsDpi(window);
}

int systemDpi() {
    static const auto dpiForSystem = user32Function<DpiForSystem>("GetDpiForSystem");
    const UINT dpi = dpiForSystem ? dpiForSystem() : 0;
    return dpi > 0 ? static_cast<int>(dpi) : logPixelsDpi(nullptr);
}

bool statusFontAtDpi(LOGFONTW& font, int dpi) {
    static const auto parametersForDpi = user32Function<ParametersForDpi>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (parametersForDpi &&
        parametersForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, static_cast<UINT>(dpi))) {
        font = metrics.lfStatusFont;
        return true;
    }
    // Without the per-DPI call the metrics come at the system's DPI.
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return false;
    font = metrics.lfStatusFont;
    font.lfHeight = MulDiv(font.lfHeight, dpi, systemDpi());
    return true;
}

}  // namespace quillix
