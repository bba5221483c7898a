/* Preloaded into 32-bit Wine when it runs under qemu-i386 (scripts/i386-emulation.sh). QEMU's
 * user-mode emulator delivers SIGSEGV with the trap number -1 in the signal context, and Wine
 * tells faults apart by that number: a privileged instruction (the kit's trapped port writes)
 * and a read of an unreadable page would both reach the program as an illegal instruction. This
 * puts the number a kernel gives back before Wine's handler runs: 14 for a page fault (QEMU's
 * error code is right), 13 for a general-protection fault. Built for i386; the x86_64 build is
 * empty, so that the preload list names a file for either kind of process. */
#define _GNU_SOURCE
#include <signal.h>
#ifdef __i386__
#include <dlfcn.h>
#include <stddef.h>
#include <ucontext.h>

typedef void (*info_handler)(int, siginfo_t*, void*);
static info_handler segv_handler;

static void put_trap_number(int sig, siginfo_t* info, void* context) {
    ucontext_t* uc = context;
    if ((int)uc->uc_mcontext.gregs[REG_TRAPNO] < 0)
        uc->uc_mcontext.gregs[REG_TRAPNO] =
            (info->si_code == SEGV_MAPERR || info->si_code == SEGV_ACCERR) ? 14 : 13;
    segv_handler(sig, info, context);
}

int sigaction(int sig, const struct sigaction* action, struct sigaction* old) {
    static int (*next)(int, const struct sigaction*, struct sigaction*);
    if (!next) next = (int (*)(int, const struct sigaction*, struct sigaction*))dlsym(RTLD_NEXT, "sigaction");
    if (sig == SIGSEGV && action && (action->sa_flags & SA_SIGINFO) &&
        action->sa_sigaction != put_trap_number) {
        struct sigaction wrapped = *action;
        segv_handler = action->sa_sigaction;
        wrapped.sa_sigaction = put_trap_number;
        return next(sig, &wrapped, old);
    }
    return next(sig, action, old);
}
#endif
