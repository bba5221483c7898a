/* The board behind the stand-in driver, as the kernel-mode shell (krdrv.c) sees it: plain C,
 * no ddk types, so the C++ side never meets the ddk headers and the shell never meets C++. */
#ifndef BOARD_DEVICE_H
#define BOARD_DEVICE_H

#include "dispatch_abi.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Powers the board on, in the driver image's static storage: it lives exactly as long as the
 * code that serves it, so a handle held across a stop can never reach freed memory. */
void BoardStart(void);
/* From now on requests on either device fail with STATUS_NO_SUCH_DEVICE: the driver is being
 * unloaded, and a handle opened before may still send requests. */
void BoardStop(void);

/* Requests on \\.\GpdDev and on \\.\GpdBoard. The result is the completion status;
 * *information is the byte count to return, 0 unless the status is a success. */
int32_t BoardGatewayRequest(const KrdrvIoRequest* request, uint32_t* information);
int32_t BoardControlRequest(const KrdrvIoRequest* request, uint32_t* information);

#ifdef __cplusplus
}
#endif

#endif /* BOARD_DEVICE_H */
