/* What both kernel shells over the dispatch core (the shipped driver and the simulated board's
 * stand-in) do with an IRP: take a device-control request's code, lengths and buffer, complete a
 * request (bytes returned only on success), gather the facts of a create for the core's
 * decision, and answer close and anything else. */
#ifndef KRDRV_IRP_SHELL_H
#define KRDRV_IRP_SHELL_H

#include <ddk/wdm.h>

#include "create_access.h"
#include "dispatch_abi.h"

static inline NTSTATUS KrdrvComplete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = NT_SUCCESS(status) ? information : 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static inline void KrdrvRequestOf(PIRP irp, KrdrvIoRequest* request) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    request->ControlCode = stack->Parameters.DeviceIoControl.IoControlCode;
    request->InputLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    request->OutputLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    /* Only buffered codes have a system buffer; every code the core takes is buffered. */
    request->Buffer = METHOD_FROM_CTL_CODE(request->ControlCode) == METHOD_BUFFERED
                          ? irp->AssociatedIrp.SystemBuffer
                          : NULL;
}

/* SYSTEM and the administrators full access, nobody else any (the device's own DACL), laid out
 * as a self-relative security descriptor, owned by the administrators, to check a caller
 * against where that DACL could not be set on the device. */
typedef struct KrdrvAdministratorsOnly {
    UCHAR Revision, Sbz1;
    USHORT Control;
    ULONG Owner, Group, Sacl, Dacl;
    struct { UCHAR Revision, Count, Authority[6]; ULONG Sub[2]; } OwnerSid; /* S-1-5-32-544 */
    struct { UCHAR Revision, Count, Authority[6]; ULONG Sub[1]; } GroupSid; /* S-1-5-18 */
    struct { UCHAR Revision, Sbz1; USHORT Size, Count, Sbz2; } Acl;
    struct { UCHAR Type, Flags; USHORT Size; ULONG Mask;
             UCHAR Revision, Count, Authority[6]; ULONG Sub[1]; } SystemAce;
    struct { UCHAR Type, Flags; USHORT Size; ULONG Mask;
             UCHAR Revision, Count, Authority[6]; ULONG Sub[2]; } AdministratorsAce;
} KrdrvAdministratorsOnly;

_Static_assert(sizeof(KrdrvAdministratorsOnly) == 100, "the descriptor's layout, unpadded");

#define KRDRV_SE_DACL_PRESENT  0x0004
#define KRDRV_SE_SELF_RELATIVE 0x8000
#define KRDRV_NT_AUTHORITY     {0, 0, 0, 0, 0, 5}

static const KrdrvAdministratorsOnly kKrdrvAdministratorsOnly = {
    1, 0, KRDRV_SE_DACL_PRESENT | KRDRV_SE_SELF_RELATIVE,
    FIELD_OFFSET(KrdrvAdministratorsOnly, OwnerSid), FIELD_OFFSET(KrdrvAdministratorsOnly, GroupSid),
    0, FIELD_OFFSET(KrdrvAdministratorsOnly, Acl),
    {1, 2, KRDRV_NT_AUTHORITY, {32, 544}},
    {1, 1, KRDRV_NT_AUTHORITY, {18}},
    {2, 0, sizeof(KrdrvAdministratorsOnly) - FIELD_OFFSET(KrdrvAdministratorsOnly, Acl), 2, 0},
    {0 /* ACCESS_ALLOWED_ACE_TYPE */, 0, 20, FILE_ALL_ACCESS, 1, 1, KRDRV_NT_AUTHORITY, {18}},
    {0, 0, 24, FILE_ALL_ACCESS, 1, 2, KRDRV_NT_AUTHORITY, {32, 544}},
};

/* Whether the caller of a create (an IRP, the context) passes the administrators-only
 * descriptor, judged on the subject the I/O manager captured at the open. SeAccessCheck is an
 * NT 4.0 export; the core asks only when the create carries that subject (Wine passes none, and
 * its SeAccessCheck is a stub that would abort the driver host). */
static int KrdrvCallerIsAdministrator(void* context) {
    PIRP irp = (PIRP)context;
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    PIO_SECURITY_CONTEXT security = stack->Parameters.Create.SecurityContext;
    static GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE,
                                      FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
    ACCESS_MASK granted = 0;
    NTSTATUS status = STATUS_ACCESS_DENIED;
    BOOLEAN allowed;

    if (!security || !security->AccessState) return 0;
    allowed = SeAccessCheck((PSECURITY_DESCRIPTOR)&kKrdrvAdministratorsOnly,
                            &security->AccessState->SubjectSecurityContext, FALSE,
                            FILE_READ_DATA | FILE_WRITE_DATA, 0, NULL, &mapping,
                            irp->RequestorMode, &granted, &status);
    return allowed && NT_SUCCESS(status);
}

/* A create on a device: the shell gathers the facts, the core decides. `restricted`: the
 * device carries its administrators-only DACL. */
static NTSTATUS KrdrvCreate(PIRP irp, int restricted) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    PIO_SECURITY_CONTEXT security = stack->Parameters.Create.SecurityContext;
    KrdrvCreateFacts facts;
    facts.FileNameLength = stack->FileObject ? stack->FileObject->FileName.Length : 0;
    facts.FromUserMode = irp->RequestorMode != KernelMode;
    facts.DeviceRestricted = restricted;
    facts.HasSubjectContext = security && security->AccessState;
    return KrdrvComplete(irp, (NTSTATUS)KrdrvCreateStatus(&facts, KrdrvCallerIsAdministrator, irp),
                         0);
}

/* Cleanup and close: nothing is held per handle. */
static NTSTATUS NTAPI KrdrvDispatchCleanupClose(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    return KrdrvComplete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI KrdrvDispatchOther(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    return KrdrvComplete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
}

#endif /* KRDRV_IRP_SHELL_H */
