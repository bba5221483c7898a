/* KrDrv, the shipped port driver: the kernel-mode shell. It maps the BIOS area once at start for
 * the scan, creates \Device\GpdDev for administrators and SYSTEM, and hands every request to
 * the dispatch core, one at a time; the firmware trigger runs on processor 0. Where the system
 * cannot restrict the device, its creates admit administrators only. */
#include <ddk/wdm.h>

#include "device_security.h"
#include "irp_shell.h"
#include "kernel_exports.h"
#include "real_device.h"

#define BIOS_AREA_START 0xF0000
#define BIOS_AREA_SIZE  0x10000

#if defined(__x86_64__)
void krdrv_TriggerSmi(KrdrvRegisters* image);
void krdrv_TriggerFanSmi(KrdrvRegisters* image);
#define TRIGGER_TUNING krdrv_TriggerSmi
#define TRIGGER_FAN    krdrv_TriggerFanSmi
#else
/* The library's own direct-path routines (cdecl), the same image layout. */
void __cdecl kclk_TriggerSmi(KrdrvRegisters* image);
void __cdecl kclk_TriggerFanSmi(KrdrvRegisters* image);
#define TRIGGER_TUNING kclk_TriggerSmi
#define TRIGGER_FAN    kclk_TriggerFanSmi
#endif

typedef VOID(NTAPI* SetAffinityRoutine)(KAFFINITY);
typedef VOID(NTAPI* RevertAffinityRoutine)(VOID);

static KMUTEX g_requestLock; /* one request at a time reaches the firmware */
static PDEVICE_OBJECT g_device;
static BOOLEAN g_restricted; /* the device got its administrators-only DACL */
/* Looked up at start: the oldest kernels the driver loads on may lack them. */
static SetAffinityRoutine g_setSystemAffinity;
static RevertAffinityRoutine g_revertAffinity;

/* SMI handlers of this era assume they were entered from the boot processor. Without the
 * affinity routines the trigger runs where the request's thread runs. */
static void OnBootProcessor(KrdrvTrigger trigger, KrdrvRegisters* registers) {
    const BOOLEAN pinned = g_setSystemAffinity && g_revertAffinity;
    if (pinned) g_setSystemAffinity((KAFFINITY)1);
    trigger(registers);
    if (pinned) g_revertAffinity();
}
static void TriggerTuning(KrdrvRegisters* registers) {
    OnBootProcessor(TRIGGER_TUNING, registers);
}
static void TriggerFan(KrdrvRegisters* registers) { OnBootProcessor(TRIGGER_FAN, registers); }

/* Where the DACL could not be set, the administrators-only rule is applied here. */
static NTSTATUS NTAPI DispatchCreate(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    return KrdrvCreate(irp, g_restricted);
}

static NTSTATUS NTAPI DispatchDeviceControl(PDEVICE_OBJECT device, PIRP irp) {
    KrdrvIoRequest request;
    uint32_t information = 0;
    int32_t status;
    (void)device;

    KrdrvRequestOf(irp, &request);

    KeWaitForSingleObject(&g_requestLock, Executive, KernelMode, FALSE, NULL);
    status = RealDeviceRequest(&request, &information);
    KeReleaseMutex(&g_requestLock, FALSE);
    return KrdrvComplete(irp, (NTSTATUS)status, information);
}

static void NTAPI DriverUnload(PDRIVER_OBJECT driver) {
    UNICODE_STRING link;
    (void)driver;
    /* A handle opened before may still send requests; from now on they fail. */
    KeWaitForSingleObject(&g_requestLock, Executive, KernelMode, FALSE, NULL);
    RealDeviceStop();
    KeReleaseMutex(&g_requestLock, FALSE);
    RtlInitUnicodeString(&link, L"\\DosDevices\\GpdDev");
    IoDeleteSymbolicLink(&link);
    if (g_device) IoDeleteDevice(g_device);
    g_device = NULL;
}

/* Reads the firmware's tables once; an area that cannot be mapped holds none. */
static void ScanFirmware(void) {
    PHYSICAL_ADDRESS start;
    PVOID area;
    start.QuadPart = BIOS_AREA_START;
    area = MmMapIoSpace(start, BIOS_AREA_SIZE, MmNonCached);
    RealDeviceStart((const uint8_t*)area, area ? BIOS_AREA_SIZE : 0, TriggerTuning, TriggerFan);
    if (area) MmUnmapIoSpace(area, BIOS_AREA_SIZE);
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    UNICODE_STRING name, link;
    KernelImage kernel;
    NTSTATUS status;
    ULONG i;
    (void)registryPath;

    (void)FindKernelImage(&kernel); /* none found: only what every kernel exports */
    g_setSystemAffinity = (SetAffinityRoutine)KernelRoutine(&kernel, "KeSetSystemAffinityThread");
    g_revertAffinity = (RevertAffinityRoutine)KernelRoutine(&kernel, "KeRevertToUserAffinityThread");

    KeInitializeMutex(&g_requestLock, 0);
    for (i = 0; i <= IRP_MJ_MAXIMUM_FUNCTION; ++i) driver->MajorFunction[i] = KrdrvDispatchOther;
    driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
    driver->MajorFunction[IRP_MJ_CLEANUP] = KrdrvDispatchCleanupClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = KrdrvDispatchCleanupClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchDeviceControl;
    driver->DriverUnload = DriverUnload;

    ScanFirmware();

    RtlInitUnicodeString(&name, L"\\Device\\GpdDev");
    status = CreateAdministratorsDevice(&kernel, driver, &name, &g_device, &g_restricted);
    if (!NT_SUCCESS(status)) {
        g_device = NULL;
        return status;
    }
    g_device->Flags |= DO_BUFFERED_IO;
    g_device->Flags &= ~DO_DEVICE_INITIALIZING;

    /* The link comes last, once the device is ready for requests. */
    RtlInitUnicodeString(&link, L"\\DosDevices\\GpdDev");
    status = IoCreateSymbolicLink(&link, &name);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(g_device);
        g_device = NULL;
    }
    return status;
}
