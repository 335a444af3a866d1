// The program as unpacked from the release zip (by package_test.cmake, into a folder with a
// blank in its name), run as its own process: started with a document from another folder,
// as a double-click or "Open with" starts it, it shows the document in its title, its Help
// sends the shell to the page beside it, and a posted close ends it with exit code 0. Its
// version record and About box carry the project's version.
//
//   quillix_package_tests <unpacked folder> <project version>
//
// The shell opens .html pages with this same program during the test:
//   quillix_package_tests --record-shell-open <record file> <page>

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

namespace {

std::wstring unpackedFolder;     // Windows form, no separator at the end
std::wstring projectVersion;     // as the project() line spells it, "major.minor.patch"
constexpr int commandHelp = 30;  // Help > Contents - html

// The build hands over host paths; under Wine the host's root directory is drive Z:.
std::wstring windowsPath(std::wstring path) {
    if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

std::wstring programPath() { return unpackedFolder + L"\\Quillix-64bit.exe"; }

std::wstring ownPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// Record mode: write the page the shell was asked to open, whole or not at all.
int recordShellOpen(const std::wstring& record, const std::wstring& page) {
    const std::wstring part = record + L".part";
    HANDLE file = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(file, page.data(), static_cast<DWORD>(page.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
    return MoveFileW(part.c_str(), record.c_str()) ? 0 : 1;
}

// Waits (at most half a minute) for the record of what the shell opened; empty if nothing
// came.
std::wstring waitForRecord(const std::wstring& record) {
    for (int tries = 0; tries < 300; ++tries) {
        HANDLE file =
            CreateFileW(record.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            std::wstring page(GetFileSize(file, nullptr) / sizeof(wchar_t), L'\0');
            DWORD read = 0;
            ReadFile(file, page.data(), static_cast<DWORD>(page.size() * sizeof(wchar_t)), &read, nullptr);
            CloseHandle(file);
            return page;
        }
        Sleep(100);
    }
    return {};
}

// While it lives, the shell opens .html pages by starting this program in record mode.
// Wine keeps file types only in HKEY_CLASSES_ROOT (per-user types are not read), so the
// test prefix's own entry is changed, then put back.
class HtmlPagesRecorded {
public:
    explicit HtmlPagesRecorded(const std::wstring& record) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L".html", 0, KEY_READ, &key) == ERROR_SUCCESS) {
            hadType_ = true;
            wchar_t type[256] = {};
            DWORD size = sizeof type - sizeof(wchar_t);
            if (RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(type), &size) ==
                ERROR_SUCCESS)
                previousType_ = type;
            RegCloseKey(key);
        }
        setDefault(L".html", handlerName);
        setDefault(std::wstring(handlerName) + L"\\shell\\open\\command",
                   L"\"" + ownPath() + L"\" --record-shell-open \"" + record + L"\" \"%1\"");
    }
    ~HtmlPagesRecorded() {
        if (hadType_)
            setDefault(L".html", previousType_);
        else
            RegDeleteTreeW(HKEY_CLASSES_ROOT, L".html");
        RegDeleteTreeW(HKEY_CLASSES_ROOT, handlerName);
    }
    HtmlPagesRecorded(const HtmlPagesRecorded&) = delete;
    HtmlPagesRecorded& operator=(const HtmlPagesRecorded&) = delete;

private:
    static constexpr wchar_t handlerName[] = L"QuillixPackageTest.ShellOpenRecorder";
    static void setDefault(const std::wstring& keyName, const std::wstring& value) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CLASSES_ROOT, keyName.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return;
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    bool hadType_ = false;
    std::wstring previousType_;
};

// A folder of its own under the temporary folder, removed with what it holds.
struct ScratchFolder {
    std::wstring path;
    ScratchFolder() {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        std::random_device random;
        path = std::wstring(temp) + L"quillix-package-" + std::to_wstring(random());
        CreateDirectoryW(path.c_str(), nullptr);
    }
    ~ScratchFolder() {
        WIN32_FIND_DATAW found{};
        HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do DeleteFileW((path + L"\\" + found.cFileName).c_str());
            while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(path.c_str());
    }
};

// The unpacked program running as its own process; ended if a check left it running.
class RunningProgram {
public:
    RunningProgram(const std::wstring& document, const std::wstring& currentFolder) {
        std::wstring commandLine = L"\"" + programPath() + L"\" " + document;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessW(programPath().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            currentFolder.c_str(), &startup, &process_))
            process_ = {};
        if (process_.hThread) CloseHandle(process_.hThread);
    }
    ~RunningProgram() {
        if (!process_.hProcess) return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(process_.hProcess, 99);
        CloseHandle(process_.hProcess);
    }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    bool started() const { return process_.hProcess != nullptr; }

    // The program's frame window, once its start-up has run; null if the program ended
    // first or no frame came within a minute.
    HWND frame() {
        WaitForInputIdle(process_.hProcess, 60000);
        for (int tries = 0; tries < 600; ++tries) {
            Search search{process_.dwProcessId, nullptr};
            EnumWindows(matchFrame, reinterpret_cast<LPARAM>(&search));
            if (search.frame) return search.frame;
            if (WaitForSingleObject(process_.hProcess, 100) == WAIT_OBJECT_0) return nullptr;
        }
        return nullptr;
    }

    // The exit code once the process has ended, or -1 if it is still running after a minute.
    long exitCode() {
        if (WaitForSingleObject(process_.hProcess, 60000) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        return static_cast<long>(code);
    }

private:
    struct Search {
        DWORD processId;
        HWND frame;
    };
    static BOOL CALLBACK matchFrame(HWND window, LPARAM data) {
        auto* search = reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        wchar_t className[64] = {};
        GetClassNameW(window, className, 64);
        if (owner != search->processId || std::wcscmp(className, L"Quillix-64bit") != 0) return TRUE;
        search->frame = window;
        return FALSE;
    }
    PROCESS_INFORMATION process_{};
};

std::wstring windowText(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

TEST(UnpackedProgram, StartedFromADocumentsFolderItOpensItAndItsHelpFindsThePageBesideIt) {
    // The document's folder is the current folder, as after a double-click on a document.
    ScratchFolder documents;
    const std::wstring document = documents.path + L"\\data.bin";
    const std::wstring record = documents.path + L"\\shell-opened.txt";
    HANDLE file = CreateFileW(document.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const char bytes[100] = {1, 2, 3};
    DWORD written = 0;
    WriteFile(file, bytes, sizeof bytes, &written, nullptr);
    CloseHandle(file);
    HtmlPagesRecorded recorded(record);

    RunningProgram program(document, documents.path);
    ASSERT_TRUE(program.started()) << "cannot start " << testing::PrintToString(programPath());
    HWND frame = program.frame();
    ASSERT_NE(frame, nullptr) << "no frame window appeared";
    EXPECT_EQ(windowText(frame), L" Quillix-64bit - " + document);

    // Wine's shell looks for a bare page name in the program's folder before the current
    // one, so here a bare name would pass too; the frame test pins the full path the
    // program passes.
    PostMessageW(frame, WM_COMMAND, commandHelp, 0);
    const std::wstring opened = waitForRecord(record);
    const std::wstring page = unpackedFolder + L"\\quillix-help.html";
    EXPECT_EQ(lstrcmpiW(opened.c_str(), page.c_str()), 0)
        << "the shell opened " << testing::PrintToString(opened) << ", not " << testing::PrintToString(page);

    PostMessageW(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.exitCode(), 0);
}

std::wstring versionString(const std::vector<BYTE>& info, const wchar_t* name) {
    void* value = nullptr;
    UINT length = 0;
    std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(info.data(), key.c_str(), &value, &length) || !value) return L"<missing>";
    return static_cast<const wchar_t*>(value);
}

TEST(UnpackedProgram, ItsVersionRecordAndAboutBoxCarryTheProjectVersion) {
    unsigned major = 0, minor = 0, patch = 0;
    ASSERT_EQ(swscanf(projectVersion.c_str(), L"%u.%u.%u", &major, &minor, &patch), 3) << "version argument";

    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(programPath().c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version record";
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(programPath().c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    // major.minor.patch.0: two numbers in each word, the higher one first.
    EXPECT_EQ(fixed->dwFileVersionMS, major << 16 | minor);
    EXPECT_EQ(fixed->dwFileVersionLS, patch << 16);
    EXPECT_EQ(fixed->dwProductVersionMS, major << 16 | minor);
    EXPECT_EQ(fixed->dwProductVersionLS, patch << 16);
    const std::wstring commas =
        std::to_wstring(major) + L"," + std::to_wstring(minor) + L"," + std::to_wstring(patch);
    EXPECT_EQ(versionString(info, L"FileVersion"), commas);
    EXPECT_EQ(versionString(info, L"ProductVersion"), commas);

    HMODULE module = LoadLibraryExW(programPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HRSRC found = FindResourceW(module, L"AboutBox", RT_DIALOG);
    ASSERT_NE(found, nullptr);
    const auto* words = static_cast<const wchar_t*>(LockResource(LoadResource(module, found)));
    const std::wstring about(words, SizeofResource(module, found) / sizeof(wchar_t));
    const std::wstring line = L"Quillix-64bit v" + projectVersion + L" for Windows";
    EXPECT_NE(about.find(line), std::wstring::npos) << "the About box lacks " << testing::PrintToString(line);
    FreeLibrary(module);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && std::wcscmp(argv[1], L"--record-shell-open") == 0)
        return recordShellOpen(argv[2], argv[3]);
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: quillix_package_tests <unpacked folder> <project version>\n");
        return 2;
    }
    unpackedFolder = windowsPath(argv[1]);
    projectVersion = argv[2];
    return RUN_ALL_TESTS();
}
