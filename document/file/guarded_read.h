#pragma once
// Reading the mapped view when its file may no longer be readable. Another program may cut
// the file shorter, its volume may go away (a USB stick pulled out, a network share that
// dropped), its disk may report a read error: the system then cannot bring a page of the
// view in, and the instruction that touched it faults (EXCEPTION_IN_PAGE_ERROR on Windows,
// an access violation under Wine, SIGBUS elsewhere), which would end the process and every
// unsaved edit with it.
//
// runGuarded is the one place that turns such a fault into a result. It sets one recovery
// point and runs a piece of work; should the work touch a page of the given range that
// cannot be brought in, the platform's fault handler (guarded_read_win32.cpp,
// guarded_read_posix.cpp) abandons the work at that access and returns to the recovery
// point. The program reads the view only through the checked operations of checked_view.h,
// which call this once per call (a chunk of a few MiB, a paint, a copy), never per byte.

#include <cstdint>

#include "document/file/file_system.h"

namespace quillix {

// A place in the document's view that could not be read, and why.
struct ReadFault {
    std::int64_t offset = -1;  // the first byte that could not be read; -1 while none
    SystemError error = 0;     // the system's code: a Win32 error code (errno elsewhere)
    bool happened() const { return offset >= 0; }
};

// Where a guarded piece of work was cut off, and why.
struct GuardedFault {
    const std::uint8_t* address = nullptr;  // the address whose page could not be brought in
    SystemError error = 0;                  // the system's code for why
};

// Runs work(context) and returns true when it returned. Returns false when the work touched
// a page of begin .. end - 1 that the system could not bring in: the work was abandoned at
// that access and fault says where and why. A fault outside the range, or of another kind,
// is left to the system as if there were no guard.
//
// The work is cut off without running anything more of its own, so it must hold nothing
// that needs undoing at any access to the range: no object with a destructor, no memory
// or lock it took, no record of the program's left half-written. The checked operations
// keep to that; code elsewhere uses them rather than this.
//
// Guards may nest on a thread; the innermost whose range holds the address takes the
// fault. The cost is one saved register set per call.
bool runGuarded(const std::uint8_t* begin, const std::uint8_t* end, void (*work)(void* context),
                void* context, GuardedFault& fault);

}  // namespace quillix
