#pragma once
// The checked reads and writes of the document's view. The view is a mapping of the file,
// and a page of it the system can no longer bring in (the file was cut shorter, its volume
// went away, its disk reports an error) faults when touched. What the program reads or
// stores there itself goes through one of these, each guarded once per call
// (guarded_read.h), and gets a ReadFault to report instead of a crash:
//
//   checkedCopy   a stretch of bytes into a buffer, stopping at the first unreadable page
//                 (editing's old byte, the clipboard, the data inspector)
//   copyReadable  a stretch, with zeros for the pages that cannot be read and a list of
//                 them (painting, a save into another file)
//   checkedRun    a scan or formatter that reads the view in place (search, export)
//   checkedStore  one byte into the view
//   checkedSwap   a stretch of the view exchanged with a buffer (Replace All's undo and redo)
//   checkedReplace  a stretch of the view stored from a buffer, its old bytes into another
//                 (pastes and fills, their undo and redo)
//   findUnreadable  the first page of a stretch that cannot be read (after a failed write
//                 from the view)
//
// The one exception hands the view to the system: a write from the view (writeViewRange,
// changed_bytes_save.h) reads it inside the write call, which fails instead of faulting;
// findUnreadable then says which page it was.
//
// Pages are taken as viewPageBytes long and aligned to the view's start, which the system
// aligns to a page: a page is read whole or not at all.

#include <cstdint>
#include <string>
#include <vector>

#include "document/file/guarded_read.h"
#include "document/file/view_bytes.h"

namespace quillix {

class ViewHost;
enum class BoxOwner;

// The page size of x86-64 systems. Were the system's pages larger, a fault would still be
// placed exactly: the next page tried would fault again.
inline constexpr std::int64_t viewPageBytes = 4096;

// What could not be read of a stretch, as stretches of whole unreadable pages cut to it.
struct UnreadableBytes {
    std::vector<ByteRange> ranges;  // in increasing order, none touching the next
    SystemError error = 0;          // the system's code for the first of them
};

// Copies bytes offset .. offset + length - 1 of the view into out, in increasing order.
// Returns true when every byte was copied. Returns false at the first page that cannot
// be read: the bytes before fault.offset are in out, the rest of out is untouched, and
// fault.error says why. The stretch must lie within the document; a closed document
// copies nothing and gives false with fault.offset at offset.
bool checkedCopy(const ViewBytes& doc, std::int64_t offset, std::int64_t length, std::uint8_t* out,
                 ReadFault& fault);

// Copies bytes offset .. offset + length - 1 of the view into out, every page that cannot
// be read as zeros. Returns true when every page could be read; otherwise appends the
// unreadable stretches to unreadable (one that continues the last stretch listed joins
// it, so consecutive calls over a file build one list) and sets its error when it had
// none. Throws std::bad_alloc when the list cannot grow; out is then partly written.
bool copyReadable(const ViewBytes& doc, std::int64_t offset, std::int64_t length, std::uint8_t* out,
                  UnreadableBytes& unreadable);

// The first page of offset .. offset + length - 1 that cannot be read, one byte of each
// page touched in increasing order: true with fault set when there is one.
bool findUnreadable(const ViewBytes& doc, std::int64_t offset, std::int64_t length, ReadFault& fault);

// Stores value at offset of the view and gives the byte it held in previous. Returns
// false, storing nothing, when the byte's page cannot be read (a private copy of the page
// is made from the file's).
bool checkedStore(ViewBytes& doc, std::int64_t offset, std::uint8_t value, std::uint8_t& previous,
                  ReadFault& fault);

// Exchanges bytes offset .. offset + length - 1 of the view with the length bytes of
// other: afterwards the view holds what other held and other what the view held. Returns
// false, changing neither, when a page of the stretch cannot be read (fault says where
// and why); pages already exchanged by then are put back.
bool checkedSwap(ViewBytes& doc, std::int64_t offset, std::int64_t length, std::uint8_t* other,
                 ReadFault& fault);

// Puts the length bytes of values into bytes offset .. offset + length - 1 of the view and
// what they held into before (a store that keeps the old bytes: a paste's first pass, an
// undo's), page by page, each read before it is written. Returns false, the view as it
// was, when a page of the stretch cannot be read (fault says where and why); pages stored
// by then are put back from before.
bool checkedReplace(ViewBytes& doc, std::int64_t offset, std::int64_t length, const std::uint8_t* values,
                    std::uint8_t* before, ReadFault& fault);

// Runs work() over the view in place: scans and formatters that read fileBytes directly.
// Returns true when it returned; false when it touched a page that cannot be read, with
// fault set (offset: the byte touched). work is cut off at that access, so it must hold
// nothing that needs undoing there (see runGuarded): plain loops over the view that write
// their results into plain variables or buffers are right; no allocation, no objects with
// destructors, no calls to the host.
template <class Work>
bool checkedRun(const ViewBytes& doc, Work& work, ReadFault& fault) {
    GuardedFault guarded;
    if (runGuarded(
            doc.fileBytes, doc.fileBytes + doc.fileSize,
            [](void* context) { (*static_cast<Work*>(context))(); }, &work, guarded))
        return true;
    fault.offset = guarded.address - doc.fileBytes;
    fault.error = guarded.error;
    return false;
}

// "Could not read <name>" with the system's text for error on a second line; the name is
// "(untitled)" when empty.
std::wstring unreadableMessage(const wchar_t* name, SystemError error);
// Shows it: caption "Quillix-64bit", MB_TASKMODAL | MB_ICONWARNING, OK only.
void reportUnreadable(ViewHost& host, BoxOwner owner, const wchar_t* name, SystemError error);

// Status part 0 while rows on screen cannot be read: "Cannot read the file: <text>".
inline constexpr wchar_t unreadableStatusPrefix[] = L"Cannot read the file: ";
std::wstring unreadableStatus(SystemError error);

// After a save into another file that wrote zeros for what could not be read: the
// unreadable message for the document's name, then "These bytes were saved into <saved>
// as zeros:" and the stretches as inclusive hex offsets ("00001000-000FFFFF"), the first
// eight of them and how many more.
std::wstring unreadableSaveMessage(const wchar_t* documentName, const wchar_t* savedName,
                                   const UnreadableBytes& unreadable);

}  // namespace quillix
