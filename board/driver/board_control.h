/* The test bench's control interface of the KrDrv stand-in: a second device, \\.\GpdBoard,
 * through which tests and tools set up the simulated board behind \\.\GpdDev and read back
 * what reached it. Plain C with fixed-width types: the driver and user-mode code share it. */
#ifndef BOARD_CONTROL_H
#define BOARD_CONTROL_H

#include <stddef.h>
#include <stdint.h>

#define BOARD_CONTROL_DEVICE_PATH "\\\\.\\GpdBoard"

/* Device type 0x9C41 (the gateway's is 0x9C40), METHOD_BUFFERED, FILE_ANY_ACCESS. Every code
 * takes exactly the buffers named; anything else fails with STATUS_INVALID_PARAMETER. */
#define BOARD_CTL_CODE(function) (0x9C410000u + 4u * (uint32_t)(function))

#define BOARD_IOCTL_GET_INFO           BOARD_CTL_CODE(0x900) /* out: BoardInfo */
#define BOARD_IOCTL_GET_CONFIG         BOARD_CTL_CODE(0x901) /* out: BoardConfig */
#define BOARD_IOCTL_SET_CONFIG         BOARD_CTL_CODE(0x902) /* in: BoardConfig */
#define BOARD_IOCTL_FAIL_CODE          BOARD_CTL_CODE(0x903) /* in: BoardFailure */
#define BOARD_IOCTL_RESET_FIRMWARE     BOARD_CTL_CODE(0x904) /* no buffers */
#define BOARD_IOCTL_RESET_BOARD        BOARD_CTL_CODE(0x905) /* no buffers */
#define BOARD_IOCTL_GET_FIRMWARE_STATE BOARD_CTL_CODE(0x906) /* out: FirmwareStateSize bytes */
#define BOARD_IOCTL_SET_FIRMWARE_STATE BOARD_CTL_CODE(0x907) /* in: FirmwareStateSize bytes */
#define BOARD_IOCTL_GET_LAST_REQUEST   BOARD_CTL_CODE(0x908) /* out: BoardLastRequest */

#define BOARD_CONTROL_VERSION 1u
#define BOARD_FAILURE_SLOTS 8u
#define BOARD_RECORDED_INPUT 52u /* the larger of the two request blocks */

#pragma pack(push, 1)

typedef struct BoardInfo {
    uint32_t Version;            /* BOARD_CONTROL_VERSION */
    uint32_t FirmwareStateSize;  /* sizeof(board::FirmwareModel) in the driver */
    uint32_t FailureSlots;       /* codes that can be made to fail at once */
    uint32_t Reserved;
} BoardInfo;

/* What the board offers. Defaults at power-on: interface present at port 0xB2 with command
 * 0xEF, fan interface present. */
typedef struct BoardConfig {
    uint8_t  InterfacePresent;     /* 0: the interface query fails, no trigger is answered */
    uint8_t  TuningCommand;        /* AL the tuning handler answers */
    uint16_t TuningPort;           /* DX the tuning handler answers */
    uint8_t  FanInterfacePresent;  /* 0: the three smart-fan codes fail */
    uint8_t  Reserved[3];          /* must be 0 */
} BoardConfig;

/* Makes one gateway control code fail with Status (an error status, severity bits 11);
 * Status 0 lets the code through again. */
typedef struct BoardFailure {
    uint32_t ControlCode;
    int32_t  Status;
} BoardFailure;

/* The last device-control request \\.\GpdDev received, whatever became of it. */
typedef struct BoardLastRequest {
    uint32_t RequestCount;  /* device-control requests on GpdDev since the board powered on */
    uint32_t ControlCode;
    uint32_t InputLength;   /* as sent */
    uint32_t OutputLength;
    int32_t  Status;        /* what the request completed with */
    uint8_t  Triggered;     /* a tuning trigger was raised (the registers below are valid) */
    uint8_t  Answered;      /* the firmware answered it: port and command matched */
    uint8_t  Reserved[2];
    /* The registers the trigger carried, before the firmware ran. */
    uint32_t TriggerEAX, TriggerEBX, TriggerECX, TriggerEDX, TriggerESI, TriggerEDI, TriggerEBP;
    /* The first min(InputLength, 52) bytes exactly as they arrived; the rest zero. */
    uint8_t  Input[BOARD_RECORDED_INPUT];
} BoardLastRequest;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(BoardInfo) == 16, "");
static_assert(sizeof(BoardConfig) == 8, "");
static_assert(sizeof(BoardFailure) == 8, "");
static_assert(offsetof(BoardLastRequest, TriggerEAX) == 24, "");
static_assert(sizeof(BoardLastRequest) == 104, "");
#endif

#endif /* BOARD_CONTROL_H */
