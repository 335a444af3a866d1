#pragma once
// Cuts a file shorter while a document maps it, as another program would: natively with
// truncate(2). Windows refuses to cut a file a view maps, and so does Wine; a Linux
// process started from under Wine is not asked, so there the system's truncate(1) runs as
// one. Its end is reported before the file is cut, so the call waits until the file has
// its new size and a new last-write time: the size shows while the cut is still under way.

#include <cstdint>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace quillix::test {

inline bool cutFileShort(const std::filesystem::path& path, std::uintmax_t size) {
#ifdef _WIN32
    using UnixName = char*(CDECL*)(const wchar_t*);
    auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName ? unixName(path.wstring().c_str()) : nullptr;
    if (!name) return false;  // not under Wine
    std::wstring command = L"/usr/bin/truncate -s " + std::to_wstring(size) + L" \"";
    for (const char* c = name; *c; ++c) command += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    command += L"\"";
    HeapFree(GetProcessHeap(), 0, name);
    const auto written = std::filesystem::last_write_time(path);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int tries = 0; tries < 500; ++tries, Sleep(20))
        if (std::filesystem::file_size(path) == size && std::filesystem::last_write_time(path) != written)
            return true;
    return std::filesystem::file_size(path) == size;
#else
    return ::truncate(path.c_str(), static_cast<off_t>(size)) == 0;
#endif
}

}  // namespace quillix::test
