// The Select Block and Fill Selection dialogs.

#include "app/dialogs/region_dialogs_win32.h"

#include <string>

#include "app/dialogs/message_box_win32.h"
#include "app/places_win32.h"
#include "app/shell_state.h"
#include "app/view_host_win32.h"
#include "hexview/regions.h"
#include "hexview/selection.h"
#include "host/text_format.h"
#include "resources/resource_ids.h"

namespace quillix {
namespace {

constexpr wchar_t hexRefusal[] = L"Hexadecimal numbers have to be between a-f or 0-9!";
constexpr wchar_t decimalRefusal[] = L"Decimal numbers can only be 0-9!";
constexpr wchar_t oddDigits[] = L"Hexadecimal number must have even number of digits!";
constexpr wchar_t patternTooLong[] = L"A pattern holds at most 256 bytes!";
// Digits and blanks of 256 bytes with room to spare.
constexpr int patternEditLimit = 1024;

void warn(const wchar_t* text, const wchar_t* caption) {
    showMessageBox(nullptr, text, caption, MB_TASKMODAL | MB_ICONWARNING);
}

bool isHexDigit(WPARAM c) {
    return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F') || (c >= L'a' && c <= L'f');
}

std::wstring itemText(HWND dialog, int id) {
    wchar_t text[patternEditLimit + 1] = {};
    GetDlgItemTextW(dialog, id, text, patternEditLimit + 1);
    return text;
}

bool blockInHex(HWND dialog) { return IsDlgButtonChecked(dialog, IDC_BLOCK_HEX) == BST_CHECKED; }

std::wstring digitsOf(std::int64_t value, bool hex) {
    wchar_t text[24];
    const std::size_t length = hex ? appendHex(text, 24, 0, static_cast<std::uint64_t>(value), 1)
                                   : appendDecimal(text, 24, 0, value);
    return std::wstring(text, length);
}

WNDPROC previousBlockEditProc = nullptr;
WNDPROC previousPatternEditProc = nullptr;

// The Start and Length edits take the digits of the chosen base, as the Goto edit does.
LRESULT CALLBACK blockEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR && wParam != VK_BACK) {
        const bool hex = blockInHex(GetParent(edit));
        if (hex ? !isHexDigit(wParam) : !(wParam >= L'0' && wParam <= L'9')) {
            warn(hex ? hexRefusal : decimalRefusal, inputCaption);
            return 0;
        }
    }
    return CallWindowProcW(previousBlockEditProc, edit, message, wParam, lParam);
}

// The pattern edit takes hex digits and blanks, as the Find edit's hex mode takes digits.
LRESULT CALLBACK patternEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR && wParam != VK_BACK && wParam != L' ' && !isHexDigit(wParam)) {
        warn(hexRefusal, inputCaption);
        return 0;
    }
    return CallWindowProcW(previousPatternEditProc, edit, message, wParam, lParam);
}

// The numbers shown again in the other base; what is not a number goes.
void convertBlockDigits(HWND dialog, bool toHex) {
    for (int id : {IDC_BLOCK_START, IDC_BLOCK_LENGTH}) {
        std::int64_t value = 0;
        const std::wstring text = itemText(dialog, id);
        SetDlgItemTextW(dialog, id,
                        readOffsetDigits(text.c_str(), !toHex, value) ? digitsOf(value, toHex).c_str() : L"");
    }
}

void initSelectBlock(HWND dialog) {
    ByteRange range{offsetOf(shell.view), offsetOf(shell.view) + 1};
    selectedRange(shell.view, shell.doc, range);
    CheckRadioButton(dialog, IDC_BLOCK_HEX, IDC_BLOCK_DEC, IDC_BLOCK_HEX);
    SetDlgItemTextW(dialog, IDC_BLOCK_START, digitsOf(range.begin, true).c_str());
    SetDlgItemTextW(dialog, IDC_BLOCK_LENGTH, digitsOf(range.end - range.begin, true).c_str());
    for (int id : {IDC_BLOCK_START, IDC_BLOCK_LENGTH}) {
        HWND edit = GetDlgItem(dialog, id);
        SendMessageW(edit, EM_LIMITTEXT, 16, 0);
        previousBlockEditProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(blockEditProc)));
    }
}

void acceptSelectBlock(HWND dialog) {
    const std::wstring start = itemText(dialog, IDC_BLOCK_START);
    const std::wstring length = itemText(dialog, IDC_BLOCK_LENGTH);
    BlockRange block;
    if (!readBlock(start.c_str(), length.c_str(), blockInHex(dialog), shell.doc.fileSize, block)) {
        const std::wstring text = L"Block\n" + start + L", " + length + L"\nout of range!";
        warn(text.c_str(), programCaption);
        return;
    }
    EndDialog(dialog, IDOK);
    Win32ViewHost host(shell.hexView);
    const std::int64_t from = offsetOf(shell.view);
    selectBlock(HexView{shell.doc, shell.view, host}, block);
    noteJump(from);
}

void acceptFill(HWND dialog) {
    FillPattern pattern;
    const std::wstring text = itemText(dialog, IDC_FILL_PATTERN);
    switch (readFillPattern(text.c_str(), pattern)) {
        case PatternOutcome::ready: break;
        case PatternOutcome::empty: MessageBeep(MB_OK); return;
        case PatternOutcome::oddDigits: warn(oddDigits, inputCaption); return;
        case PatternOutcome::notHex: warn(hexRefusal, inputCaption); return;
        case PatternOutcome::tooLong: warn(patternTooLong, inputCaption); return;
    }
    EndDialog(dialog, IDOK);
    Win32ViewHost host(shell.hexView);
    fillSelection(HexView{shell.doc, shell.view, host}, pattern);
}

}  // namespace

INT_PTR CALLBACK selectBlockProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        initSelectBlock(dialog);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
        case IDOK: acceptSelectBlock(dialog); return TRUE;
        case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
        case IDC_BLOCK_HEX:
        case IDC_BLOCK_DEC:
            // A click on the base already chosen changes nothing.
            if (HIWORD(wParam) == BN_CLICKED) {
                const bool toHex = LOWORD(wParam) == IDC_BLOCK_HEX;
                if (GetWindowLongPtrW(dialog, DWLP_USER) != (toHex ? 0 : 1)) {
                    convertBlockDigits(dialog, toHex);
                    SetWindowLongPtrW(dialog, DWLP_USER, toHex ? 0 : 1);
                }
            }
            return TRUE;
        default: return FALSE;
    }
}

INT_PTR CALLBACK fillSelectionProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        HWND edit = GetDlgItem(dialog, IDC_FILL_PATTERN);
        SendMessageW(edit, EM_LIMITTEXT, patternEditLimit, 0);
        previousPatternEditProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(patternEditProc)));
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
        case IDOK: acceptFill(dialog); return TRUE;
        case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
        default: return FALSE;
    }
}

void selectBlockCommand() {
    if (!hasDocument(shell.doc)) return;
    DialogBoxParamW(shell.instance, L"SELECTBLOCK", shell.frame, selectBlockProc, 0);
}

void fillSelectionCommand() {
    Win32ViewHost host(shell.hexView);
    const HexView hv{shell.doc, shell.view, host};
    ByteRange range;
    if (!selectedRange(shell.view, shell.doc, range)) {
        MessageBeep(MB_OK);
        return;
    }
    if (refuseReadOnlyFile(hv)) return;
    DialogBoxParamW(shell.instance, L"FILLSELECTION", shell.frame, fillSelectionProc, 0);
}

}  // namespace quillix
