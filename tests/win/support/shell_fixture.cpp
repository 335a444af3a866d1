#include "shell_fixture.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <fstream>
#include <random>

#include "app/tools/inspector_window_win32.h"
#include "app/settings_registry_win32.h"
#include "app/outside_watch_win32.h"
#include "app/places_win32.h"
#include "app/startup.h"

namespace quillix::test {

void ShellFixture::SetUp() {
    // Every test starts as a first run: no settings from an earlier test, apps in light mode.
    RegDeleteTreeW(HKEY_CURRENT_USER, settingsKeyPath);
    RegDeleteKeyValueW(HKEY_CURRENT_USER,
                       L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                       L"AppsUseLightTheme");
    shell = ShellState{};
    dialogs.clear();
    frame = nullptr;
    quitSeen = false;
    std::random_device random;
    folder = std::filesystem::temp_directory_path() /
             ("quillix-wine-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(folder);
}

void ShellFixture::TearDown() {
    if (shell.frame && IsWindow(shell.frame)) {
        // Leave without the save question.
        shell.doc.isModified = 0;
        SendMessageW(shell.frame, WM_CLOSE, 0, 0);
    }
    pump();
    closeDocumentView(shell.doc);
    releaseEditLog(shell.doc);
    unregisterClasses(GetModuleHandleW(nullptr));
    std::error_code ignored;
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    for (auto& entry : std::filesystem::directory_iterator(folder, ignored))
        SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    std::filesystem::remove_all(folder, ignored);
}

HWND ShellFixture::start(const std::wstring& commandLine) {
    frame = startQuillix(GetModuleHandleW(nullptr), commandLine.c_str());
    dialogs.watchFrame(frame);
    pump();
    return frame;
}

bool ShellFixture::waitFor(const std::function<bool()>& done) {
    for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
         !done() && std::chrono::steady_clock::now() < until;)
        if (waitForMessageOrChange(100)) pump();
    return done();
}

void ShellFixture::restart(const std::wstring& commandLine) {
    SendMessageW(shell.frame, WM_CLOSE, 0, 0);
    pump();
    closeDocumentView(shell.doc);
    releaseEditLog(shell.doc);
    unregisterClasses(GetModuleHandleW(nullptr));
    shell = ShellState{};
    places = PlacesState{};
    ASSERT_NE(start(commandLine), nullptr);
}

void ShellFixture::press(UINT key, std::initializer_list<int> modifiers, bool system, HWND to) {
    std::array<BYTE, 256> state{};
    for (int held : modifiers) state[static_cast<std::size_t>(held)] = 0x80;
    SetKeyboardState(state.data());
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    if (!to) to = GetFocus() ? GetFocus() : shell.frame;
    PostMessageW(to, system ? WM_SYSKEYDOWN : WM_KEYDOWN, key, scan | 1 | (system ? LPARAM{1} << 29 : 0));
    pump();
    SetKeyboardState(std::array<BYTE, 256>{}.data());
}

void ShellFixture::command(int id) {
    SendMessageW(shell.frame, WM_COMMAND, id, 0);
    pump();
}

std::wstring ShellFixture::clipboardText() {
    std::wstring text = L"(none)";
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE memory = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(memory));
        GlobalUnlock(memory);
    }
    CloseClipboard();
    return text;
}

bool ShellFixture::pump() {
    MSG message;
    bool quit = false;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit = true;
            quitCode = message.wParam;
            continue;
        }
        routeMessage(message);
    }
    quitSeen = quitSeen || quit;
    return quit;
}

std::filesystem::path ShellFixture::makeFile(const std::string& name,
                                             const std::vector<std::uint8_t>& bytes) {
    auto path = folder / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::vector<std::uint8_t> ShellFixture::fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::wstring ShellFixture::statusText(int part) {
    LRESULT info = SendMessageW(shell.statusBar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part), 0);
    std::wstring text(LOWORD(info) + 1, L'\0');
    SendMessageW(shell.statusBar, SB_GETTEXTW, static_cast<WPARAM>(part),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(LOWORD(info));
    return text;
}

void ShellFixture::putClipboardText(const std::wstring& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    std::memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

std::wstring ShellFixture::frameTitle() {
    wchar_t title[1024] = {};
    GetWindowTextW(shell.frame, title, 1024);
    return title;
}

UINT ShellFixture::menuState(int command) {
    return GetMenuState(GetMenu(shell.frame), command, MF_BYCOMMAND);
}

RECT ShellFixture::childRect(HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace quillix::test

namespace quillix::test {

ShellFixture::Pixels ShellFixture::capture(HWND window) {
    Pixels pixels;
    RECT client{};
    GetClientRect(window, &client);
    pixels.width = client.right;
    pixels.height = client.bottom;
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = pixels.width;
    info.bmiHeader.biHeight = -pixels.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, pixels.width, pixels.height, screen, 0, 0, SRCCOPY);
    const auto* first = static_cast<const std::uint32_t*>(bits);
    pixels.rgb.assign(first, first + static_cast<std::size_t>(pixels.width) * pixels.height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return pixels;
}

int ShellFixture::statusPartWidth(int part) {
    RECT rect{};
    SendMessageW(shell.statusBar, SB_GETRECT, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(&rect));
    return rect.right - rect.left;
}

int ShellFixture::widestStatusText(int part) {
    std::vector<std::wstring> texts;
    if (part == 0) {
        texts = {L"Ready", L"Search stopped", L"Export stopped", L"Searching\u2026 100 %",
                 L"Exporting\u2026 100 %", L"Computing checksums\u2026 100 %"};
    } else if (part == 1) {
        texts = {L"EOF"};
        for (wchar_t digit : std::wstring(L"0123456789ABCDEF"))
            texts.push_back(L"Offset: " + std::wstring(8, digit));
    } else {
        texts = {L"Bytes: 4294967296"};
        for (wchar_t digit : std::wstring(L"0123456789"))
            texts.push_back(L"Bytes: " + std::wstring(10, digit));
    }
    HDC dc = GetDC(shell.statusBar);
    HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(shell.statusBar, WM_GETFONT, 0, 0)));
    int widest = 0;
    for (const std::wstring& text : texts) {
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        widest = std::max(widest, static_cast<int>(size.cx));
    }
    SelectObject(dc, previous);
    ReleaseDC(shell.statusBar, dc);
    return widest;
}

}  // namespace quillix::test
