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
#define BOARD_IOCTL_SET_FAULTS         BOARD_CTL_CODE(0x909) /* in: BoardFaults */
#define BOARD_IOCTL_GET_FAULTS         BOARD_CTL_CODE(0x90A) /* out: BoardFaults */
#define BOARD_IOCTL_GET_HISTORY        BOARD_CTL_CODE(0x90B) /* out: BoardSetHistory */
#define BOARD_IOCTL_CLEAR_HISTORY      BOARD_CTL_CODE(0x90C) /* no buffers */
/* The reset button, no buffers: the clocks go to the boot preset (as a SetClock may have stored
 * it), voltages, ratio, CIA and MIB to their power-on values, the hang ends and the sets are
 * counted afresh; tables, limits, presets, fan items, the firmware's counters, the config,
 * failures, faults and history stay. RESET_FIRMWARE and RESET_BOARD clear faults and history. */
#define BOARD_IOCTL_REBOOT             BOARD_CTL_CODE(0x90D)

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

/* Faults of a firmware that misbehaves, for tests of a careful client. A "set" is a request that
 * changes a setting: SetClock (AH B6h), the three voltage sets, the ratio set and the two
 * accelerator controls; probes (SetClockProb) are not sets but are recorded in the history.
 * Sets are counted from 1 since the faults were last written (or the board rebooted); a set that
 * arrives while the board hangs is not counted. The faults hit only requests the firmware would
 * have performed: one it refuses on its own is answered as always. */
#define BOARD_SET_FAULT_NONE     0u
#define BOARD_SET_FAULT_IGNORE   1u /* answers "done" (and BX as a success) but changes nothing */
#define BOARD_SET_FAULT_MISMATCH 2u /* answers "done" (and BX as a success of the value asked
                                       for) but applies a neighbour: the next table entry
                                       (lower first) of a voltage, ratio or CIA level, MIB the
                                       other state, the clock generator the FSB one discrete
                                       step or 1 MHz lower (else higher); the first neighbour
                                       the firmware accepts, else the value asked for */
typedef struct BoardFaults {
    uint8_t  SetFault;       /* BOARD_SET_FAULT_* */
    uint8_t  Reserved[3];    /* must be 0 */
    uint32_t FaultFromSet;   /* SetFault hits sets from this one on (0 or 1: the first) */
    uint32_t RefuseFromSet;  /* 0: none; this set and every later one, and the probes made for
                                them (any probe while the next set would be refused), are
                                refused with 8602h, nothing changed; BX: for the clock generator
                                the problem bit of the first word that would change (the FSB's
                                when none would), otherwise the setting in force. Takes
                                precedence over SetFault. */
    uint16_t HangAboveFsb;   /* 0: none; once a set leaves the FSB in force above it (MHz x
                                100) the board hangs: that set is answered, then no trigger is
                                answered until BOARD_IOCTL_REBOOT (AX keeps the trigger word) */
    uint8_t  Hung;           /* out only (ignored when written): the board hangs now */
    uint8_t  Reserved2;      /* must be 0 */
    uint32_t SetCount;       /* out only (ignored when written): sets received since the faults
                                were written or the board rebooted */
} BoardFaults;

/* Every probe and set the firmware received, in order (the oldest dropped past the capacity);
 * requests sent while the board hangs never reach it. Kept across BOARD_IOCTL_REBOOT, cleared
 * by BOARD_IOCTL_CLEAR_HISTORY, RESET_FIRMWARE and RESET_BOARD. */
#define BOARD_HISTORY_CAPACITY 128u
#define BOARD_HISTORY_PROBE    1u /* SetClockProb */
#define BOARD_HISTORY_SET      2u
typedef struct BoardHistoryEntry {
    uint32_t Sequence;   /* from 1 since the history was cleared */
    uint8_t  Kind;       /* BOARD_HISTORY_PROBE or BOARD_HISTORY_SET */
    uint8_t  Operation;  /* AH */
    uint8_t  Device;     /* BL */
    uint8_t  Reserved;
    uint32_t EBX, ECX, ESI, EDI, EBP;  /* the request's registers as the firmware saw them
                                          (a SetClockProb's fourth word in EBP) */
    uint16_t Status;     /* AX the firmware answered, faults included */
    uint16_t Answer;     /* BX the firmware answered */
} BoardHistoryEntry;

typedef struct BoardSetHistory {
    uint32_t Count;    /* entries recorded since the history was cleared (may exceed capacity) */
    uint32_t Stored;   /* entries below, oldest first: min(Count, BOARD_HISTORY_CAPACITY) */
    BoardHistoryEntry Entries[BOARD_HISTORY_CAPACITY];
} BoardSetHistory;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(BoardInfo) == 16, "");
static_assert(sizeof(BoardConfig) == 8, "");
static_assert(sizeof(BoardFailure) == 8, "");
static_assert(offsetof(BoardLastRequest, TriggerEAX) == 24, "");
static_assert(sizeof(BoardLastRequest) == 104, "");
static_assert(sizeof(BoardFaults) == 20, "");
static_assert(sizeof(BoardHistoryEntry) == 32, "");
static_assert(sizeof(BoardSetHistory) == 8 + 32 * BOARD_HISTORY_CAPACITY, "");
#endif

#endif /* BOARD_CONTROL_H */
