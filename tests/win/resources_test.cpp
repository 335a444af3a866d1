// The program's resources read back the way the system reads them: the menu the frame
// window class names, the version record Explorer shows, the About box and the Find and
// Goto templates the dialog code drives by id, and the icon. The dialog templates are
// checked in this test executable (FindTextW looks them up in the executable that started
// the process) and in the program file itself.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "quillix_version.h"  // generated from the project() line
#include "resources/resource_ids.h"

namespace {

std::wstring programPath() {
    std::wstring path = L"" QUILLIX_EXE_PATH;
    // The build hands over a host path; under Wine the host's root directory is drive Z:.
    if (!path.empty() && path[0] == L'/') {
        path = L"Z:" + path;
    }
    return path;
}

// The program file loaded as data only: its resources can be read, none of its code runs.
struct ProgramFile {
    HMODULE module = LoadLibraryExW(programPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ProgramFile() = default;
    ProgramFile(const ProgramFile&) = delete;
    ProgramFile& operator=(const ProgramFile&) = delete;
    ~ProgramFile() {
        if (module != nullptr) {
            FreeLibrary(module);
        }
    }
};

struct ResourceBytes {
    const BYTE* data = nullptr;
    DWORD size = 0;
};

// Returns the bytes of one resource, or an empty record when the module has no such resource.
ResourceBytes findResource(HMODULE module, const wchar_t* name, const wchar_t* type) {
    HRSRC found = FindResourceW(module, name, type);
    if (found == nullptr) {
        return {};
    }
    HGLOBAL loaded = LoadResource(module, found);
    if (loaded == nullptr) {
        return {};
    }
    return {static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(module, found)};
}

// ---------------------------------------------------------------------------------------------
// Dialog templates (the DIALOG form: DLGTEMPLATE followed by DLGITEMTEMPLATE records)

struct ControlTemplate {
    WORD id = 0;
    std::wstring className;
    std::wstring text;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
};

struct DialogTemplate {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring menu;
    std::wstring windowClass;
    std::wstring caption;
    WORD pointSize = 0;
    std::wstring fontFace;
    std::vector<ControlTemplate> controls;
};

// Walks a template word by word; every read past the end sets `failed` and yields zeros, so
// a truncated template shows up as a parse failure rather than a read out of bounds.
struct TemplateReader {
    const BYTE* data;
    DWORD size;
    DWORD at = 0;
    bool failed = false;

    template <typename T>
    T read() {
        T value{};
        if (at + sizeof(T) > size) {
            failed = true;
            return value;
        }
        std::memcpy(&value, data + at, sizeof(T));
        at += sizeof(T);
        return value;
    }

    std::wstring readString() {
        std::wstring text;
        for (wchar_t c = read<wchar_t>(); c != 0 && !failed; c = read<wchar_t>()) {
            text.push_back(c);
        }
        return text;
    }

    // A field that is empty (0x0000), an ordinal (0xFFFF, n) or a string. Ordinals of the
    // predefined control classes come back as their class names, other ordinals as "#n".
    std::wstring readNameOrOrdinal(bool isClass) {
        WORD first = read<WORD>();
        if (first == 0) {
            return {};
        }
        if (first == 0xFFFF) {
            WORD ordinal = read<WORD>();
            static const wchar_t* const predefined[] = {L"BUTTON",  L"EDIT",      L"STATIC",
                                                        L"LISTBOX", L"SCROLLBAR", L"COMBOBOX"};
            if (isClass && ordinal >= 0x80 && ordinal <= 0x85) {
                return predefined[ordinal - 0x80];
            }
            return L"#" + std::to_wstring(ordinal);
        }
        at -= sizeof(WORD);
        return readString();
    }

    void alignToDword() { at = (at + 3) & ~DWORD{3}; }
};

// Parses a DIALOG template. Returns false for an extended (DIALOGEX) or damaged template.
bool parseDialogTemplate(ResourceBytes bytes, DialogTemplate& dialog) {
    TemplateReader reader{bytes.data, bytes.size};
    if (bytes.size >= 4 && reader.read<WORD>() == 1 && reader.read<WORD>() == 0xFFFF) {
        return false;
    }
    reader.at = 0;
    dialog.style = reader.read<DWORD>();
    dialog.exStyle = reader.read<DWORD>();
    WORD count = reader.read<WORD>();
    dialog.x = reader.read<short>();
    dialog.y = reader.read<short>();
    dialog.cx = reader.read<short>();
    dialog.cy = reader.read<short>();
    dialog.menu = reader.readNameOrOrdinal(false);
    dialog.windowClass = reader.readNameOrOrdinal(false);
    dialog.caption = reader.readString();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = reader.read<WORD>();
        dialog.fontFace = reader.readString();
    }
    for (WORD i = 0; i < count && !reader.failed; ++i) {
        reader.alignToDword();
        ControlTemplate control;
        control.style = reader.read<DWORD>();
        control.exStyle = reader.read<DWORD>();
        control.x = reader.read<short>();
        control.y = reader.read<short>();
        control.cx = reader.read<short>();
        control.cy = reader.read<short>();
        control.id = reader.read<WORD>();
        control.className = reader.readNameOrOrdinal(true);
        control.text = reader.readNameOrOrdinal(false);
        WORD extra = reader.read<WORD>();
        reader.at += extra;
        dialog.controls.push_back(control);
    }
    return !reader.failed;
}

struct ExpectedControl {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    short x, y, cx, cy;
};

struct ExpectedDialog {
    const wchar_t* name;
    const wchar_t* caption;
    DWORD style;
    short x, y, cx, cy;
    WORD pointSize;
    std::vector<ExpectedControl> controls;
};

constexpr DWORD kChildVisible = WS_CHILD | WS_VISIBLE;
constexpr DWORD kCentredStatic = kChildVisible | SS_CENTER;

// Compares one template, control by control in tab order, with what the dialog code expects.
void expectDialog(HMODULE module, const ExpectedDialog& expected) {
    SCOPED_TRACE(expected.name);
    ResourceBytes bytes = findResource(module, expected.name, RT_DIALOG);
    ASSERT_NE(bytes.data, nullptr) << "no dialog template";
    DialogTemplate dialog;
    ASSERT_TRUE(parseDialogTemplate(bytes, dialog));

    EXPECT_EQ(dialog.style, expected.style)
        << std::hex << "stored 0x" << dialog.style << ", wanted 0x" << expected.style;
    EXPECT_EQ(dialog.exStyle, 0u);
    EXPECT_EQ(dialog.caption, expected.caption);
    EXPECT_EQ(dialog.x, expected.x);
    EXPECT_EQ(dialog.y, expected.y);
    EXPECT_EQ(dialog.cx, expected.cx);
    EXPECT_EQ(dialog.cy, expected.cy);
    EXPECT_EQ(dialog.menu, L"");
    EXPECT_EQ(dialog.windowClass, L"");
    EXPECT_EQ(dialog.pointSize, expected.pointSize);
    EXPECT_EQ(dialog.fontFace, L"MS Sans Serif");

    ASSERT_EQ(dialog.controls.size(), expected.controls.size());
    for (size_t i = 0; i < expected.controls.size(); ++i) {
        const ExpectedControl& want = expected.controls[i];
        const ControlTemplate& got = dialog.controls[i];
        SCOPED_TRACE(testing::Message() << "control " << i << " (id " << want.id << ")");
        EXPECT_EQ(got.id, static_cast<WORD>(want.id));
        EXPECT_EQ(got.className, want.className);
        EXPECT_EQ(got.text, want.text);
        EXPECT_EQ(got.style, want.style)
            << std::hex << "stored 0x" << got.style << ", wanted 0x" << want.style;
        EXPECT_EQ(got.exStyle, 0u);
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.cx, want.cx);
        EXPECT_EQ(got.cy, want.cy);
    }
}

const ExpectedDialog kAboutBox{
    L"AboutBox",
    L"About Quillix",
    WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME | DS_SETFONT,
    20,
    20,
    160,
    70,
    10,
    {
        {-1, L"STATIC", L"Quillix-64bit", kCentredStatic, 53, 3, 45, 9},
        {-1, L"BUTTON", L"", kChildVisible | BS_GROUPBOX | WS_TABSTOP, 5, 1, 18, 22},
        // 0 x 0: the icon control takes the icon's own size.
        {-1, L"STATIC", L"Quillix-64bit", kChildVisible | SS_ICON, 6, 6, 0, 0},
        {IDOK, L"BUTTON", L"OK", kChildVisible | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 122, 6, 32, 14},
        {-1, L"STATIC", L"" QUILLIX_ABOUT_VERSION, kCentredStatic | WS_GROUP, 0, 25, 160, 8},
        {-1, L"STATIC", L"The Quillix-64bit project", kCentredStatic | WS_GROUP, 0, 33, 160, 8},
        {-1, L"STATIC", L"https://quillix-64bit.org/quillix/", kCentredStatic | WS_GROUP, 0, 49, 160, 8},
        {-1, L"STATIC", L"quillix@quillix-64bit.org", kCentredStatic | WS_GROUP, 0, 57, 160, 8},
    }};

// The find dialogs' style words, written as the stored numbers the dialog code was built
// against, so a change in how the script spells a style cannot slip through.
const ExpectedDialog kFind{L"FIND",
                           L"Find",
                           0x90C800C0,
                           0,
                           0,
                           274,
                           68,
                           8,
                           {
                               {IDC_FIND_LABEL, L"STATIC", L"Find What:", 0x50000000, 2, 10, 35, 10},
                               {IDC_FIND_EDIT, L"EDIT", L"", 0x50830000, 37, 8, 154, 12},
                               {IDC_VALUE_GROUP_FIND, L"BUTTON", L"Value", 0x50000007, 128, 26, 96, 26},
                               {IDC_FIND_HEX, L"BUTTON", L"He&x", 0x50035009, 132, 35, 23, 13},
                               {IDC_FIND_ASCII, L"BUTTON", L"&ASCII", 0x50005009, 159, 35, 28, 13},
                               {IDC_FIND_UTF16, L"BUTTON", L"UTF-1&6", 0x50005009, 191, 35, 29, 13},
                               {-1, L"BUTTON", L"Options", 0x50000007, 67, 26, 54, 26},
                               {IDC_MATCH_CASE, L"BUTTON", L"&Match case", 0x50031003, 71, 35, 46, 13},
                               {-1, L"BUTTON", L"Direction", 0x50000007, 2, 26, 59, 26},
                               {IDC_DIR_UP, L"BUTTON", L"&Up", 0x50031009, 6, 35, 20, 13},
                               {IDC_DIR_DOWN, L"BUTTON", L"&Down", 0x50001009, 29, 35, 28, 13},
                               {IDC_IN_SELECTION, L"BUTTON", L"In &selection", 0x50030003, 4, 55, 60, 10},
                               {IDOK, L"BUTTON", L"&Find Next", 0x50030001, 228, 8, 42, 14},
                               {IDC_FIND_ALL, L"BUTTON", L"Find A&ll", 0x50030000, 228, 25, 42, 14},
                               {IDCANCEL, L"BUTTON", L"&Cancel", 0x50030000, 228, 42, 42, 14},
                           }};

const ExpectedDialog kGoto{L"GOTO",
                           L"Goto",
                           0x90C800C0,
                           0,
                           0,
                           124,
                           54,
                           8,
                           {
                               {IDC_FIND_LABEL, L"STATIC", L"Offset:", 0x50000000, 2, 10, 40, 10},
                               {IDC_FIND_EDIT, L"EDIT", L"", 0x50830000, 23, 8, 58, 12},
                               {IDC_VALUE_GROUP_GOTO, L"BUTTON", L"Value", 0x50000007, 23, 24, 58, 26},
                               {IDC_GOTO_HEX, L"BUTTON", L"He&x", 0x50035009, 27, 33, 23, 13},
                               {IDC_GOTO_DEC, L"BUTTON", L"&Dec", 0x50005009, 54, 33, 23, 13},
                               {IDOK, L"BUTTON", L"&Go", 0x50030001, 86, 8, 34, 14},
                               {IDCANCEL, L"BUTTON", L"&Cancel", 0x50030000, 86, 25, 34, 14},
                           }};

TEST(DialogTemplates, AboutBoxHasItsLayoutAndNoSystemMenu) {
    expectDialog(GetModuleHandleW(nullptr), kAboutBox);
    ProgramFile program;
    ASSERT_NE(program.module, nullptr) << "cannot load " << QUILLIX_EXE_PATH;
    expectDialog(program.module, kAboutBox);
}

TEST(DialogTemplates, FindTemplateStoresTheStylesTheDialogCodeReads) {
    expectDialog(GetModuleHandleW(nullptr), kFind);
    ProgramFile program;
    ASSERT_NE(program.module, nullptr) << "cannot load " << QUILLIX_EXE_PATH;
    expectDialog(program.module, kFind);
}

TEST(DialogTemplates, GotoTemplateStoresTheStylesTheDialogCodeReads) {
    expectDialog(GetModuleHandleW(nullptr), kGoto);
    ProgramFile program;
    ASSERT_NE(program.module, nullptr) << "cannot load " << QUILLIX_EXE_PATH;
    expectDialog(program.module, kGoto);
}

INT_PTR CALLBACK quietDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

BOOL CALLBACK findIconControl(HWND child, LPARAM result) {
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        *reinterpret_cast<HWND*>(result) = child;
        return FALSE;
    }
    return TRUE;
}

// The icon control names its icon by resource name; a name that does not resolve leaves
// the frame in the About box empty without any error.
TEST(DialogTemplates, AboutBoxShowsTheProgramIcon) {
    HWND box = CreateDialogParamW(GetModuleHandleW(nullptr), L"AboutBox", nullptr, quietDialogProc, 0);
    ASSERT_NE(box, nullptr);
    HWND iconControl = nullptr;
    EnumChildWindows(box, findIconControl, reinterpret_cast<LPARAM>(&iconControl));
    ASSERT_NE(iconControl, nullptr);
    EXPECT_NE(SendMessageW(iconControl, STM_GETICON, 0, 0), 0);
    EXPECT_EQ(GetWindowLongW(box, GWL_STYLE) & WS_SYSMENU, 0);
    DestroyWindow(box);
}

// ---------------------------------------------------------------------------------------------
// Application manifest (resource 1 of type RT_MANIFEST)

TEST(ApplicationManifest, DeclaresPerMonitorDpiAwarenessTheThemedControlsAndWindows10) {
    ProgramFile program;
    ASSERT_NE(program.module, nullptr) << "cannot load " << QUILLIX_EXE_PATH;
    for (HMODULE module : {program.module, GetModuleHandleW(nullptr)}) {
        ResourceBytes bytes = findResource(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
        ASSERT_NE(bytes.data, nullptr);
        const std::string xml(reinterpret_cast<const char*>(bytes.data), bytes.size);
        for (const char* part : {">PerMonitorV2, PerMonitor</dpiAwareness>", ">true/pm</dpiAware>",
                                 "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                                 "publicKeyToken=\"6595b64144ccf1df\"",
                                 // Windows 10 and 11 share one id.
                                 "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>"})
            EXPECT_NE(xml.find(part), std::string::npos) << part;
    }
    // The tests run under the same manifest: their buttons are the version 6 ones, which
    // alone answer BCM_GETIDEALSIZE.
    HWND button = CreateWindowW(L"BUTTON", L"OK", WS_POPUP | BS_PUSHBUTTON, 0, 0, 60, 20, nullptr, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(button, nullptr);
    SIZE ideal{};
    EXPECT_TRUE(SendMessageW(button, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
    EXPECT_GT(ideal.cx, 0);
    DestroyWindow(button);
}

// ---------------------------------------------------------------------------------------------
// Menu

struct ExpectedItem {
    UINT id;  // 0 for the separator
    const wchar_t* caption;
    bool grayed;
};

struct ExpectedPopup {
    const wchar_t* caption;
    std::vector<ExpectedItem> items;
};

const std::vector<ExpectedPopup> kMenu = {
    {L"&File",
     {{IDM_FILE_OPEN, L"&Open...\tCtrl+O", false},
      {IDM_FILE_SAVE, L"&Save\tCtrl+S", true},
      {IDM_FILE_SAVE_AS, L"Save &As...\tCtrl+Shift+S", true},
      {IDM_FILE_EXPORT_AS, L"&Export As...", true},
      {IDM_FILE_COMPARE_WITH, L"Compare &With...\tCtrl+K", true},
      {0, nullptr, false},
      {IDM_FILE_EXIT, L"E&xit", false}}},
    {L"&Edit",
     {{IDM_EDIT_UNDO, L"&Undo\tCtrl+Z", true},
      {IDM_EDIT_REDO, L"&Redo\tCtrl+Y", true},
      {0, nullptr, false},
      {IDM_EDIT_COPY, L"&Copy\tCtrl+C", true},
      {0, L"Copy &As", false},
      {IDM_EDIT_PASTE, L"&Paste\tCtrl+V", true},
      {0, nullptr, false},
      {IDM_EDIT_SELECT_ALL, L"Select &All\tCtrl+A", true},
      {IDM_EDIT_SELECT_BLOCK, L"Select &Block...\tCtrl+E", true},
      {IDM_EDIT_FILL_SELECTION, L"&Fill Selection...", true}}},
    {L"&Search",
     {{IDM_SEARCH_FIND, L"&Find...\tCtrl+F", true},
      {IDM_SEARCH_REPLACE, L"&Replace...\tCtrl+H", true},
      {IDM_SEARCH_GOTO, L"&Goto...\tCtrl+G", true},
      {0, nullptr, false},
      {IDM_SEARCH_NEXT_DIFFERENCE, L"Next &Difference\tAlt+Down", true},
      {IDM_SEARCH_PREVIOUS_DIFFERENCE, L"Pre&vious Difference\tAlt+Up", true},
      {0, nullptr, false},
      {IDM_SEARCH_TOGGLE_BOOKMARK, L"Toggle &Bookmark\tCtrl+B", true},
      {IDM_SEARCH_NEXT_BOOKMARK, L"Next Boo&kmark\tF2", true},
      {IDM_SEARCH_PREVIOUS_BOOKMARK, L"Previous Bookmark\tShift+F2", true},
      {0, nullptr, false},
      {IDM_SEARCH_BACK, L"&Back\tAlt+Left", true},
      {IDM_SEARCH_FORWARD, L"&Forward\tAlt+Right", true}}},
    {L"&View",
     {{IDM_VIEW_DATA_INSPECTOR, L"&Data Inspector\tCtrl+I", false},
      {IDM_VIEW_CLOSE_COMPARISON, L"Close &Comparison", true},
      {IDM_VIEW_BOOKMARKS, L"&Bookmarks", false},
      {0, nullptr, false},
      {IDM_VIEW_ZOOM_IN, L"Zoom &In\tCtrl++", false},
      {IDM_VIEW_ZOOM_OUT, L"Zoom &Out\tCtrl+-", false},
      {IDM_VIEW_ACTUAL_SIZE, L"&Actual Size\tCtrl+0", false},
      {IDM_VIEW_FONT, L"&Font...", false},
      {0, nullptr, false},
      {0, L"Bytes per &Row", false},
      {0, L"&Group By", false},
      {IDM_VIEW_DECIMAL_OFFSETS, L"&Decimal Offsets", false},
      {0, L"&Character Set", false},
      {0, nullptr, false},
      {0, L"&Theme", false}}},
    {L"&Tools", {{IDM_TOOLS_CHECKSUMS, L"&Checksums...\tCtrl+Shift+C", true}}},
    {L"&Help",
     {{IDM_HELP_CONTENTS, L"&Contents - html", false},
      {IDM_HELP_CHECK_UPDATES, L"&Check for updates", false},
      {IDM_HELP_ABOUT, L"A&bout", false}}},
};

// The items of the submenus kMenu names by caption.
const std::map<std::wstring, std::vector<ExpectedItem>> kSubmenus = {
    {L"Copy &As",
     {{IDM_EDIT_COPY_AS_HEX, L"&Hex String", true},
      {IDM_EDIT_COPY_AS_C_ARRAY, L"&C Array", true},
      {IDM_EDIT_COPY_AS_BASE64, L"&Base64", true}}},
    {L"Bytes per &Row",
     {{IDM_VIEW_ROW_8, L"&8", false},
      {IDM_VIEW_ROW_16, L"&16", false},
      {IDM_VIEW_ROW_32, L"&32", false},
      {IDM_VIEW_ROW_64, L"&64", false}}},
    {L"&Group By",
     {{IDM_VIEW_GROUP_1, L"&1 Byte", false},
      {IDM_VIEW_GROUP_2, L"&2 Bytes", false},
      {IDM_VIEW_GROUP_4, L"&4 Bytes", false},
      {IDM_VIEW_GROUP_8, L"&8 Bytes", false}}},
    {L"&Character Set",
     {{IDM_VIEW_CHARSET_ASCII, L"&ASCII", false},
      {IDM_VIEW_CHARSET_WINDOWS, L"&Windows (ANSI)", false},
      {IDM_VIEW_CHARSET_OEM, L"&DOS (OEM 437)", false},
      {IDM_VIEW_CHARSET_EBCDIC, L"&EBCDIC (037)", false}}},
    {L"&Theme",
     {{IDM_VIEW_THEME_SYSTEM, L"&System", false},
      {IDM_VIEW_THEME_LIGHT, L"&Light", false},
      {IDM_VIEW_THEME_DARK, L"&Dark", false}}}};

std::wstring menuString(HMENU menu, UINT position) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
    return text;
}

TEST(MenuResource, ProgramMenuHasEveryCommandInOrderWithItsStartState) {
    ProgramFile program;
    ASSERT_NE(program.module, nullptr) << "cannot load " << QUILLIX_EXE_PATH;
    HMENU menu = LoadMenuW(program.module, L"Quillix-64bit");
    ASSERT_NE(menu, nullptr);

    ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(kMenu.size()));
    for (UINT p = 0; p < kMenu.size(); ++p) {
        const ExpectedPopup& popup = kMenu[p];
        SCOPED_TRACE(popup.caption);
        EXPECT_EQ(menuString(menu, p), popup.caption);
        UINT popupState = GetMenuState(menu, p, MF_BYPOSITION);
        EXPECT_NE(popupState & MF_POPUP, 0u);
        EXPECT_EQ(popupState & (MF_GRAYED | MF_DISABLED), 0u);
        HMENU sub = GetSubMenu(menu, static_cast<int>(p));
        ASSERT_NE(sub, nullptr);

        ASSERT_EQ(GetMenuItemCount(sub), static_cast<int>(popup.items.size()));
        for (UINT i = 0; i < popup.items.size(); ++i) {
            const ExpectedItem& want = popup.items[i];
            SCOPED_TRACE(testing::Message() << "item " << i);
            MENUITEMINFOW info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU;
            ASSERT_TRUE(GetMenuItemInfoW(sub, i, TRUE, &info));
            if (want.id == 0 && want.caption) {  // a submenu: its items in order, each in its start state
                EXPECT_EQ(menuString(sub, i), want.caption);
                ASSERT_NE(info.hSubMenu, nullptr);
                const std::vector<ExpectedItem>& items = kSubmenus.at(want.caption);
                ASSERT_EQ(GetMenuItemCount(info.hSubMenu), static_cast<int>(items.size()));
                for (UINT k = 0; k < items.size(); ++k) {
                    EXPECT_EQ(GetMenuItemID(info.hSubMenu, static_cast<int>(k)), items[k].id);
                    EXPECT_EQ(menuString(info.hSubMenu, k), items[k].caption);
                    EXPECT_EQ((GetMenuState(info.hSubMenu, k, MF_BYPOSITION) & MF_GRAYED) != 0,
                              items[k].grayed);
                }
                continue;
            }
            EXPECT_EQ(info.hSubMenu, nullptr);
            if (want.caption == nullptr) {
                EXPECT_NE(info.fType & MFT_SEPARATOR, 0u);
                continue;
            }
            EXPECT_EQ(info.fType & MFT_SEPARATOR, 0u);
            EXPECT_EQ(info.wID, want.id);
            EXPECT_EQ(menuString(sub, i), want.caption);
            UINT state = GetMenuState(sub, i, MF_BYPOSITION);
            if (want.grayed) {
                EXPECT_NE(state & MF_GRAYED, 0u) << "should start grayed";
            } else {
                EXPECT_EQ(state & (MF_GRAYED | MF_DISABLED), 0u) << "should start enabled";
            }
        }
    }

    // The frame enables and grays the document commands by id on the whole menu bar.
    for (UINT id : {IDM_FILE_SAVE, IDM_FILE_SAVE_AS, IDM_FILE_EXPORT_AS, IDM_FILE_COMPARE_WITH,
                    IDM_SEARCH_FIND, IDM_SEARCH_REPLACE, IDM_SEARCH_GOTO, IDM_TOOLS_CHECKSUMS}) {
        EXPECT_NE(GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED, 0u) << "id " << id;
    }
    DestroyMenu(menu);
}

// ---------------------------------------------------------------------------------------------
// Version record

std::wstring versionString(const std::vector<BYTE>& info, WORD language, WORD codePage, const wchar_t* name) {
    wchar_t key[96];
    swprintf(key, 96, L"\\StringFileInfo\\%04x%04x\\%ls", language, codePage, name);
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info.data(), key, &value, &length) || value == nullptr) {
        return L"<missing>";
    }
    return static_cast<const wchar_t*>(value);
}

TEST(VersionRecord, ProgramFileCarriesVersionTypeAndDescriptions) {
    std::wstring path = programPath();
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version record in " << QUILLIX_EXE_PATH;
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    // Major and minor in the first word, patch and a zero revision in the second.
    auto versionWord = [](DWORD high, DWORD low) { return high << 16 | low; };
    EXPECT_EQ(fixed->dwFileVersionMS, versionWord(QUILLIX_VERSION_MAJOR, QUILLIX_VERSION_MINOR));
    EXPECT_EQ(fixed->dwFileVersionLS, versionWord(QUILLIX_VERSION_PATCH, 0));
    EXPECT_EQ(fixed->dwProductVersionMS, versionWord(QUILLIX_VERSION_MAJOR, QUILLIX_VERSION_MINOR));
    EXPECT_EQ(fixed->dwProductVersionLS, versionWord(QUILLIX_VERSION_PATCH, 0));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS_NT_WINDOWS32));

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation[0], 0x409);
    EXPECT_EQ(translation[1], 1200);

    // The strings are looked up under the translation just read, as Explorer does: a string
    // table filed under another language would show no details at all.
    WORD language = translation[0];
    WORD codePage = translation[1];
    EXPECT_EQ(versionString(info, language, codePage, L"FileVersion"), L"" QUILLIX_VERSION_STRING);
    EXPECT_EQ(versionString(info, language, codePage, L"ProductVersion"), L"" QUILLIX_VERSION_STRING);
    EXPECT_EQ(versionString(info, language, codePage, L"FileDescription"), L"Quillix hex editor");
    EXPECT_EQ(versionString(info, language, codePage, L"InternalName"), L"Quillix-64bit");
    EXPECT_EQ(versionString(info, language, codePage, L"ProductName"), L"Quillix-64bit");
    EXPECT_EQ(versionString(info, language, codePage, L"OriginalFilename"), L"Quillix-64bit.exe");
    EXPECT_EQ(versionString(info, language, codePage, L"Comments"), L"freeware");
    for (const wchar_t* maker : {L"CompanyName", L"LegalCopyright", L"LegalTrademarks"}) {
        EXPECT_NE(versionString(info, language, codePage, maker).find(L"Quillix-64bit project"),
                  std::wstring::npos)
            << "the maker is named in " << testing::PrintToString(std::wstring(maker));
    }
}

// ---------------------------------------------------------------------------------------------
// Icon

#pragma pack(push, 2)
struct IconGroupHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
struct IconGroupEntry {
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInRes;
    WORD id;
};
#pragma pack(pop)

// Checks the icon group named like the program: one 32 x 32 image in 16 colours, stored
// with its palette, colour bits and AND mask.
void expectProgramIcon(HMODULE module) {
    ResourceBytes group = findResource(module, L"Quillix-64bit", RT_GROUP_ICON);
    ASSERT_NE(group.data, nullptr) << "no icon group";
    ASSERT_GE(group.size, sizeof(IconGroupHeader) + sizeof(IconGroupEntry));
    IconGroupHeader header;
    std::memcpy(&header, group.data, sizeof header);
    EXPECT_EQ(header.type, 1) << "an icon group, not a cursor group";
    ASSERT_EQ(header.count, 1);
    IconGroupEntry entry;
    std::memcpy(&entry, group.data + sizeof header, sizeof entry);
    EXPECT_EQ(entry.width, 32);
    EXPECT_EQ(entry.height, 32);
    EXPECT_EQ(entry.colourCount, 16);
    EXPECT_EQ(entry.planes, 1);
    EXPECT_EQ(entry.bitCount, 4);

    ResourceBytes image = findResource(module, MAKEINTRESOURCEW(entry.id), RT_ICON);
    ASSERT_NE(image.data, nullptr) << "the group names an icon image that is not there";
    EXPECT_EQ(image.size, entry.bytesInRes);
    constexpr DWORD kPalette = 16 * sizeof(RGBQUAD);
    constexpr DWORD kColourBits = 32 * 32 / 2;
    constexpr DWORD kMaskBits = 32 * 32 / 8;
    ASSERT_EQ(image.size, sizeof(BITMAPINFOHEADER) + kPalette + kColourBits + kMaskBits);
    BITMAPINFOHEADER bitmap;
    std::memcpy(&bitmap, image.data, sizeof bitmap);
    EXPECT_EQ(bitmap.biSize, sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(bitmap.biWidth, 32);
    EXPECT_EQ(bitmap.biHeight, 64) << "colour bits and mask, stacked";
    EXPECT_EQ(bitmap.biBitCount, 4);
    EXPECT_EQ(bitmap.biCompression, static_cast<DWORD>(BI_RGB));

    // A picture, not a blank: some pixels are opaque and some are transparent.
    const BYTE* mask = image.data + sizeof(BITMAPINFOHEADER) + kPalette + kColourBits;
    int transparent = 0;
    for (DWORD i = 0; i < kMaskBits; ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            transparent += (mask[i] >> bit) & 1;
        }
    }
    EXPECT_GT(transparent, 0);
    EXPECT_LT(transparent, 32 * 32 / 2) << "most of the icon should be drawn";
}

TEST(IconResource, ProgramIconIsOne32x32ImageIn16Colours) {
    expectProgramIcon(GetModuleHandleW(nullptr));
    ProgramFile program;
    ASSERT_NE(program.module, nullptr) << "cannot load " << QUILLIX_EXE_PATH;
    expectProgramIcon(program.module);

    // What the frame window class does with it.
    HICON icon = LoadIconW(GetModuleHandleW(nullptr), L"Quillix-64bit");
    ASSERT_NE(icon, nullptr);
    ICONINFO parts{};
    ASSERT_TRUE(GetIconInfo(icon, &parts));
    BITMAP mask{};
    GetObjectW(parts.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(mask.bmWidth, 32);
    if (parts.hbmColor != nullptr) {
        BITMAP colour{};
        GetObjectW(parts.hbmColor, sizeof colour, &colour);
        EXPECT_EQ(colour.bmWidth, 32);
        EXPECT_EQ(colour.bmHeight, 32);
        DeleteObject(parts.hbmColor);
    }
    DeleteObject(parts.hbmMask);
}

}  // namespace
