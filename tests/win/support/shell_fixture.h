#pragma once
// Starts the real program inside the test process (classes, frame window, hex view,
// status bar, the command-line open) and takes it down again, so each test drives real
// windows with SendMessageW and reads them back.

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/shell_state.h"
#include "dialog_catcher.h"

namespace quillix::test {

// The bar draws a part's text inside its sunken edge (1 pixel each side) and 3 pixels in
// from the left edge: a part holds its text whole when it is this much wider.
inline constexpr int statusTextInset = 5;

class ShellFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs start-up with this command line; returns the frame (null when start-up failed).
    HWND start(const std::wstring& commandLine);
    // Handles every message waiting for this thread; true when WM_QUIT came by.
    bool pump();
    // Waits as the message loop does, watched folders included, until done or 5 s passed.
    bool waitFor(const std::function<bool()>& done);
    // Closes the program as the user would and starts it again with this command line.
    void restart(const std::wstring& commandLine);
    // A key with modifiers held, posted to `to` or the keyboard's window (system: WM_SYSKEYDOWN).
    void press(UINT key, std::initializer_list<int> modifiers = {}, bool system = false, HWND to = nullptr);
    // A menu command, and what it posted handled.
    void command(int id);
    // The clipboard's text, "(none)" without any.
    static std::wstring clipboardText();

    std::filesystem::path makeFile(const std::string& name, const std::vector<std::uint8_t>& bytes);
    std::vector<std::uint8_t> fileBytes(const std::filesystem::path& path);

    std::wstring statusText(int part);
    // Puts text on the real clipboard as another program would.
    static void putClipboardText(const std::wstring& text);
    std::wstring frameTitle();
    UINT menuState(int command);
    // A window's rectangle in its parent's client coordinates.
    RECT childRect(HWND child);
    // A window's client pixels as they are on screen now, 0x00RRGGBB row by row.
    struct Pixels {
        int width = 0;
        int height = 0;
        std::vector<std::uint32_t> rgb;
        std::uint32_t at(int x, int y) const {
            return x >= 0 && x < width && y >= 0 && y < height
                       ? rgb[static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x)] & 0xFFFFFF
                       : 0xFFFFFF;
        }
    };
    Pixels capture(HWND window);
    // The width of a status part as the bar lays it out (SB_GETRECT).
    int statusPartWidth(int part);
    // The widest of the texts a status part can show, measured in the bar's own font:
    // "Ready" and a long operation's progress and stop texts in part 0, every offset form
    // in part 1, every document size in part 2.
    int widestStatusText(int part);

    DialogCatcher dialogs;
    std::filesystem::path folder;
    HWND frame = nullptr;
    bool quitSeen = false;
    WPARAM quitCode = 0;  // the exit code the last WM_QUIT carried
};

}  // namespace quillix::test
