/* KrDrv stand-in: the kernel-mode shell around the simulated board. Two devices:
 * \Device\GpdDev, the port driver's gateway the library opens, and \Device\GpdBoard, the test
 * bench's control interface. Everything else about a request is decided in board_device.cpp
 * and the dispatch core it builds on. */
#include <ddk/wdm.h>

#include "board_device.h"
#include "irp_shell.h"

enum DeviceKind { kGatewayDevice = 1, kControlDevice = 2 };

typedef struct DeviceContext {
    ULONG Kind;
} DeviceContext;

static KMUTEX g_boardLock; /* one request at a time touches the board */
static PDEVICE_OBJECT g_gatewayDevice;
static PDEVICE_OBJECT g_controlDevice;

/* The devices carry the system's default security, as the shipped driver's where its DACL
 * cannot be set: the same decision, names below a device refused, administrators only. */
static NTSTATUS NTAPI DispatchCreate(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    return KrdrvCreate(irp, 0);
}

static NTSTATUS NTAPI DispatchDeviceControl(PDEVICE_OBJECT device, PIRP irp) {
    const DeviceContext* context = (const DeviceContext*)device->DeviceExtension;
    KrdrvIoRequest request;
    uint32_t information = 0;
    int32_t status;

    KrdrvRequestOf(irp, &request);

    KeWaitForSingleObject(&g_boardLock, Executive, KernelMode, FALSE, NULL);
    if (context->Kind == kGatewayDevice)
        status = BoardGatewayRequest(&request, &information);
    else
        status = BoardControlRequest(&request, &information);
    KeReleaseMutex(&g_boardLock, FALSE);

    return KrdrvComplete(irp, (NTSTATUS)status, information);
}

static void RemoveDevice(PDEVICE_OBJECT* device, PCWSTR link) {
    UNICODE_STRING name;
    if (!*device) return;
    RtlInitUnicodeString(&name, link);
    IoDeleteSymbolicLink(&name);
    IoDeleteDevice(*device);
    *device = NULL;
}

static void NTAPI DriverUnload(PDRIVER_OBJECT driver) {
    (void)driver;
    /* A handle opened before may still send requests; from now on they fail. */
    KeWaitForSingleObject(&g_boardLock, Executive, KernelMode, FALSE, NULL);
    BoardStop();
    KeReleaseMutex(&g_boardLock, FALSE);
    RemoveDevice(&g_controlDevice, L"\\DosDevices\\GpdBoard");
    RemoveDevice(&g_gatewayDevice, L"\\DosDevices\\GpdDev");
}

/* The link comes last, once the device is ready for requests. */
static NTSTATUS CreateDevice(PDRIVER_OBJECT driver, PCWSTR deviceName, PCWSTR linkName,
                             ULONG kind, PDEVICE_OBJECT* device) {
    UNICODE_STRING name, link;
    NTSTATUS status;
    RtlInitUnicodeString(&name, deviceName);
    status = IoCreateDevice(driver, sizeof(DeviceContext), &name, FILE_DEVICE_UNKNOWN, 0, FALSE,
                            device);
    if (!NT_SUCCESS(status)) {
        *device = NULL;
        return status;
    }
    ((DeviceContext*)(*device)->DeviceExtension)->Kind = kind;
    (*device)->Flags |= DO_BUFFERED_IO;
    (*device)->Flags &= ~DO_DEVICE_INITIALIZING;
    RtlInitUnicodeString(&link, linkName);
    status = IoCreateSymbolicLink(&link, &name);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(*device);
        *device = NULL;
    }
    return status;
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    NTSTATUS status;
    (void)registryPath;

    KeInitializeMutex(&g_boardLock, 0);
    for (ULONG i = 0; i <= IRP_MJ_MAXIMUM_FUNCTION; ++i) driver->MajorFunction[i] = KrdrvDispatchOther;
    driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
    driver->MajorFunction[IRP_MJ_CLEANUP] = KrdrvDispatchCleanupClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = KrdrvDispatchCleanupClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchDeviceControl;
    driver->DriverUnload = DriverUnload;

    BoardStart();
    status = CreateDevice(driver, L"\\Device\\GpdDev", L"\\DosDevices\\GpdDev", kGatewayDevice,
                          &g_gatewayDevice);
    if (!NT_SUCCESS(status)) return status;
    status = CreateDevice(driver, L"\\Device\\GpdBoard", L"\\DosDevices\\GpdBoard",
                          kControlDevice, &g_controlDevice);
    if (!NT_SUCCESS(status)) RemoveDevice(&g_gatewayDevice, L"\\DosDevices\\GpdDev");
    return status;
}
