/* The gateway device, made for administrators and SYSTEM only where the system can say so. */
#ifndef KRDRV_DEVICE_SECURITY_H
#define KRDRV_DEVICE_SECURITY_H

#include <ddk/wdm.h>

#include "kernel_exports.h"

/* The routines the DACL needs are looked up in `kernel` (which may be empty). *restricted
 * tells whether the device got the DACL; without it the device has the system's default
 * security, and the create dispatch must keep other users out itself. */
NTSTATUS CreateAdministratorsDevice(const KernelImage* kernel, PDRIVER_OBJECT driver,
                                    PUNICODE_STRING name, PDEVICE_OBJECT* device,
                                    BOOLEAN* restricted);

#endif /* KRDRV_DEVICE_SECURITY_H */
