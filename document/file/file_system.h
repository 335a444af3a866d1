#pragma once
// The one file layer under the document: a copy-on-write mapping of a whole file for
// reading and editing, plain reads and writes for saving and exporting, and windows
// shared with a file for saving many changed bytes close together into it.
// Two real implementations exist (file_system_win32.cpp, file_system_posix.cpp); tests
// wrap the real one to make any single call fail.

#include <cstdint>
#include <string>

#include "document/file/view_bytes.h"

namespace quillix {

// The system's own error code of a failed call: GetLastError() on Windows, errno
// elsewhere. openDocument reserves 0 for "file larger than 4 GiB".
using SystemError = std::uint32_t;

// An open file. The value is a HANDLE on Windows and a descriptor elsewhere.
struct FileHandle {
    std::intptr_t value = -1;
    bool isOpen() const { return value != -1; }
};

// What the system says of a file: which file it is (the same two numbers for every name
// and handle of one file, different for any other file) and how it stands now.
struct FileStamp {
    bool exists = false;
    std::uint64_t volume = 0;    // volume serial number (st_dev elsewhere)
    std::uint64_t index = 0;     // file index on that volume (st_ino elsewhere)
    std::int64_t lastWrite = 0;  // last-write time in the system's own units
    std::int64_t size = 0;       // bytes
    bool readOnly = false;       // the read-only attribute (no write permission bit elsewhere)
    std::uint32_t links = 1;     // names the file has; 0 once it was deleted while held open
    bool deletePending = false;  // deleted, and gone once the last holder lets go (Windows)
};

// Two stamps name the same file, whatever their names and times.
inline bool sameFile(const FileStamp& a, const FileStamp& b) {
    return a.exists && b.exists && a.volume == b.volume && a.index == b.index;
}

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Opens an existing file for reading and writing, shared for reading, writing and
    // deleting, so that other programs may still rename or delete it (CreateFileW
    // GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
    // OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL).
    virtual bool openExisting(const wchar_t* path, FileHandle& file, SystemError& error) = 0;
    // Holds an existing file open asking for no access to its bytes and sharing everything,
    // so that its stamp can be read wherever its name goes (stampOf) while nobody is kept
    // from writing, renaming or deleting it. A handle for stampOf and close alone.
    virtual bool holdFile(const wchar_t* path, FileHandle& file, SystemError& error) = 0;

    // Maps the whole file privately: writes into the view never reach the file
    // (CreateFileMappingW PAGE_WRITECOPY, MapViewOfFile FILE_MAP_COPY, then GetFileSizeEx).
    // On success the view stands on its own: the file may be closed. A 0-byte file fails
    // with the system's refusal (ERROR_FILE_INVALID on Windows, EINVAL elsewhere).
    virtual bool mapCopyOnWrite(FileHandle file, std::uint8_t*& view, std::int64_t& size,
                                SystemError& error) = 0;
    virtual void unmap(std::uint8_t* view, std::int64_t size) = 0;
    // What becomes of the pages of a view mapCopyOnWrite gives once the program wrote them,
    // should another program cut the file (view_bytes.h). A layer that cannot tell says
    // unknown, and nothing is asked of them.
    virtual OwnPages copyOnWritePages() const { return OwnPages::unknown; }

    // Opens an existing file for reading only, shared for reading, writing and deleting
    // (CreateFileW GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
    // OPEN_EXISTING): a file that is only looked at, which other programs may go on
    // writing, renaming or deleting.
    virtual bool openForReading(const wchar_t* path, FileHandle& file, SystemError& error) = 0;
    // Maps the whole file for reading only (CreateFileMappingW PAGE_READONLY, MapViewOfFile
    // FILE_MAP_READ; mmap PROT_READ, MAP_SHARED): the view shows what the file holds now,
    // other programs' writes included, and nothing can be stored into it. A 0-byte file
    // succeeds with no view (null) and size 0. On success the view stands on its own, as
    // a copy-on-write one does; unmap releases it.
    virtual bool mapForReading(FileHandle file, std::uint8_t*& view, std::int64_t& size, SystemError& error) = 0;

    // Creates the file, replacing any file of that name (CREATE_ALWAYS).
    virtual bool createAlways(const wchar_t* path, FileHandle& file, SystemError& error) = 0;

    // Writes at the current position; length is below 4 GiB, as WriteFile's count is.
    virtual bool write(FileHandle file, const void* data, std::uint32_t length, std::uint32_t& written,
                       SystemError& error) = 0;
    // Writes at the given offset from the file's start; the position afterwards is not
    // relied on.
    virtual bool writeAt(FileHandle file, std::int64_t offset, const void* data, std::uint32_t length,
                         std::uint32_t& written, SystemError& error) = 0;
    // Asks the system to bring bytes view .. view + length - 1 of a mapped view in before a
    // write reads them, in one call rather than a page fault at a time (MADV_POPULATE_READ;
    // PrefetchVirtualMemory). A hint: it neither fails nor faults, and leaves a page that
    // cannot be read to the read itself. A layer without such a hint does nothing.
    virtual void prefetch(const std::uint8_t* view, std::int64_t length) {
        (void)view;
        (void)length;
    }
    // Asks the system to make bytes window .. window + length - 1 of a shared window ready
    // for stores, in one call rather than a fault a page for the first read and another for
    // the first store (MADV_POPULATE_WRITE; elsewhere as prefetch). A hint as prefetch is.
    virtual void prepareStores(std::uint8_t* window, std::int64_t length) { prefetch(window, length); }
    // Makes everything written to the file, through writes or shared windows, durable
    // (FlushFileBuffers, fsync).
    virtual bool flush(FileHandle file, SystemError& error) = 0;
    // Reads up to length bytes at the given offset from the file's start; read says how
    // many came, fewer only at the end of the file.
    virtual bool readAt(FileHandle file, std::int64_t offset, void* data, std::uint32_t length,
                        std::uint32_t& read, SystemError& error) = 0;
    virtual bool close(FileHandle file, SystemError& error) = 0;

    // Maps bytes offset .. offset + length - 1 of a file opened by openExisting, for
    // writing and shared with the file itself: the window reads what the file holds now,
    // other programs' writes included, and a byte stored into it is the file's byte
    // (CreateFileMappingW PAGE_READWRITE with MapViewOfFile FILE_MAP_WRITE; mmap
    // MAP_SHARED). offset is a multiple of sharedWindowAlignment(). Fails when the file
    // does not hold every byte of the window (it was cut shorter since the caller looked);
    // a page of it that cannot be brought in later faults, as a page of the view does
    // (guarded_read.h). Only the pages touched are read.
    virtual bool mapShared(FileHandle file, std::int64_t offset, std::int64_t length, std::uint8_t*& window,
                           SystemError& error) = 0;
    // Hands the bytes stored into a shared window on to the file (FlushViewOfFile) and
    // releases the window, which is gone after a failure too. flush makes them durable.
    virtual bool unmapShared(std::uint8_t* window, std::int64_t length, SystemError& error) = 0;
    // Dates the file's last write now (SetFileTime; futimens): stores through a shared
    // window need not move it, and other programs go by it to see that the file changed.
    virtual bool markWritten(FileHandle file, SystemError& error) = 0;

    // Private memory of size bytes, all zeros, that unmap releases as it does a view: a
    // document longer than its file is now.
    virtual bool mapMemory(std::int64_t size, std::uint8_t*& view, SystemError& error) = 0;

    // The stamp of an open file.
    virtual bool stampOf(FileHandle file, FileStamp& stamp, SystemError& error) = 0;
    // The stamp of whatever file the name holds now; a name that holds no file gives a
    // stamp with exists false and succeeds. A name still held by a file deleted while
    // open, which no one may open (Windows), gives exists and deletePending, nothing else
    // known. Fails only when the system cannot tell.
    virtual bool stampAt(const wchar_t* path, FileStamp& stamp, SystemError& error) = 0;

    // The file path leads to once every symbolic link is followed, so that a write beside
    // it and a move over it leave the link a link; a name that holds no file yet gives
    // the path unchanged. A link to no file gives where that file would be on POSIX, and
    // itself on Windows, which cannot tell.
    virtual bool finalPath(const wchar_t* path, std::wstring& resolved, SystemError& error) = 0;
    // Moves from over to and makes the move durable. An existing to is replaced keeping
    // what the system lets it keep of the file: on Windows its attributes, security and
    // streams (ReplaceFileW); elsewhere its permission bits, and its owner and group as far
    // as the user may give them.
    virtual bool replace(const wchar_t* from, const wchar_t* to, SystemError& error) = 0;
    virtual bool remove(const wchar_t* path) = 0;
};

// The real file layer of this platform.
FileSystem& systemFileSystem();

// Where shared windows may begin: Windows' allocation granularity (64 KiB), the page
// size elsewhere.
std::int64_t sharedWindowAlignment();
// The code this platform's mapping call gives for a 0-byte file.
SystemError emptyFileError();
// The codes for a refused write access, for a disk that took fewer bytes than asked, and
// for memory that ran out.
SystemError accessDeniedError();
SystemError diskFullError();
SystemError outOfMemoryError();
// The system's own text for a code, one line, without a trailing line break; empty when
// the system has none.
std::wstring systemErrorText(SystemError code);
// A failure message with, when the system has words for cause (not 0), those words on a
// second line.
inline std::wstring withSystemReason(std::wstring message, SystemError cause) {
    const std::wstring reason = cause != 0 ? systemErrorText(cause) : std::wstring();
    if (!reason.empty()) message += L"\n" + reason;
    return message;
}

// Closes the file when the scope ends, unless released first.
class ScopedFile {
public:
    explicit ScopedFile(FileSystem& fs) : fs_(fs) {}
    ~ScopedFile() { closeQuietly(); }
    ScopedFile(const ScopedFile&) = delete;
    ScopedFile& operator=(const ScopedFile&) = delete;

    FileHandle& handle() { return file_; }
    FileHandle get() const { return file_; }
    // Closes now and reports the result; the scope then has nothing left to close.
    bool close(SystemError& error) {
        FileHandle file = file_;
        file_ = FileHandle{};
        return !file.isOpen() || fs_.close(file, error);
    }
    // Closes at the end of work on the file that went as done says: true when done and
    // the close succeeded. A failed close fails work that had gone well and gives cause
    // its code; after an earlier failure cause keeps that failure's.
    bool closeAfter(bool done, SystemError& cause) {
        SystemError error = 0;
        if (close(error)) return done;
        if (done) cause = error;
        return false;
    }

private:
    void closeQuietly() {
        SystemError ignored = 0;
        close(ignored);
    }
    FileSystem& fs_;
    FileHandle file_;
};

}  // namespace quillix
