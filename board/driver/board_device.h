/* The board behind the stand-in driver, as the kernel-mode shell (krdrv.c) sees it: plain C,
 * no ddk types, so the C++ side never meets the ddk headers and the shell never meets C++. */
#ifndef BOARD_DEVICE_H
#define BOARD_DEVICE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The NTSTATUS values the board completes requests with. */
#define BOARD_STATUS_SUCCESS                ((int32_t)0x00000000)
#define BOARD_STATUS_INVALID_PARAMETER      ((int32_t)0xC000000D)
#define BOARD_STATUS_NO_SUCH_DEVICE         ((int32_t)0xC000000E)
#define BOARD_STATUS_INVALID_DEVICE_REQUEST ((int32_t)0xC0000010)
#define BOARD_STATUS_INSUFFICIENT_RESOURCES ((int32_t)0xC000009A)

/* One device-control request as the I/O manager hands it over (METHOD_BUFFERED: one system
 * buffer, the input in its first InputLength bytes, the output written over it). */
typedef struct BoardIoRequest {
    uint32_t ControlCode;
    void*    Buffer;  /* NULL when the caller sent no buffer */
    uint32_t InputLength;
    uint32_t OutputLength;
} BoardIoRequest;

/* Storage the shell provides (in its device extension) and powers on once. */
size_t BoardStorageSize(void);
void BoardPowerOn(void* storage);

/* Requests on \\.\GpdDev and on \\.\GpdBoard. The result is the completion status;
 * *information is the byte count to return, 0 unless the status is a success. */
int32_t BoardGatewayRequest(void* board, const BoardIoRequest* request, uint32_t* information);
int32_t BoardControlRequest(void* board, const BoardIoRequest* request, uint32_t* information);

#ifdef __cplusplus
}
#endif

#endif /* BOARD_DEVICE_H */
