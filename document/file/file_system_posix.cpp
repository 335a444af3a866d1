// The file layer on POSIX systems: open(2) and a MAP_PRIVATE mapping, which keeps edits
// out of the file exactly as a Win32 copy-on-write view does.

#include "document/file/file_system.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillix {
namespace {

// wchar_t holds UTF-32 here (or UTF-16 units from a Windows-shaped caller); either way
// each unit, or surrogate pair, becomes its UTF-8 sequence.
std::string toUtf8(const wchar_t* path) {
    std::string out;
    for (const wchar_t* p = path; *p; ++p) {
        std::uint32_t c = static_cast<std::uint32_t>(*p);
        if (c >= 0xD800 && c <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<std::uint32_t>(p[1]) - 0xDC00);
            ++p;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// The reverse of toUtf8; false for bytes that are not UTF-8.
bool fromUtf8(const std::string& text, std::wstring& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int extra = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
        if (extra < 0 || i + static_cast<std::size_t>(extra) >= text.size()) return false;
        std::uint32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) return false;
            c = c << 6 | (next & 0x3F);
        }
        out += static_cast<wchar_t>(c);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

bool fail(SystemError& error) {
    error = static_cast<SystemError>(errno);
    return false;
}

int fd(FileHandle file) { return static_cast<int>(file.value); }

bool openWith(const wchar_t* path, int flags, FileHandle& file, SystemError& error) {
    int result = ::open(toUtf8(path).c_str(), flags | O_CLOEXEC, 0666);
    if (result < 0) return fail(error);
    file.value = result;
    return true;
}

FileStamp stampFrom(const struct stat& info) {
    FileStamp stamp;
    stamp.exists = true;
    stamp.volume = static_cast<std::uint64_t>(info.st_dev);
    stamp.index = static_cast<std::uint64_t>(info.st_ino);
    stamp.lastWrite = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp.size = static_cast<std::int64_t>(info.st_size);
    // As the read-only attribute: no write permission for anybody, whoever asks.
    stamp.readOnly = (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
    stamp.links = static_cast<std::uint32_t>(info.st_nlink);
    return stamp;
}

// One logical write may take several system calls: write(2) stops at about 2 GiB, and a
// signal can cut a call short. call(from, count, done) makes one system call.
template <class Call>
bool writeAll(const void* data, std::uint32_t length, std::uint32_t& written, SystemError& error, Call call) {
    written = 0;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (written < length) {
        ssize_t n = call(bytes + written, length - written, written);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(error);
        }
        if (n == 0) {
            error = ENOSPC;
            return false;
        }
        written += static_cast<std::uint32_t>(n);
    }
    return true;
}

// Gives the system advice on the whole pages holding bytes at .. at + length - 1: false
// only when the system does not know that advice (an older kernel), so that the caller
// can fall back on another.
bool advise(const void* at, std::int64_t length, int advice) {
    static const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto from = reinterpret_cast<std::uintptr_t>(at) / page * page;
    const auto bytes = static_cast<std::size_t>(reinterpret_cast<std::uintptr_t>(at) - from + length);
    return ::madvise(reinterpret_cast<void*>(from), bytes, advice) == 0 || errno != EINVAL;
}

class PosixFileSystem final : public FileSystem {
public:
    bool openExisting(const wchar_t* path, FileHandle& file, SystemError& error) override {
        return openWith(path, O_RDWR, file, error);
    }

    bool holdFile(const wchar_t* path, FileHandle& file, SystemError& error) override {
        // A descriptor that reaches the file itself, not its bytes: fstat and close alone.
        return openWith(path, O_PATH, file, error);
    }

    OwnPages copyOnWritePages() const override { return OwnPages::stayIfMade; }

    bool mapCopyOnWrite(FileHandle file, std::uint8_t*& view, std::int64_t& size,
                        SystemError& error) override {
        struct stat info {};
        if (::fstat(fd(file), &info) != 0) return fail(error);
        if (info.st_size == 0) {
            error = emptyFileError();
            return false;
        }
        void* mapped = ::mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ | PROT_WRITE, MAP_PRIVATE,
                              fd(file), 0);
        if (mapped == MAP_FAILED) return fail(error);
        view = static_cast<std::uint8_t*>(mapped);
        size = info.st_size;
        return true;
    }

    void unmap(std::uint8_t* view, std::int64_t size) override {
        if (view) ::munmap(view, static_cast<size_t>(size));
    }

    bool openForReading(const wchar_t* path, FileHandle& file, SystemError& error) override {
        return openWith(path, O_RDONLY, file, error);
    }

    bool mapForReading(FileHandle file, std::uint8_t*& view, std::int64_t& size, SystemError& error) override {
        struct stat info {};
        if (::fstat(fd(file), &info) != 0) return fail(error);
        if (info.st_size == 0) {
            view = nullptr;
            size = 0;
            return true;
        }
        void* mapped = ::mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_SHARED, fd(file), 0);
        if (mapped == MAP_FAILED) return fail(error);
        view = static_cast<std::uint8_t*>(mapped);
        size = info.st_size;
        return true;
    }

    bool createAlways(const wchar_t* path, FileHandle& file, SystemError& error) override {
        return openWith(path, O_WRONLY | O_CREAT | O_TRUNC, file, error);
    }

    bool write(FileHandle file, const void* data, std::uint32_t length, std::uint32_t& written,
               SystemError& error) override {
        return writeAll(data, length, written, error,
                        [&](const std::uint8_t* from, std::uint32_t count, std::uint32_t) {
                            return ::write(fd(file), from, count);
                        });
    }

    bool writeAt(FileHandle file, std::int64_t offset, const void* data, std::uint32_t length,
                 std::uint32_t& written, SystemError& error) override {
        return writeAll(data, length, written, error,
                        [&](const std::uint8_t* from, std::uint32_t count, std::uint32_t done) {
                            return ::pwrite(fd(file), from, count, offset + done);
                        });
    }

    bool mapShared(FileHandle file, std::int64_t offset, std::int64_t length, std::uint8_t*& window,
                   SystemError& error) override {
        void* mapped = ::mmap(nullptr, static_cast<size_t>(length), PROT_READ | PROT_WRITE, MAP_SHARED,
                              fd(file), static_cast<off_t>(offset));
        if (mapped == MAP_FAILED) return fail(error);
        // The system maps past the end of a file without a word, and the first touch there
        // faults: a file cut shorter since the caller looked at it is refused here, as
        // Windows refuses it, with mmap's own code for a range the file does not hold.
        struct stat info {};
        const bool looked = ::fstat(fd(file), &info) == 0;
        if (!looked || info.st_size < offset + length) {
            error = looked ? ENXIO : static_cast<SystemError>(errno);
            ::munmap(mapped, static_cast<size_t>(length));
            return false;
        }
        window = static_cast<std::uint8_t*>(mapped);
        return true;
    }

    bool unmapShared(std::uint8_t* window, std::int64_t length, SystemError& error) override {
        // The stores are in the file's own cached pages already; the fsync of flush writes
        // them out with the rest.
        if (::munmap(window, static_cast<size_t>(length)) != 0) return fail(error);
        return true;
    }

    bool readAt(FileHandle file, std::int64_t offset, void* data, std::uint32_t length, std::uint32_t& read,
                SystemError& error) override {
        read = 0;
        auto* bytes = static_cast<std::uint8_t*>(data);
        while (read < length) {
            ssize_t n = ::pread(fd(file), bytes + read, length - read, offset + read);
            if (n < 0) {
                if (errno == EINTR) continue;
                return fail(error);
            }
            if (n == 0) break;  // the end of the file
            read += static_cast<std::uint32_t>(n);
        }
        return true;
    }

    bool markWritten(FileHandle file, SystemError& error) override {
        const struct timespec times[2] = {{0, UTIME_OMIT}, {0, UTIME_NOW}};
        if (::futimens(fd(file), times) != 0) return fail(error);
        return true;
    }

    void prefetch(const std::uint8_t* view, std::int64_t length) override {
        // Populating maps every page of the range in one call: faulted in during the write,
        // a fresh view costs a fault per few pages, and the file written flushes slower
        // after them. Systems before Linux 5.14 lack it and are only told the bytes will be
        // read.
#ifdef MADV_POPULATE_READ
        if (advise(view, length, MADV_POPULATE_READ)) return;
#endif
        advise(view, length, MADV_WILLNEED);
    }

    void prepareStores(std::uint8_t* window, std::int64_t length) override {
#ifdef MADV_POPULATE_WRITE
        if (advise(window, length, MADV_POPULATE_WRITE)) return;
#endif
        prefetch(window, length);
    }

    bool flush(FileHandle file, SystemError& error) override {
        if (::fsync(fd(file)) != 0) return fail(error);
        return true;
    }

    bool close(FileHandle file, SystemError& error) override {
        if (::close(fd(file)) != 0) return fail(error);
        return true;
    }

    bool mapMemory(std::int64_t size, std::uint8_t*& view, SystemError& error) override {
        void* mapped = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ | PROT_WRITE,
                              MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (mapped == MAP_FAILED) return fail(error);
        view = static_cast<std::uint8_t*>(mapped);
        return true;
    }

    bool stampOf(FileHandle file, FileStamp& stamp, SystemError& error) override {
        struct stat info {};
        if (::fstat(fd(file), &info) != 0) return fail(error);
        stamp = stampFrom(info);
        return true;
    }

    bool stampAt(const wchar_t* path, FileStamp& stamp, SystemError& error) override {
        stamp = FileStamp{};
        struct stat info {};
        if (::stat(toUtf8(path).c_str(), &info) != 0) {
            if (errno == ENOENT || errno == ENOTDIR) return true;
            return fail(error);
        }
        stamp = stampFrom(info);
        return true;
    }

    bool finalPath(const wchar_t* path, std::wstring& resolved, SystemError& error) override {
        resolved = path;
        std::string current = toUtf8(path);
        // As many links as the system itself follows before it gives up with ELOOP.
        for (int links = 0; links < 40; ++links) {
            struct stat info {};
            if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
            std::string target(4096, '\0');
            const ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
            if (length < 0) return fail(error);
            target.resize(static_cast<std::size_t>(length));
            // A relative link names its target from the link's own folder.
            if (target.empty() || target[0] != '/')
                target = current.substr(0, current.find_last_of('/') + 1) + target;
            current = target;
            if (!fromUtf8(current, resolved)) {
                error = EILSEQ;
                return false;
            }
        }
        error = ELOOP;
        return false;
    }

    bool replace(const wchar_t* from, const wchar_t* to, SystemError& error) override {
        std::string source = toUtf8(from);
        std::string target = toUtf8(to);
        struct stat replaced {};
        if (::stat(target.c_str(), &replaced) == 0) {
            // Owner and group first, as changing them may clear the set-id bits; a user may
            // give a file only to groups of their own, and the rest stays theirs.
            if (::chown(source.c_str(), replaced.st_uid, replaced.st_gid) != 0)
                (void)::chown(source.c_str(), static_cast<uid_t>(-1), replaced.st_gid);
            if (::chmod(source.c_str(), replaced.st_mode & 07777) != 0) return fail(error);
        }
        if (::rename(source.c_str(), target.c_str()) != 0) return fail(error);
        // The rename itself becomes durable once its folder is synced.
        std::string folder = target.substr(0, target.find_last_of('/') + 1);
        int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
        return true;
    }

    bool remove(const wchar_t* path) override { return ::unlink(toUtf8(path).c_str()) == 0; }
};

}  // namespace

FileSystem& systemFileSystem() {
    static PosixFileSystem instance;
    return instance;
}

std::int64_t sharedWindowAlignment() { return ::sysconf(_SC_PAGESIZE); }
SystemError emptyFileError() { return EINVAL; }
SystemError accessDeniedError() { return EACCES; }
SystemError outOfMemoryError() { return ENOMEM; }
SystemError diskFullError() { return ENOSPC; }

std::wstring systemErrorText(SystemError code) {
    const char* text = std::strerror(static_cast<int>(code));
    std::wstring result;
    for (const char* p = text; p && *p; ++p) result += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return result;
}

}  // namespace quillix
