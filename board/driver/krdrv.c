/* KrDrv stand-in: the kernel-mode shell around the simulated board. Two devices:
 * \Device\GpdDev, the port driver's gateway the library opens, and \Device\GpdBoard, the test
 * bench's control interface. Everything else about a request is decided in board_device.cpp. */
#include <ddk/wdm.h>

#include "board_device.h"

/* The compiler may emit calls to these for struct copies; the driver links no C runtime. */
void* memcpy(void* dst, const void* src, size_t n) {
    unsigned char* d = (unsigned char*)dst;
    const unsigned char* s = (const unsigned char*)src;
    while (n--) *d++ = *s++;
    return dst;
}

void* memset(void* dst, int value, size_t n) {
    unsigned char* d = (unsigned char*)dst;
    while (n--) *d++ = (unsigned char)value;
    return dst;
}

enum DeviceKind { kGatewayDevice = 1, kControlDevice = 2 };

typedef struct DeviceContext {
    ULONG Kind;
    void* Board; /* the gateway device's storage; the control device borrows it */
} DeviceContext;

/* The board's storage follows the context in the gateway device's extension. */
#define BOARD_OFFSET ((sizeof(DeviceContext) + 15) & ~(size_t)15)

static KMUTEX g_boardLock; /* one request at a time touches the board */
static PDEVICE_OBJECT g_gatewayDevice;
static PDEVICE_OBJECT g_controlDevice;

static NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = NT_SUCCESS(status) ? information : 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS NTAPI DispatchCreateClose(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI DispatchDeviceControl(PDEVICE_OBJECT device, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    DeviceContext* context = (DeviceContext*)device->DeviceExtension;
    BoardIoRequest request;
    uint32_t information = 0;
    int32_t status;

    request.ControlCode = stack->Parameters.DeviceIoControl.IoControlCode;
    request.InputLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    request.OutputLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    /* Only buffered codes have a system buffer; every code the board knows is buffered. */
    request.Buffer = METHOD_FROM_CTL_CODE(request.ControlCode) == METHOD_BUFFERED
                         ? irp->AssociatedIrp.SystemBuffer
                         : NULL;

    KeWaitForSingleObject(&g_boardLock, Executive, KernelMode, FALSE, NULL);
    if (context->Kind == kGatewayDevice)
        status = BoardGatewayRequest(context->Board, &request, &information);
    else
        status = BoardControlRequest(context->Board, &request, &information);
    KeReleaseMutex(&g_boardLock, FALSE);

    return Complete(irp, (NTSTATUS)status, information);
}

static NTSTATUS NTAPI DispatchOther(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    return Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
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
    RemoveDevice(&g_controlDevice, L"\\DosDevices\\GpdBoard");
    RemoveDevice(&g_gatewayDevice, L"\\DosDevices\\GpdDev");
}

static NTSTATUS CreateDevice(PDRIVER_OBJECT driver, PCWSTR deviceName, ULONG extensionSize,
                             PDEVICE_OBJECT* device) {
    UNICODE_STRING name;
    NTSTATUS status;
    RtlInitUnicodeString(&name, deviceName);
    status = IoCreateDevice(driver, extensionSize, &name, FILE_DEVICE_UNKNOWN, 0, FALSE, device);
    if (!NT_SUCCESS(status)) {
        *device = NULL;
        return status;
    }
    (*device)->Flags |= DO_BUFFERED_IO;
    (*device)->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

/* The link comes last, once the device is ready for requests. */
static NTSTATUS Publish(PDEVICE_OBJECT* device, PCWSTR deviceName, PCWSTR linkName) {
    UNICODE_STRING name, link;
    NTSTATUS status;
    RtlInitUnicodeString(&name, deviceName);
    RtlInitUnicodeString(&link, linkName);
    status = IoCreateSymbolicLink(&link, &name);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(*device);
        *device = NULL;
    }
    return status;
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    DeviceContext* gateway;
    DeviceContext* control;
    NTSTATUS status;
    (void)registryPath;

    KeInitializeMutex(&g_boardLock, 0);
    for (ULONG i = 0; i <= IRP_MJ_MAXIMUM_FUNCTION; ++i) driver->MajorFunction[i] = DispatchOther;
    driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreateClose;
    driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchCreateClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchCreateClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchDeviceControl;
    driver->DriverUnload = DriverUnload;

    status = CreateDevice(driver, L"\\Device\\GpdDev", (ULONG)(BOARD_OFFSET + BoardStorageSize()),
                          &g_gatewayDevice);
    if (!NT_SUCCESS(status)) return status;
    gateway = (DeviceContext*)g_gatewayDevice->DeviceExtension;
    gateway->Kind = kGatewayDevice;
    gateway->Board = (char*)gateway + BOARD_OFFSET;
    BoardPowerOn(gateway->Board);
    status = Publish(&g_gatewayDevice, L"\\Device\\GpdDev", L"\\DosDevices\\GpdDev");
    if (!NT_SUCCESS(status)) return status;

    status = CreateDevice(driver, L"\\Device\\GpdBoard", sizeof(DeviceContext), &g_controlDevice);
    if (NT_SUCCESS(status)) {
        control = (DeviceContext*)g_controlDevice->DeviceExtension;
        control->Kind = kControlDevice;
        control->Board = gateway->Board;
        status = Publish(&g_controlDevice, L"\\Device\\GpdBoard", L"\\DosDevices\\GpdBoard");
    }
    if (!NT_SUCCESS(status)) RemoveDevice(&g_gatewayDevice, L"\\DosDevices\\GpdDev");
    return status;
}
