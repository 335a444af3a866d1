#pragma once
// A file layer that keeps no file: every file is created, flushed, closed and moved into
// place without a word, and what is written goes to the subclass's write alone. For
// dumps too large to keep on disk, and for timing the formatter without the disk.

#include "document/file/file_system.h"

namespace quillix::test {

class WriteSink : public FileSystem {
public:
    bool openExisting(const wchar_t*, FileHandle&, SystemError&) override { return false; }
    bool openForReading(const wchar_t*, FileHandle&, SystemError&) override { return false; }
    bool holdFile(const wchar_t*, FileHandle&, SystemError&) override { return false; }
    bool mapCopyOnWrite(FileHandle, std::uint8_t*&, std::int64_t&, SystemError&) override { return false; }
    void unmap(std::uint8_t*, std::int64_t) override {}
    bool mapMemory(std::int64_t, std::uint8_t*&, SystemError&) override { return false; }
    bool mapForReading(FileHandle, std::uint8_t*&, std::int64_t&, SystemError&) override { return false; }
    bool createAlways(const wchar_t*, FileHandle& file, SystemError&) override {
        file.value = 1;
        return true;
    }
    bool writeAt(FileHandle, std::int64_t, const void*, std::uint32_t, std::uint32_t&,
                 SystemError&) override {
        return false;
    }
    bool mapShared(FileHandle, std::int64_t, std::int64_t, std::uint8_t*&, SystemError&) override {
        return false;
    }
    bool unmapShared(std::uint8_t*, std::int64_t, SystemError&) override { return false; }
    bool readAt(FileHandle, std::int64_t, void*, std::uint32_t, std::uint32_t&, SystemError&) override {
        return false;
    }
    bool markWritten(FileHandle, SystemError&) override { return false; }
    bool stampOf(FileHandle, FileStamp&, SystemError&) override { return false; }
    bool stampAt(const wchar_t*, FileStamp& stamp, SystemError&) override {
        stamp = FileStamp{};  // no file there yet
        return true;
    }
    bool flush(FileHandle, SystemError&) override { return true; }
    bool close(FileHandle, SystemError&) override { return true; }
    bool finalPath(const wchar_t* path, std::wstring& resolved, SystemError&) override {
        resolved = path;
        return true;
    }
    bool replace(const wchar_t*, const wchar_t*, SystemError&) override { return true; }
    bool remove(const wchar_t*) override { return true; }
};

// Takes the writes and drops them: what is left of a dump is its formatting. The checksum
// of the last byte of each write keeps the work from being optimised away.
class DiscardingSink : public WriteSink {
public:
    bool write(FileHandle, const void* data, std::uint32_t length, std::uint32_t& written,
               SystemError&) override {
        checksum += static_cast<const unsigned char*>(data)[length - 1];
        written = length;
        return true;
    }
    unsigned checksum = 0;
};

}  // namespace quillix::test
