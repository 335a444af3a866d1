#pragma once
// Wraps the real file layer, logs every call by name, and makes one chosen call fail, to
// show that every failure leaves the document and the files on disk sound.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "document/file/file_system.h"

namespace quillix::test {

class FaultyFileSystem : public FileSystem {
public:
    enum class Mode { fail, shortWrite };

    explicit FaultyFileSystem(FileSystem& real) : real_(real) {}

    // Call number failAt (from 0) fails; -1 lets every call through. Starts a new log.
    void failCall(int failAt, Mode mode = Mode::fail) {
        failAt_ = failAt;
        mode_ = mode;
        calls_ = 0;
        log.clear();
        bytesWritten = 0;
        spans.clear();
        windows.clear();
        prefetches = 0;
    }
    int calls() const { return calls_; }
    int openFiles() const { return openFiles_; }
    int liveViews() const { return liveViews_; }
    // The calls since the last failCall, by name, in order, and the bytes writeAt was given.
    std::vector<std::string> log;
    std::int64_t bytesWritten = 0;
    std::vector<std::pair<std::int64_t, std::uint32_t>> spans;   // writeAt's offset and length, in order
    std::vector<std::pair<std::int64_t, std::int64_t>> windows;  // mapShared's offset and length, in order
    int prefetches = 0;                                          // calls of the hint, not in log
    bool discardWrites = false;  // writeAt takes the bytes without reading or writing them
    // Another program's doing: meanwhile runs right before call number meanwhileAt (counted
    // as failCall counts), afterMapping right after mapShared has mapped a window.
    std::function<void()> meanwhile, afterMapping;
    int meanwhileAt = -1;

    // Windows' file deleted while open: name reads as a file pending deletion and takes no
    // file moved to it until the view holder is let go.
    void holdNameUntilUnmapped(std::wstring name, const std::uint8_t* holder) {
        heldName_ = std::move(name);
        holder_ = holder;
    }

    static constexpr SystemError injectedError = 5;  // ERROR_ACCESS_DENIED / EIO alike

    bool openExisting(const wchar_t* path, FileHandle& file, SystemError& error) override {
        if (injected("openExisting", error)) return false;
        bool ok = real_.openExisting(path, file, error);
        openFiles_ += ok;
        return ok;
    }
    // Only the shell holds files and only a merge maps memory: passed on, never made to fail.
    bool holdFile(const wchar_t* path, FileHandle& file, SystemError& error) override {
        return real_.holdFile(path, file, error);
    }
    bool mapMemory(std::int64_t size, std::uint8_t*& view, SystemError& error) override {
        return real_.mapMemory(size, view, error);
    }
    OwnPages copyOnWritePages() const override { return real_.copyOnWritePages(); }
    bool mapCopyOnWrite(FileHandle file, std::uint8_t*& view, std::int64_t& size,
                        SystemError& error) override {
        if (injected("mapCopyOnWrite", error)) return false;
        bool ok = real_.mapCopyOnWrite(file, view, size, error);
        liveViews_ += ok;
        return ok;
    }
    void unmap(std::uint8_t* view, std::int64_t size) override {
        if (view) --liveViews_;
        if (view == holder_) holder_ = nullptr;
        real_.unmap(view, size);
    }
    bool openForReading(const wchar_t* path, FileHandle& file, SystemError& error) override {
        if (injected("openForReading", error)) return false;
        bool ok = real_.openForReading(path, file, error);
        openFiles_ += ok;
        return ok;
    }
    bool mapForReading(FileHandle file, std::uint8_t*& view, std::int64_t& size, SystemError& error) override {
        if (injected("mapForReading", error)) return false;
        bool ok = real_.mapForReading(file, view, size, error);
        liveViews_ += ok && view;
        return ok;
    }
    bool createAlways(const wchar_t* path, FileHandle& file, SystemError& error) override {
        if (injected("createAlways", error)) return false;
        bool ok = real_.createAlways(path, file, error);
        openFiles_ += ok;
        return ok;
    }
    bool write(FileHandle file, const void* data, std::uint32_t length, std::uint32_t& written,
               SystemError& error) override {
        if (shortened("write", length)) return real_.write(file, data, length / 2, written, error);
        if (injected("write", error)) {
            written = 0;
            return false;
        }
        return real_.write(file, data, length, written, error);
    }
    bool writeAt(FileHandle file, std::int64_t offset, const void* data, std::uint32_t length,
                 std::uint32_t& written, SystemError& error) override {
        if (shortened("writeAt", length))
            return real_.writeAt(file, offset, data, length / 2, written, error);
        if (injected("writeAt", error)) {
            written = 0;
            return false;
        }
        bytesWritten += length;
        spans.emplace_back(offset, length);
        if (discardWrites) {
            // Stands for a file the bytes went into, without reading them; a writer that
            // keeps calling without getting anywhere is stopped.
            written = length;
            if (spans.size() <= 4096) return true;
            error = injectedError;
            return false;
        }
        return real_.writeAt(file, offset, data, length, written, error);
    }
    // Counted, not passed on: a hint changes no result, and a sparse 4 GiB one costs time.
    void prefetch(const std::uint8_t*, std::int64_t) override { ++prefetches; }
    bool flush(FileHandle file, SystemError& error) override {
        if (injected("flush", error)) return false;
        return real_.flush(file, error);
    }
    bool close(FileHandle file, SystemError& error) override {
        // The handle is released either way, as CloseHandle and close(2) do.
        --openFiles_;
        bool fails = injected("close", error);
        bool ok = real_.close(file, error);
        return ok && !fails;
    }
    bool mapShared(FileHandle file, std::int64_t offset, std::int64_t length, std::uint8_t*& window,
                   SystemError& error) override {
        if (injected("mapShared", error)) return false;
        windows.emplace_back(offset, length);
        const bool ok = real_.mapShared(file, offset, length, window, error);
        if (ok && afterMapping) afterMapping();
        return ok;
    }
    bool unmapShared(std::uint8_t* window, std::int64_t length, SystemError& error) override {
        // The window goes either way, as unmapShared promises.
        bool fails = injected("unmapShared", error);
        bool ok = real_.unmapShared(window, length, error);
        return ok && !fails;
    }
    bool readAt(FileHandle file, std::int64_t offset, void* data, std::uint32_t length, std::uint32_t& read,
                SystemError& error) override {
        if (injected("readAt", error)) return false;
        return real_.readAt(file, offset, data, length, read, error);
    }
    bool markWritten(FileHandle file, SystemError& error) override {
        if (injected("markWritten", error)) return false;
        return real_.markWritten(file, error);
    }
    bool stampOf(FileHandle file, FileStamp& stamp, SystemError& error) override {
        if (injected("stampOf", error)) return false;
        return real_.stampOf(file, stamp, error);
    }
    bool stampAt(const wchar_t* path, FileStamp& stamp, SystemError& error) override {
        if (injected("stampAt", error)) return false;
        if (holder_ && path == heldName_) return (stamp = FileStamp{true, 0, 0, 0, 0, false, 0, true}, true);
        return real_.stampAt(path, stamp, error);
    }
    bool finalPath(const wchar_t* path, std::wstring& resolved, SystemError& error) override {
        if (injected("finalPath", error)) return false;
        return real_.finalPath(path, resolved, error);
    }
    bool replace(const wchar_t* from, const wchar_t* to, SystemError& error) override {
        if (injected("replace", error)) return false;
        if (holder_ && to == heldName_) return (error = injectedError, false);
        return real_.replace(from, to, error);
    }
    bool remove(const wchar_t* path) override {
        SystemError ignored = 0;
        if (injected("remove", ignored)) return false;
        return real_.remove(path);
    }

private:
    bool injected(const char* name, SystemError& error) {
        log.emplace_back(name);
        const int call = calls_++;
        if (call == meanwhileAt && meanwhile) meanwhile();
        if (call != failAt_) return false;
        error = injectedError;
        return true;
    }
    // A write that takes only half its bytes, reporting success, as a full disk can.
    bool shortened(const char* name, std::uint32_t length) {
        if (calls_ != failAt_ || mode_ != Mode::shortWrite || length <= 1) return false;
        log.emplace_back(name);
        ++calls_;
        return true;
    }
    FileSystem& real_;
    int failAt_ = -1;
    Mode mode_ = Mode::fail;
    int calls_ = 0;
    int openFiles_ = 0;
    int liveViews_ = 0;
    std::wstring heldName_;
    const std::uint8_t* holder_ = nullptr;
};

}  // namespace quillix::test
