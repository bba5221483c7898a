/* What both kernel shells over the dispatch core (the shipped driver and the simulated board's
 * stand-in) do with an IRP: take a device-control request's code, lengths and buffer, complete a
 * request (bytes returned only on success), and answer create, close and anything else. */
#ifndef KRDRV_IRP_SHELL_H
#define KRDRV_IRP_SHELL_H

#include <ddk/wdm.h>

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

/* The device's own security decides who opens it; the request's security context is not needed
 * (and is null on some hosts). */
static NTSTATUS NTAPI KrdrvDispatchCreateClose(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    return KrdrvComplete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI KrdrvDispatchOther(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    return KrdrvComplete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
}

#endif /* KRDRV_IRP_SHELL_H */
