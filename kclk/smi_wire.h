/* The wire format between kclk and the port driver: the two request blocks and the control
 * codes. The driver includes this header too, so it stays plain C with fixed-width types. */
#ifndef KCLK_SMI_WIRE_H
#define KCLK_SMI_WIRE_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)

/* Image of the firmware call's registers, 48 bytes, little-endian. */
typedef struct SmiRegisterBlock {
    uint16_t SmiPort;     /* 0: in: SMI port; out of the interface query: the port */
    uint8_t  SmiCommand;  /* 2: in: SMI command value; out of the interface query: the value */
    uint8_t  Reserved3;
    uint32_t Reserved4;
    uint16_t RegAX;       /* 8: out: firmware status word */
    uint16_t RegBX;       /* 10: out: main result word */
    uint16_t RegCX;       /* 12: in: word argument; out: limit word */
    uint16_t Reserved14;
    uint16_t RegSI;       /* 16: in: table index or control word; out: CIA status */
    uint16_t Reserved18;
    uint32_t Reserved20;
    uint32_t RegEBX;      /* 24 */
    uint32_t RegECX;      /* 28 */
    uint32_t RegEDX;      /* 32 */
    uint32_t RegESI;      /* 36 */
    uint32_t RegEDI;      /* 40 */
    uint32_t RegEBP;      /* 44 */
} SmiRegisterBlock;

/* The smart-fan requests' block: the library writes only FanSmiPort (direct path). */
typedef struct FanRequestBlock {
    uint16_t FanSmiPort;
    uint8_t  Reserved[50];
} FanRequestBlock;

#pragma pack(pop)

/* Device type 0x9C40, METHOD_BUFFERED, FILE_ANY_ACCESS: 0x9C400000 + 4 * function. */
#define KCLK_CTL_CODE(function) (0x9C400000u + 4u * (uint32_t)(function))

#define KCLK_IOCTL_INTERFACE_QUERY 0x9C402540u /* Check_KRVer, SupOverClock */
#define KCLK_IOCTL_SET_CLOCK       0x9C4025D0u /* SetClockProb and SetClock */
#define KCLK_IOCTL_SMART_FAN_CHECK 0x9C402500u
#define KCLK_IOCTL_SMART_FAN_ON    0x9C402504u
#define KCLK_IOCTL_SMART_FAN_OFF   0x9C402508u

#define KCLK_DEVICE_PATH "\\\\.\\GpdDev"

#ifdef __cplusplus
static_assert(sizeof(SmiRegisterBlock) == 48, "SmiRegisterBlock is 48 bytes on the wire");
static_assert(offsetof(SmiRegisterBlock, SmiCommand) == 2, "");
static_assert(offsetof(SmiRegisterBlock, RegAX) == 8, "");
static_assert(offsetof(SmiRegisterBlock, RegBX) == 10, "");
static_assert(offsetof(SmiRegisterBlock, RegCX) == 12, "");
static_assert(offsetof(SmiRegisterBlock, RegSI) == 16, "");
static_assert(offsetof(SmiRegisterBlock, RegEBX) == 24, "");
static_assert(offsetof(SmiRegisterBlock, RegECX) == 28, "");
static_assert(offsetof(SmiRegisterBlock, RegEDX) == 32, "");
static_assert(offsetof(SmiRegisterBlock, RegESI) == 36, "");
static_assert(offsetof(SmiRegisterBlock, RegEDI) == 40, "");
static_assert(offsetof(SmiRegisterBlock, RegEBP) == 44, "");
static_assert(sizeof(FanRequestBlock) == 52, "FanRequestBlock is 52 bytes on the wire");
static_assert(KCLK_CTL_CODE(0x950) == KCLK_IOCTL_INTERFACE_QUERY, "");
#endif

#endif /* KCLK_SMI_WIRE_H */
