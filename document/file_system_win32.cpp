// The file layer on Windows: a copy-on-write view (PAGE_WRITECOPY, FILE_MAP_COPY) for the
// document and plain handles for saving and exporting. The only unit of the core that
// includes <windows.h>.

#include "document/file_system.h"

#include <windows.h>

namespace quillix {
namespace {

HANDLE handleOf(FileHandle file) { return reinterpret_cast<HANDLE>(file.value); }

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
        return openWith(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                        file, error);
    }

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

    bool openForSave(const wchar_t* path, FileHandle& file, SystemError& error) override {
        return openWith(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS,
                        file, error);
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

    bool fileSize(FileHandle file, std::int64_t& size, SystemError& error) override {
        LARGE_INTEGER length{};
        if (!GetFileSizeEx(handleOf(file), &length)) return fail(error);
        size = length.QuadPart;
        return true;
    }

    bool truncate(FileHandle file, std::int64_t size, SystemError& error) override {
        LARGE_INTEGER position{};
        position.QuadPart = size;
        if (!SetFilePointerEx(handleOf(file), position, nullptr, FILE_BEGIN)) return fail(error);
        if (!SetEndOfFile(handleOf(file))) return fail(error);
        return true;
    }

    bool flush(FileHandle file, SystemError& error) override {
        if (!FlushFileBuffers(handleOf(file))) return fail(error);
        return true;
    }

    bool close(FileHandle file, SystemError& error) override {
        if (!CloseHandle(handleOf(file))) return fail(error);
        return true;
    }

    bool replace(const wchar_t* from, const wchar_t* to, SystemError& error) override {
        if (!MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return fail(error);
        return true;
    }

    bool remove(const wchar_t* path) override { return DeleteFileW(path) != 0; }
};

}  // namespace

FileSystem& systemFileSystem() {
    static Win32FileSystem instance;
    return instance;
}

SystemError emptyFileError() { return ERROR_FILE_INVALID; }

}  // namespace quillix
