#pragma once
// Cuts a file shorter while a document maps it, as another program would: natively with
// truncate(2). Windows refuses to cut a file a view maps, and so does Wine; a Linux
// process started from under Wine is not asked, so there the system's truncate(1) runs as
// one, and the call waits for the new size (the process's end is reported first).

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
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int tries = 0; tries < 500; ++tries, Sleep(20))
        if (std::filesystem::file_size(path) == size) return true;
    return false;
#else
    return ::truncate(path.c_str(), static_cast<off_t>(size)) == 0;
#endif
}

}  // namespace quillix::test
