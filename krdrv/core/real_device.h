/* The shipped driver's device as its kernel shell sees it: plain C, no ddk types. The shell
 * maps the BIOS area, hands it over once at start, and then passes every request through. */
#ifndef KRDRV_REAL_DEVICE_H
#define KRDRV_REAL_DEVICE_H

#include "dispatch_abi.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Scans the BIOS-area image (biosArea may be NULL: nothing found) and sets the device up in
 * the driver's static storage. The triggers are the shell's, run on processor 0. */
void RealDeviceStart(const uint8_t* biosArea, size_t size, KrdrvTrigger tuning,
                     KrdrvTrigger fan);
/* From now on every request fails with STATUS_NO_SUCH_DEVICE: the driver is being unloaded, and
 * a handle opened before may still send requests. */
void RealDeviceStop(void);
/* 1 when the scan found a tuning interface, 0 otherwise. */
int RealDeviceHasInterface(void);
/* A request on \\.\GpdDev; *information is 0 unless the status is a success. */
int32_t RealDeviceRequest(const KrdrvIoRequest* request, uint32_t* information);

#ifdef __cplusplus
}
#endif

#endif /* KRDRV_REAL_DEVICE_H */
