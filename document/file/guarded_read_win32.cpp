// The read guard on Windows. mingw has no __try, so the fault is caught by a vectored
// exception handler, added at the first guarded call and kept. It takes an
// EXCEPTION_IN_PAGE_ERROR (a volume gone, a disk that reports an error) or an access
// violation (what Wine raises for a page past the end of a file cut shorter) whose address
// lies in the range of a guard active on this thread. It notes where and why, points the
// thread's context at resumeAtGuard with the guard as argument, and continues execution
// there; resumeAtGuard jumps (__builtin_longjmp) to the recovery point runGuarded set with
// __builtin_setjmp.
//
// Why that is sound, on Windows and under Wine alike:
// - The fault is synchronous: the instruction that raised it belongs to the guarded work,
//   on this thread, and the handler runs on this thread before anything else of it does.
//   Continuing elsewhere abandons only that work, which may be abandoned (guarded_read.h).
//   No SEH frame needs unwinding: the work runs no destructor and holds nothing.
// - The context handed back is the faulting one with the instruction pointer, the first
//   argument and the stack pointer changed: the stack pointer moves a little below the
//   faulting one (the x64 ABI keeps nothing live below it), aligned as at a function's entry;
//   the direction flag is cleared as the ABI wants at any call.
// - GCC keeps a __builtin_setjmp point sound across the opaque call of the work: the function
//   that holds it saves every register the ABI makes the callee keep (rbx, rbp, rdi, rsi,
//   r12-r15, xmm6-xmm15) and restores them on either way out, and __builtin_longjmp puts back
//   its frame and stack pointer. So runGuarded returns to its caller as from any call.
// - The handler itself takes no lock and allocates nothing (a fault on any thread reaches
//   it): it reads the thread's innermost guard with TlsGetValue, and the last-error value is
//   kept as it was.
// - Wine raises the same exceptions through the same dispatcher (vectored handlers first),
//   and continues with the context the handler returns: the guard behaves the same there.

#include "document/file/guarded_read.h"

#include <windows.h>

namespace quillix {
namespace {

struct Guard {
    const std::uint8_t* begin;
    const std::uint8_t* end;
    Guard* outer;
    void* recovery[5];  // __builtin_setjmp's buffer
    // Written by the handler, read after the jump back.
    const std::uint8_t* volatile faultAddress;
    volatile SystemError error;
};

// Each thread's innermost guard, in a slot of the system's own thread storage: unlike the
// compiler's thread_local (emulated with a lock and an allocation at a thread's first use),
// TlsGetValue may be called from the handler on any thread that faults.
DWORD innermostSlot = TLS_OUT_OF_INDEXES;

Guard* innermostGuard() {
    const DWORD lastError = GetLastError();  // TlsGetValue clears it
    auto* guard = static_cast<Guard*>(TlsGetValue(innermostSlot));
    SetLastError(lastError);
    return guard;
}

using StatusToError = ULONG(WINAPI*)(LONG status);
StatusToError statusToError = nullptr;

// The Win32 code of an in-page error is the one its NTSTATUS maps to; an access violation
// inside the view (Wine's way of saying the page lies past the file's end), or a status
// the system has no code for, reads as a read fault.
SystemError errorOf(const EXCEPTION_RECORD& record) {
    if (record.ExceptionCode == EXCEPTION_IN_PAGE_ERROR && record.NumberParameters >= 3 && statusToError) {
        const ULONG code = statusToError(static_cast<LONG>(record.ExceptionInformation[2]));
        if (code != 0 && code != ERROR_MR_MID_NOT_FOUND) return code;
    }
    return ERROR_READ_FAULT;
}

[[noreturn]] __attribute__((noinline)) void resumeAtGuard(Guard* guard) {
    __builtin_longjmp(guard->recovery, 1);
}

LONG CALLBACK onException(EXCEPTION_POINTERS* pointers) {
    const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
    if (record.ExceptionCode != EXCEPTION_IN_PAGE_ERROR && record.ExceptionCode != EXCEPTION_ACCESS_VIOLATION)
        return EXCEPTION_CONTINUE_SEARCH;
    if (record.NumberParameters < 2) return EXCEPTION_CONTINUE_SEARCH;
    const auto* address = reinterpret_cast<const std::uint8_t*>(record.ExceptionInformation[1]);
    for (Guard* guard = innermostGuard(); guard; guard = guard->outer) {
        if (address < guard->begin || address >= guard->end) continue;
        guard->faultAddress = address;
        guard->error = errorOf(record);
        TlsSetValue(innermostSlot, guard->outer);
        CONTEXT& context = *pointers->ContextRecord;
        context.Rcx = reinterpret_cast<DWORD64>(guard);
        context.Rsp = ((context.Rsp - 256) & ~DWORD64{15}) - 8;
        context.EFlags &= ~DWORD{0x400};  // the direction flag
        context.Rip = reinterpret_cast<DWORD64>(&resumeAtGuard);
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

bool installHandler() {
    statusToError = reinterpret_cast<StatusToError>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlNtStatusToDosError")));
    innermostSlot = TlsAlloc();
    return innermostSlot != TLS_OUT_OF_INDEXES && AddVectoredExceptionHandler(1, onException) != nullptr;
}

}  // namespace

bool runGuarded(const std::uint8_t* begin, const std::uint8_t* end, void (*work)(void*), void* context,
                GuardedFault& fault) {
    static const bool installed = installHandler();
    if (!installed) {
        // Without the handler a fault ends the process, as it would with no guard at all.
        work(context);
        return true;
    }
    Guard guard;
    guard.begin = begin;
    guard.end = end;
    guard.outer = innermostGuard();
    guard.faultAddress = nullptr;
    guard.error = 0;
    if (__builtin_setjmp(guard.recovery) != 0) {
        fault.address = guard.faultAddress;
        fault.error = guard.error;
        return false;
    }
    TlsSetValue(innermostSlot, &guard);
    work(context);
    TlsSetValue(innermostSlot, guard.outer);
    return true;
}

}  // namespace quillix
