/* Routines of the running kernel found by name, for those that the oldest kernel the driver
 * loads on (NT 4.0) does not export: importing them would keep the driver from loading there. */
#ifndef KRDRV_KERNEL_EXPORTS_H
#define KRDRV_KERNEL_EXPORTS_H

#include <ddk/wdm.h>

typedef struct KernelImage {
    const UCHAR* base;
    SIZE_T size;
} KernelImage;

/* Finds the loaded kernel image (the module that holds the driver's own IoCreateDevice);
 * FALSE leaves *kernel empty, and KernelRoutine then finds nothing. PASSIVE_LEVEL only. */
BOOLEAN FindKernelImage(KernelImage* kernel);
/* The address of the kernel's export called `name`, or NULL. */
PVOID KernelRoutine(const KernelImage* kernel, const char* name);

#endif /* KRDRV_KERNEL_EXPORTS_H */
