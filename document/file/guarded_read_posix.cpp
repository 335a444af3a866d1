// The read guard on POSIX systems: a page of a mapped file past its end (the file was cut
// shorter) or one the disk cannot deliver raises SIGBUS on the touching instruction. One
// handler for SIGBUS and SIGSEGV, installed at the first guarded call and kept, jumps back
// to the recovery point of the innermost guard whose range holds the faulting address.
//
// Why that is sound: the fault is synchronous, raised by an instruction of the guarded
// work on this thread, so the handler interrupts nothing but that work, which may be
// abandoned (guarded_read.h). sigsetjmp saves the registers the caller relies on and
// siglongjmp restores them, so runGuarded returns to its caller as from any call. The
// handler is installed with SA_NODEFER: the signal is not blocked while it runs, so
// leaving it by a jump leaves the signal mask as it was, and the next fault is caught too;
// nor does sigsetjmp need to save the mask, which would cost a system call per guard.
// Faults the guard does not own go on to the handler that was there before (a sanitizer's,
// or the system's default, which ends the process as without the guard), run as the system
// would have run it: on the alternate signal stack when it asked for one (this handler then
// runs there too), with the signals it asked to block blocked.

#include "document/file/guarded_read.h"

#include <cerrno>
#include <csetjmp>
#include <csignal>

namespace quillix {
namespace {

struct Guard {
    const std::uint8_t* begin;
    const std::uint8_t* end;
    Guard* outer;
    sigjmp_buf recovery;
    // Written by the handler, read after the jump back.
    const std::uint8_t* volatile faultAddress;
    volatile SystemError error;
};

thread_local Guard* innermost = nullptr;

struct sigaction previousBus;
struct sigaction previousSegv;

void handOn(int signal, siginfo_t* info, void* context) {
    struct sigaction& previous = signal == SIGBUS ? previousBus : previousSegv;
    if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        sigset_t blocked = previous.sa_mask, before;
        if (!(previous.sa_flags & SA_NODEFER)) sigaddset(&blocked, signal);
        pthread_sigmask(SIG_BLOCK, &blocked, &before);
        if (previous.sa_flags & SA_SIGINFO)
            previous.sa_sigaction(signal, info, context);
        else
            previous.sa_handler(signal);
        pthread_sigmask(SIG_SETMASK, &before, nullptr);
        return;
    }
    // The default action: put it back, and the access runs again and ends the process.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
}

void onFault(int signal, siginfo_t* info, void* context) {
    const auto* address = static_cast<const std::uint8_t*>(info->si_addr);
    for (Guard* guard = innermost; guard; guard = guard->outer) {
        if (address < guard->begin || address >= guard->end) continue;
        guard->faultAddress = address;
        guard->error = signal == SIGBUS ? EIO : EFAULT;
        innermost = guard->outer;
        siglongjmp(guard->recovery, 1);
    }
    handOn(signal, info, context);
}

bool install(int signal, struct sigaction& previous) {
    if (sigaction(signal, nullptr, &previous) != 0) return false;
    struct sigaction action {};
    action.sa_sigaction = onFault;
    action.sa_flags = SA_SIGINFO | SA_NODEFER | (previous.sa_flags & SA_ONSTACK);
    sigemptyset(&action.sa_mask);
    return sigaction(signal, &action, nullptr) == 0;
}

bool installHandler() { return install(SIGBUS, previousBus) && install(SIGSEGV, previousSegv); }

}  // namespace

bool runGuarded(const std::uint8_t* begin, const std::uint8_t* end, void (*work)(void*), void* context,
                GuardedFault& fault) {
    static const bool installed = installHandler();
    (void)installed;
    Guard guard;
    guard.begin = begin;
    guard.end = end;
    guard.outer = innermost;
    guard.faultAddress = nullptr;
    guard.error = 0;
    if (sigsetjmp(guard.recovery, 0) != 0) {
        fault.address = guard.faultAddress;
        fault.error = guard.error;
        return false;
    }
    innermost = &guard;
    work(context);
    innermost = guard.outer;
    return true;
}

}  // namespace quillix
