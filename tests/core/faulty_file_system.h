#pragma once
// Wraps the real file layer and makes one chosen call fail, to show that every failure
// leaves the document and the files on disk sound.

#include "document/file_system.h"

namespace quillix::test {

class FaultyFileSystem : public FileSystem {
public:
    enum class Mode { fail, shortWrite };

    explicit FaultyFileSystem(FileSystem& real) : real_(real) {}

    // Call number failAt (from 0) fails; -1 lets every call through.
    void failCall(int failAt, Mode mode = Mode::fail) {
        failAt_ = failAt;
        mode_ = mode;
        calls_ = 0;
    }
    int calls() const { return calls_; }
    int openFiles() const { return openFiles_; }
    int liveViews() const { return liveViews_; }

    static constexpr SystemError injectedError = 5;  // ERROR_ACCESS_DENIED / EIO alike

    bool openExisting(const wchar_t* path, FileHandle& file, SystemError& error) override {
        if (injected(error)) return false;
        bool ok = real_.openExisting(path, file, error);
        openFiles_ += ok;
        return ok;
    }
    bool mapCopyOnWrite(FileHandle file, std::uint8_t*& view, std::int64_t& size,
                        SystemError& error) override {
        if (injected(error)) return false;
        bool ok = real_.mapCopyOnWrite(file, view, size, error);
        liveViews_ += ok;
        return ok;
    }
    void unmap(std::uint8_t* view, std::int64_t size) override {
        if (view) --liveViews_;
        real_.unmap(view, size);
    }
    bool openForSave(const wchar_t* path, FileHandle& file, SystemError& error) override {
        if (injected(error)) return false;
        bool ok = real_.openForSave(path, file, error);
        openFiles_ += ok;
        return ok;
    }
    bool createAlways(const wchar_t* path, FileHandle& file, SystemError& error) override {
        if (injected(error)) return false;
        bool ok = real_.createAlways(path, file, error);
        openFiles_ += ok;
        return ok;
    }
    bool write(FileHandle file, const void* data, std::uint32_t length, std::uint32_t& written,
               SystemError& error) override {
        if (calls_ == failAt_ && mode_ == Mode::shortWrite && length > 1) {
            ++calls_;
            return real_.write(file, data, length / 2, written, error);
        }
        if (injected(error)) {
            written = 0;
            return false;
        }
        return real_.write(file, data, length, written, error);
    }
    bool fileSize(FileHandle file, std::int64_t& size, SystemError& error) override {
        if (injected(error)) return false;
        return real_.fileSize(file, size, error);
    }
    bool truncate(FileHandle file, std::int64_t size, SystemError& error) override {
        if (injected(error)) return false;
        return real_.truncate(file, size, error);
    }
    bool flush(FileHandle file, SystemError& error) override {
        if (injected(error)) return false;
        return real_.flush(file, error);
    }
    bool close(FileHandle file, SystemError& error) override {
        // The handle is released either way, as CloseHandle and close(2) do.
        --openFiles_;
        bool fails = injected(error);
        bool ok = real_.close(file, error);
        return ok && !fails;
    }
    bool replace(const wchar_t* from, const wchar_t* to, SystemError& error) override {
        if (injected(error)) return false;
        return real_.replace(from, to, error);
    }
    bool remove(const wchar_t* path) override {
        SystemError ignored = 0;
        if (injected(ignored)) return false;
        return real_.remove(path);
    }

private:
    bool injected(SystemError& error) {
        if (calls_++ != failAt_) return false;
        error = injectedError;
        return true;
    }
    FileSystem& real_;
    int failAt_ = -1;
    Mode mode_ = Mode::fail;
    int calls_ = 0;
    int openFiles_ = 0;
    int liveViews_ = 0;
};

}  // namespace quillix::test
