#pragma once

#include <cstddef>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>

// From here on the kernel fails system call `nr` with `error`, in this
// process and every program it starts, as it fails calls that need a
// privilege or meet lockdown; with `flags`, only calls whose argument `arg`
// has one of them set. False where the kernel offers no such filter. Safe
// between fork and exec: it allocates nothing.
inline bool RefuseSystemCall(int nr, int error, int arg = 0, unsigned flags = 0)
{
#if defined(__x86_64__)
    constexpr unsigned arch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
    constexpr unsigned arch = AUDIT_ARCH_AARCH64;
#else
    return false;
#endif
    const sock_filter allow = BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW);
    sock_filter filter[9] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, arch, 1, 0),
        allow,
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
    };
    unsigned short size = 4;
    if (flags) {
        filter[size++] = BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, unsigned(nr), 0, 3);
        filter[size++] = BPF_STMT(BPF_LD | BPF_W | BPF_ABS, unsigned(offsetof(seccomp_data, args) + 8 * arg));
        filter[size++] = BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, flags, 0, 1);
    } else {
        filter[size++] = BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, unsigned(nr), 0, 1);
    }
    filter[size++] = BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (unsigned(error) & SECCOMP_RET_DATA));
    filter[size++] = allow;
    sock_fprog program {size, filter};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}
