#pragma once
// Starts the real program inside the test process (classes, frame window, hex view,
// status bar, the command-line open) and takes it down again, so each test drives real
// windows with SendMessageW and reads them back.

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/shell_state.h"
#include "dialog_catcher.h"

namespace quillix::test {

class ShellFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs start-up with this command line; returns the frame (null when start-up failed).
    HWND start(const std::wstring& commandLine);
    // Handles every message waiting for this thread; true when WM_QUIT came by.
    bool pump();

    std::filesystem::path makeFile(const std::string& name, const std::vector<std::uint8_t>& bytes);
    std::vector<std::uint8_t> fileBytes(const std::filesystem::path& path);

    std::wstring statusText(int part);
    // Puts text on the real clipboard as another program would.
    static void putClipboardText(const std::wstring& text);
    std::wstring frameTitle();
    UINT menuState(int command);
    // A window's rectangle in its parent's client coordinates.
    RECT childRect(HWND child);

    DialogCatcher dialogs;
    std::filesystem::path folder;
    HWND frame = nullptr;
    bool quitSeen = false;
};

}  // namespace quillix::test
