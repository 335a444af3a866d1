// The font and zoom commands: each changes shell.settings, remembers the one value it
// changed, and lays the view out again in the new cell size.

#include "app/view_look_win32.h"

#include <commdlg.h>

#include <algorithm>
#include <bit>

#include "app/hex_paint_win32.h"
#include "app/settings_registry_win32.h"
#include "app/shell_state.h"
#include "app/tools/window_place_win32.h"
#include "app/view_host_win32.h"
#include "hexview/view_zoom.h"
#include "host/display_scale.h"
#include "resources/resource_ids.h"

namespace quillix {
namespace {

void setZoom(std::uint32_t percent) {
    if (percent == shell.settings.zoomPercent) return;
    shell.settings.zoomPercent = percent;
    rememberSetting(SettingId::zoomPercent);
    applyViewFont();
}

}  // namespace

void characterSetCommand(int command) {
    shell.settings.characterSet = static_cast<CharacterSetChoice>(command - IDM_VIEW_CHARSET_ASCII);
    rememberSetting(SettingId::characterSet);
    applyCharacterSet();
}

void applyCharacterSet() {
    shell.view.characterSet = shell.settings.characterSet;
    if (HMENU menu = GetMenu(shell.frame))
        CheckMenuRadioItem(menu, IDM_VIEW_CHARSET_ASCII, IDM_VIEW_CHARSET_EBCDIC,
                           IDM_VIEW_CHARSET_ASCII + static_cast<UINT>(shell.settings.characterSet), MF_BYCOMMAND);
    if (shell.hexView) InvalidateRect(shell.hexView, nullptr, FALSE);
}

void rowLayoutCommand(int command) {
    Settings& settings = shell.settings;
    if (command <= IDM_VIEW_ROW_64) {
        settings.rowBytes = 8u << (command - IDM_VIEW_ROW_8);
        rememberSetting(SettingId::rowBytes);
    } else if (command <= IDM_VIEW_GROUP_8) {
        settings.groupBytes = 1u << (command - IDM_VIEW_GROUP_1);
        rememberSetting(SettingId::groupBytes);
    } else {
        settings.decimalOffsets = !settings.decimalOffsets;
        rememberSetting(SettingId::decimalOffsets);
    }
    applyRowLayout(true);
}

void applyRowLayout(bool grow) {
    const Settings& settings = shell.settings;
    const RowLayout layout =
        chosenRowLayout(settings.rowBytes, settings.groupBytes, settings.decimalOffsets, shell.doc.fileSize);
    if (HMENU menu = GetMenu(shell.frame)) {
        const auto step = [](int value) { return static_cast<UINT>(std::countr_zero(static_cast<unsigned>(value))); };
        CheckMenuRadioItem(menu, IDM_VIEW_ROW_8, IDM_VIEW_ROW_64, IDM_VIEW_ROW_8 + step(layout.bytesPerRow) - 3,
                           MF_BYCOMMAND);
        CheckMenuRadioItem(menu, IDM_VIEW_GROUP_1, IDM_VIEW_GROUP_8, IDM_VIEW_GROUP_1 + step(layout.groupBytes),
                           MF_BYCOMMAND);
        CheckMenuItem(menu, IDM_VIEW_DECIMAL_OFFSETS, MF_BYCOMMAND | (layout.decimal ? MF_CHECKED : MF_UNCHECKED));
    }
    if (!shell.hexView) {
        shell.view.layout = layout;
        return;
    }
    Win32ViewHost host(shell.hexView);
    changeRowLayout(HexView{shell.doc, shell.view, host}, layout);
    if (grow) growFrameToRows();
}

void applyViewFont() {
    Win32ViewHost host(shell.hexView);
    const HexView hv{shell.doc, shell.view, host};
    // The caret is made anew at the new cell size.
    const bool caretShown = GetFocus() == shell.hexView;
    if (caretShown) onKillFocus(hv);
    const ViewAnchor anchor = viewAnchor(shell.view);
    measureViewFont(shell.view);
    keepViewAnchor(hv, anchor);
    if (caretShown) onSetFocus(hv);
}

void zoomCommand(int command) {
    const std::uint32_t now = shell.settings.zoomPercent;
    if (command == IDM_VIEW_ZOOM_IN) setZoom(zoomedIn(now));
    if (command == IDM_VIEW_ZOOM_OUT) setZoom(zoomedOut(now));
    if (command == IDM_VIEW_ACTUAL_SIZE) setZoom(actualSize);
}

void zoomByWheelCommand(int delta) {
    static std::int32_t remainder = 0;
    setZoom(zoomByWheel(shell.settings.zoomPercent, delta, remainder));
}

void fontCommand() {
    // The dialog speaks in the screen's pixels; the setting is kept at 96 DPI.
    HDC screen = GetDC(nullptr);
    const int screenDpi = std::max(1, GetDeviceCaps(screen, LOGPIXELSY));
    LOGFONTW font{};
    const std::wstring face = viewFontFace();
    // A positive height asks for the cell height, as the view's font does.
    font.lfHeight = zoomedCellHeight(face.empty() ? 0 : shell.settings.fontHeight96, actualSize, screenDpi);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    (face.empty() ? std::wstring(L"Courier New") : face).copy(font.lfFaceName, LF_FACESIZE - 1);
    CHOOSEFONTW choose{};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = shell.frame;
    choose.hDC = screen;
    choose.lpLogFont = &font;
    choose.Flags = CF_SCREENFONTS | CF_FIXEDPITCHONLY | CF_INITTOLOGFONTSTRUCT | CF_NOVERTFONTS;
    if (!ChooseFontW(&choose)) {
        ReleaseDC(nullptr, screen);
        return;
    }
    // The cell height of the font as chosen, which the view asks for at every size.
    HFONT chosen = CreateFontIndirectW(&font);
    HGDIOBJ previous = SelectObject(screen, chosen);
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen, &metrics);
    SelectObject(screen, previous);
    DeleteObject(chosen);
    ReleaseDC(nullptr, screen);
    const int height96 = MulDiv(metrics.tmHeight, baseDpi, screenDpi);
    shell.settings.fontFace = font.lfFaceName;
    shell.settings.fontHeight96 = static_cast<std::uint32_t>(std::clamp(height96, 6, 144));
    rememberSetting(SettingId::fontFace);
    rememberSetting(SettingId::fontHeight96);
    applyViewFont();
}

}  // namespace quillix
