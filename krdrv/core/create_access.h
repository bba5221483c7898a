/* Who may open a driver's device: the facts a kernel shell gathers about one IRP_MJ_CREATE, and
 * the core's answer. Plain C and no kernel calls, so that the host tests decide the same way the
 * drivers do. */
#ifndef KRDRV_CREATE_ACCESS_H
#define KRDRV_CREATE_ACCESS_H

#include "dispatch_abi.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct KrdrvCreateFacts {
    uint32_t FileNameLength; /* bytes of the name after the device's own: \\.\GpdDev\x has 4 */
    int FromUserMode;        /* the create came from user mode */
    int DeviceRestricted;    /* the device carries its SYSTEM-and-administrators DACL */
    int HasSubjectContext;   /* the I/O manager passed the caller's security context (Windows
                                always does; Wine never, and its security routines abort) */
} KrdrvCreateFacts;

/* 1 when the creating caller is an administrator (or SYSTEM). Asked only when the answer
 * depends on it; the context is the shell's. */
typedef int (*KrdrvAdministratorCheck)(void* context);

/* STATUS_SUCCESS, or the status the create fails with: a name below the device
 * (STATUS_OBJECT_NAME_NOT_FOUND: the device has no namespace), or, on a device left with the
 * system's default security, a user-mode caller who is not an administrator
 * (STATUS_ACCESS_DENIED). Kernel-mode callers and callers the DACL has already let through
 * are not asked, nor is a create without a security context to ask about (a host that passes
 * none, Wine, has no access control of its own to stand in for). A null check counts as "not
 * an administrator". */
int32_t KrdrvCreateStatus(const KrdrvCreateFacts* facts, KrdrvAdministratorCheck isAdministrator,
                          void* context);

#ifdef __cplusplus
}
#endif

#endif /* KRDRV_CREATE_ACCESS_H */
