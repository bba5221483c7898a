/* The plain-C seam between a driver's kernel shell and the dispatch core: one device-control
 * request as the I/O manager hands it over, the statuses it completes with, and the register
 * image a firmware trigger loads and stores back. No ddk types, so that the core never meets
 * the ddk headers and builds on any host. */
#ifndef KRDRV_DISPATCH_ABI_H
#define KRDRV_DISPATCH_ABI_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The NTSTATUS values requests (and creates) complete with. */
#define KRDRV_STATUS_SUCCESS                ((int32_t)0x00000000)
#define KRDRV_STATUS_INVALID_PARAMETER      ((int32_t)0xC000000D)
#define KRDRV_STATUS_NO_SUCH_DEVICE         ((int32_t)0xC000000E)
#define KRDRV_STATUS_INVALID_DEVICE_REQUEST ((int32_t)0xC0000010)
#define KRDRV_STATUS_OBJECT_NAME_NOT_FOUND  ((int32_t)0xC0000034)
#define KRDRV_STATUS_ACCESS_DENIED          ((int32_t)0xC0000022)
#define KRDRV_STATUS_INSUFFICIENT_RESOURCES ((int32_t)0xC000009A)
#define KRDRV_STATUS_DEVICE_REMOVED         ((int32_t)0xC00002B6)

/* METHOD_BUFFERED: one system buffer, the input in its first InputLength bytes, the output
 * written over it. */
typedef struct KrdrvIoRequest {
    uint32_t ControlCode;
    void*    Buffer;  /* NULL when the caller sent no buffer */
    uint32_t InputLength;
    uint32_t OutputLength;
} KrdrvIoRequest;

/* The processor registers a firmware trigger loads and the handler leaves. The layout is the
 * trigger routines' image: eax 0, ebx 4, ecx 8, edx 12, esi 16, edi 20, ebp 24. */
typedef struct KrdrvRegisters {
    uint32_t eax, ebx, ecx, edx, esi, edi, ebp;
} KrdrvRegisters;

/* Loads the registers, writes the trigger, stores the registers back. */
typedef void (*KrdrvTrigger)(KrdrvRegisters* registers);

#ifdef __cplusplus
}
static_assert(sizeof(KrdrvRegisters) == 28, "the trigger routines' image");
#endif

#endif /* KRDRV_DISPATCH_ABI_H */
