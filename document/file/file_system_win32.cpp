// The file layer on Windows: a copy-on-write view (PAGE_WRITECOPY, FILE_MAP_COPY) for the
// document and plain handles for saving and exporting; one of the core's few Win32 halves
// (the read guard and the hash library are the others).

#include "document/file/file_system.h"

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <string>
#include <vector>

namespace quillix {
namespace {

HANDLE handleOf(FileHandle file) { return reinterpret_cast<HANDLE>(file.value); }

// Other programs may read, write, rename and delete a file while the program has it open.
constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool fail(SystemError& error) {
    error = GetLastError();
    return false;
}

bool openWith(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, FileHandle& file,
              SystemError& error) {
    HANDLE handle = CreateFileW(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return fail(error);
    file.value = reinterpret_cast<std::intptr_t>(handle);
    return true;
}

// On a handle opened for synchronous access the offset in the OVERLAPPED record is where
// a read or write goes, and the call still waits until it is done.
OVERLAPPED atOffset(std::int64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset));
    at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
    return at;
}

// Opens path with no access asked for and every sharing allowed, following links: this
// looks at the file without getting in anybody's way, even of a program that holds it
// exclusively. Null with missing set when the name holds no file, null with error when
// the system cannot tell.
HANDLE lookAt(const wchar_t* path, bool& missing, SystemError& error) {
    HANDLE handle =
        CreateFileW(path, 0, shareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle != INVALID_HANDLE_VALUE) return handle;
    const DWORD code = GetLastError();
    missing = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
    if (!missing) error = code;
    return nullptr;
}

// Whether the open that just failed met a file deleted while another holder keeps it
// open: the system keeps its name until the last holder lets go, and refuses every open
// meanwhile with ERROR_ACCESS_DENIED, telling the reason only in the call's own status.
bool lastOpenMetDeletePending() {
    using LastStatus = LONG(WINAPI*)();
    static const auto lastStatus = reinterpret_cast<LastStatus>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetLastNtStatus")));
    constexpr LONG statusDeletePending = static_cast<LONG>(0xC0000056);
    return lastStatus && lastStatus() == statusDeletePending;
}

// Where the symbolic link at path leads, as the link itself says (made whole against the
// link's folder when it is relative): false when path is no symbolic link or cannot be read.
bool readLink(const std::wstring& path, std::wstring& target) {
    HANDLE link = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, shareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (link == INVALID_HANDLE_VALUE) return false;
    std::vector<BYTE> record(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
    DWORD got = 0;
    const BOOL read = DeviceIoControl(link, FSCTL_GET_REPARSE_POINT, nullptr, 0, record.data(),
                                      static_cast<DWORD>(record.size()), &got, nullptr);
    CloseHandle(link);
    // A symbolic link's reparse record: its tag, then where in the names that follow the
    // name to substitute and the name to print lie, in bytes.
    struct SymbolicLinkHead {
        ULONG tag;
        USHORT dataLength, reserved, substituteOffset, substituteLength, printOffset, printLength;
        ULONG flags;
    } head{};
    if (!read || got < sizeof head) return false;
    std::memcpy(&head, record.data(), sizeof head);
    if (head.tag != IO_REPARSE_TAG_SYMLINK) return false;
    const auto name = [&](USHORT offset, USHORT length, std::wstring& text) {
        if (length == 0 || sizeof head + offset + length > got) return false;
        text.resize(length / sizeof(wchar_t));
        std::memcpy(text.data(), record.data() + sizeof head + offset, text.size() * sizeof(wchar_t));
        return true;
    };
    // The printed name is the plain path; the substitute one starts with \??\.
    if (!name(head.printOffset, head.printLength, target)) {
        if (!name(head.substituteOffset, head.substituteLength, target)) return false;
        if (target.starts_with(L"\\??\\")) target.erase(0, 4);
    }
    if (head.flags & SYMLINK_FLAG_RELATIVE) {
        const std::size_t slash = path.find_last_of(L"\\/");
        target = (slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1)) + target;
    }
    return true;
}

// Closes a mapping handle when the scope ends; the view, once made, stands on its own.
class ScopedMapping {
public:
    explicit ScopedMapping(HANDLE handle) : handle_(handle) {}
    ~ScopedMapping() {
        if (handle_) CloseHandle(handle_);
    }
    ScopedMapping(const ScopedMapping&) = delete;
    ScopedMapping& operator=(const ScopedMapping&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

class Win32FileSystem final : public FileSystem {
public:
    bool openExisting(const wchar_t* path, FileHandle& file, SystemError& error) override {
        return openWith(path, GENERIC_READ | GENERIC_WRITE, shareAll, OPEN_EXISTING, file, error);
    }

    bool holdFile(const wchar_t* path, FileHandle& file, SystemError& error) override {
        // Reading attributes is not subject to sharing: nobody's open is refused for it.
        return openWith(path, FILE_READ_ATTRIBUTES, shareAll, OPEN_EXISTING, file, error);
    }

    OwnPages copyOnWritePages() const override { return OwnPages::stay; }

    bool mapCopyOnWrite(FileHandle file, std::uint8_t*& view, std::int64_t& size,
                        SystemError& error) override {
        ScopedMapping mapping(CreateFileMappingW(handleOf(file), nullptr, PAGE_WRITECOPY, 0, 0, nullptr));
        if (!mapping.get()) return fail(error);
        void* mapped = MapViewOfFile(mapping.get(), FILE_MAP_COPY, 0, 0, 0);
        if (!mapped) return fail(error);
        LARGE_INTEGER length{};
        if (!GetFileSizeEx(handleOf(file), &length)) {
            fail(error);
            UnmapViewOfFile(mapped);
            return false;
        }
        view = static_cast<std::uint8_t*>(mapped);
        size = length.QuadPart;
        return true;
    }

    void unmap(std::uint8_t* view, std::int64_t) override {
        if (view) UnmapViewOfFile(view);
    }

    bool openForReading(const wchar_t* path, FileHandle& file, SystemError& error) override {
        return openWith(path, GENERIC_READ, shareAll, OPEN_EXISTING, file, error);
    }

    bool mapForReading(FileHandle file, std::uint8_t*& view, std::int64_t& size, SystemError& error) override {
        // The size first: the system refuses to map a 0-byte file, which here simply
        // has no bytes to show.
        LARGE_INTEGER length{};
        if (!GetFileSizeEx(handleOf(file), &length)) return fail(error);
        if (length.QuadPart == 0) {
            view = nullptr;
            size = 0;
            return true;
        }
        ScopedMapping mapping(CreateFileMappingW(handleOf(file), nullptr, PAGE_READONLY, 0, 0, nullptr));
        if (!mapping.get()) return fail(error);
        void* mapped = MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0);
        if (!mapped) return fail(error);
        view = static_cast<std::uint8_t*>(mapped);
        size = length.QuadPart;
        return true;
    }

    bool createAlways(const wchar_t* path, FileHandle& file, SystemError& error) override {
        return openWith(path, GENERIC_WRITE, FILE_SHARE_WRITE, CREATE_ALWAYS, file, error);
    }

    bool write(FileHandle file, const void* data, std::uint32_t length, std::uint32_t& written,
               SystemError& error) override {
        DWORD count = 0;
        BOOL ok = WriteFile(handleOf(file), data, length, &count, nullptr);
        written = count;
        if (!ok) return fail(error);
        return true;
    }

    bool writeAt(FileHandle file, std::int64_t offset, const void* data, std::uint32_t length,
                 std::uint32_t& written, SystemError& error) override {
        OVERLAPPED at = atOffset(offset);
        DWORD count = 0;
        BOOL ok = WriteFile(handleOf(file), data, length, &count, &at);
        written = count;
        if (!ok) return fail(error);
        return true;
    }

    bool mapShared(FileHandle file, std::int64_t offset, std::int64_t length, std::uint8_t*& window,
                   SystemError& error) override {
        // The mapping object goes at once: the view holds on to it.
        ScopedMapping mapping(CreateFileMappingW(handleOf(file), nullptr, PAGE_READWRITE, 0, 0, nullptr));
        if (!mapping.get()) return fail(error);
        const auto at = static_cast<std::uint64_t>(offset);
        void* mapped = MapViewOfFile(mapping.get(), FILE_MAP_WRITE, static_cast<DWORD>(at >> 32),
                                     static_cast<DWORD>(at), static_cast<SIZE_T>(length));
        if (!mapped) return fail(error);
        window = static_cast<std::uint8_t*>(mapped);
        return true;
    }

    bool unmapShared(std::uint8_t* window, std::int64_t, SystemError& error) override {
        const bool flushed = FlushViewOfFile(window, 0) != 0;
        if (!flushed) fail(error);
        if (!UnmapViewOfFile(window) && flushed) return fail(error);
        return flushed;
    }

    bool readAt(FileHandle file, std::int64_t offset, void* data, std::uint32_t length, std::uint32_t& read,
                SystemError& error) override {
        OVERLAPPED at = atOffset(offset);
        DWORD count = 0;
        BOOL ok = ReadFile(handleOf(file), data, length, &count, &at);
        read = count;
        if (!ok && GetLastError() != ERROR_HANDLE_EOF) return fail(error);
        return true;
    }

    bool markWritten(FileHandle file, SystemError& error) override {
        FILETIME now{};
        GetSystemTimeAsFileTime(&now);
        if (!SetFileTime(handleOf(file), nullptr, nullptr, &now)) return fail(error);
        return true;
    }

    void prefetch(const std::uint8_t* view, std::int64_t length) override {
        WIN32_MEMORY_RANGE_ENTRY range{const_cast<std::uint8_t*>(view), static_cast<SIZE_T>(length)};
        PrefetchVirtualMemory(GetCurrentProcess(), 1, &range, 0);
    }

    bool flush(FileHandle file, SystemError& error) override {
        if (!FlushFileBuffers(handleOf(file))) return fail(error);
        return true;
    }

    bool close(FileHandle file, SystemError& error) override {
        if (!CloseHandle(handleOf(file))) return fail(error);
        return true;
    }

    bool mapMemory(std::int64_t size, std::uint8_t*& view, SystemError& error) override {
        // A view of the paging file, so that unmap releases it as it does a file's.
        const auto bytes = static_cast<std::uint64_t>(size);
        ScopedMapping mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                                 static_cast<DWORD>(bytes >> 32), static_cast<DWORD>(bytes),
                                                 nullptr));
        if (!mapping.get()) return fail(error);
        void* mapped = MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 0);
        if (!mapped) return fail(error);
        view = static_cast<std::uint8_t*>(mapped);
        return true;
    }

    bool stampOf(FileHandle file, FileStamp& stamp, SystemError& error) override {
        BY_HANDLE_FILE_INFORMATION info{};
        if (!GetFileInformationByHandle(handleOf(file), &info)) return fail(error);
        stamp.exists = true;
        stamp.volume = info.dwVolumeSerialNumber;
        stamp.index = static_cast<std::uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
        stamp.lastWrite =
            static_cast<std::int64_t>(static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32 |
                                      info.ftLastWriteTime.dwLowDateTime);
        stamp.size = static_cast<std::int64_t>(static_cast<std::uint64_t>(info.nFileSizeHigh) << 32 |
                                               info.nFileSizeLow);
        stamp.readOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
        stamp.links = info.nNumberOfLinks;
        FILE_STANDARD_INFO standard{};
        stamp.deletePending =
            GetFileInformationByHandleEx(handleOf(file), FileStandardInfo, &standard, sizeof standard) &&
            standard.DeletePending;
        return true;
    }

    bool stampAt(const wchar_t* path, FileStamp& stamp, SystemError& error) override {
        stamp = FileStamp{};
        bool missing = false;
        HANDLE handle = lookAt(path, missing, error);
        if (!handle && !missing && lastOpenMetDeletePending()) {
            stamp.exists = true;
            stamp.links = 0;
            stamp.deletePending = true;
            return true;
        }
        if (!handle) return missing;
        FileHandle file;
        file.value = reinterpret_cast<std::intptr_t>(handle);
        bool ok = stampOf(file, stamp, error);
        CloseHandle(handle);
        return ok;
    }

    bool finalPath(const wchar_t* path, std::wstring& resolved, SystemError& error) override {
        resolved = path;
        // Opening follows every link; the system then names the file it reached.
        bool missing = false;
        HANDLE handle = lookAt(path, missing, error);
        if (!handle && !missing && lastOpenMetDeletePending()) {
            // The file was deleted while held, and no open reaches it: the links on the way
            // are read one by one instead, as many as the system itself follows.
            std::wstring target;
            for (int links = 0; links < 63 && readLink(resolved, target); ++links) resolved = target;
            return true;
        }
        if (!handle) return missing;
        std::wstring name(1024, L'\0');
        DWORD length = GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()), 0);
        if (length >= name.size()) {
            name.resize(length + 1);
            length = GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()), 0);
        }
        const DWORD code = GetLastError();
        CloseHandle(handle);
        if (length == 0 || length >= name.size()) {
            error = length == 0 ? code : ERROR_INSUFFICIENT_BUFFER;
            return false;
        }
        // The name comes as \\?\C:\... or \\?\UNC\..., which every call made with it takes.
        name.resize(length);
        resolved = name;
        return true;
    }

    bool replace(const wchar_t* from, const wchar_t* to, SystemError& error) override {
        // Whether the file may be replaced at all (not locked by another program, ours to
        // delete) is asked first: Wine's ReplaceFileW, finding out itself, leaves an empty
        // file of its own behind.
        HANDLE replaced =
            CreateFileW(to, GENERIC_READ | DELETE, shareAll, nullptr, OPEN_EXISTING, 0, nullptr);
        if (replaced == INVALID_HANDLE_VALUE) {
            if (GetLastError() != ERROR_FILE_NOT_FOUND) return fail(error);
            // Nothing to replace: the new file simply takes the name.
            if (!MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                return fail(error);
            return true;
        }
        CloseHandle(replaced);
        // ReplaceFileW keeps the replaced file's attributes, security and streams; a file
        // whose security cannot be carried over is still replaced, as a plain move would.
        if (!ReplaceFileW(to, from, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS,
                          nullptr, nullptr))
            return fail(error);
        return true;
    }

    bool remove(const wchar_t* path) override { return DeleteFileW(path) != 0; }
};

}  // namespace

FileSystem& systemFileSystem() {
    static Win32FileSystem instance;
    return instance;
}

std::int64_t sharedWindowAlignment() {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return info.dwAllocationGranularity;
}
SystemError emptyFileError() { return ERROR_FILE_INVALID; }
SystemError accessDeniedError() { return ERROR_ACCESS_DENIED; }
SystemError outOfMemoryError() { return ERROR_NOT_ENOUGH_MEMORY; }
SystemError diskFullError() { return ERROR_DISK_FULL; }

std::wstring systemErrorText(SystemError code) {
    wchar_t* text = nullptr;
    FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
        code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::wstring result = text ? text : L"";
    if (text) LocalFree(text);
    while (!result.empty() && (result.back() == L'\n' || result.back() == L'\r' || result.back() == L' '))
        result.pop_back();
    return result;
}

}  // namespace quillix
