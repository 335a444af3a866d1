#pragma once
// Cuts a file shorter while a document maps it, as another program would: the pages of the
// view past the new end can then no longer be read.
//
// Natively that is truncate(2). Windows refuses to cut a file a view maps
// (ERROR_USER_MAPPED_FILE), and Wine does as Windows does; but a Linux process started from
// a program under Wine is not asked. So under Wine the system's truncate(1) runs as such a
// process, and the call waits until the file has its new size (the process's end is
// reported before the file is cut). There is no such process on Windows itself.

#include <cstdint>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace quillix::test {

#ifdef _WIN32

// The Linux path of a path under Wine (wine_get_unix_file_name); empty outside Wine.
inline std::string unixPathOf(const std::filesystem::path& path) {
    using UnixName = char*(CDECL*)(const wchar_t*);
    auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName) return {};
    char* name = unixName(path.wstring().c_str());
    if (!name) return {};
    std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

inline bool cutFileShort(const std::filesystem::path& path, std::uintmax_t size) {
    const std::string unixPath = unixPathOf(path);
    if (unixPath.empty()) return false;
    std::wstring command = L"/usr/bin/truncate -s " + std::to_wstring(size) + L" \"";
    for (char c : unixPath) command += static_cast<wchar_t>(static_cast<unsigned char>(c));
    command += L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int tries = 0; tries < 500; ++tries) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (GetFileAttributesExW(path.wstring().c_str(), GetFileExInfoStandard, &data) &&
            (std::uintmax_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow) == size)
            return true;
        Sleep(20);
    }
    return false;
}

#else

inline bool cutFileShort(const std::filesystem::path& path, std::uintmax_t size) {
    return ::truncate(path.c_str(), static_cast<off_t>(size)) == 0;
}

#endif

}  // namespace quillix::test
