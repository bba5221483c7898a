/* The gateway device, made for administrators and SYSTEM only where the system can say so. */
#ifndef KRDRV_DEVICE_SECURITY_H
#define KRDRV_DEVICE_SECURITY_H

#include <ddk/wdm.h>

NTSTATUS CreateAdministratorsDevice(PDRIVER_OBJECT driver, PUNICODE_STRING name,
                                    PDEVICE_OBJECT* device);

#endif /* KRDRV_DEVICE_SECURITY_H */
