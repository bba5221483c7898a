/* The gateway device for administrators and SYSTEM only. Where the system has
 * IoCreateDeviceSecure, the device is made with that DACL; elsewhere it is made plainly and the
 * same DACL is set on it afterwards. Every routine of the security path is looked up in the
 * kernel's exports at run time, so that the driver loads everywhere; when one is missing the
 * device keeps the system's default security, and the caller is told so. */
#include <ddk/wdm.h>

#include "device_security.h"

typedef NTSTATUS(NTAPI* CreateDeviceSecureRoutine)(PDRIVER_OBJECT, ULONG, PUNICODE_STRING,
                                                   DEVICE_TYPE, ULONG, BOOLEAN,
                                                   PCUNICODE_STRING, LPCGUID, PDEVICE_OBJECT*);
typedef NTSTATUS(NTAPI* CreateAclRoutine)(PACL, ULONG, ULONG);
typedef NTSTATUS(NTAPI* AddAllowedAceRoutine)(PACL, ULONG, ACCESS_MASK, PVOID);
typedef NTSTATUS(NTAPI* CreateDescriptorRoutine)(PSECURITY_DESCRIPTOR, ULONG);
typedef NTSTATUS(NTAPI* SetDaclRoutine)(PSECURITY_DESCRIPTOR, BOOLEAN, PACL, BOOLEAN);
typedef NTSTATUS(NTAPI* SetSecurityRoutine)(HANDLE, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR);
typedef NTSTATUS(NTAPI* OpenByPointerRoutine)(PVOID, ULONG, PACCESS_STATE, ACCESS_MASK,
                                              POBJECT_TYPE, KPROCESSOR_MODE, PHANDLE);

/* Full access for SYSTEM and the administrators, nothing for anyone else. */
static const WCHAR kDeviceSddl[] = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)";
/* The device's class, which IoCreateDeviceSecure wants for its own override key. */
static const GUID kDeviceClass = {0x5a3c2e71, 0x8d4b, 0x4f2e,
                                  {0x9b, 0x61, 0x27, 0xc4, 0x0e, 0x8a, 0xd3, 0x15}};
/* S-1-5-18 (SYSTEM) and S-1-5-32-544 (Administrators), as the system lays SIDs out. */
static ULONG kSystemSid[] = {0x00000101, 0x05000000, 18};
static ULONG kAdministratorsSid[] = {0x00000201, 0x05000000, 32, 544};

#define DACL_INFORMATION 0x00000004 /* DACL_SECURITY_INFORMATION */
#define ACL_REVISION_2 2

/* Sets the DACL on the device through a kernel handle to it. */
static NTSTATUS RestrictDevice(const KernelImage* kernel, PDEVICE_OBJECT device) {
    const CreateAclRoutine createAcl = (CreateAclRoutine)KernelRoutine(kernel, "RtlCreateAcl");
    const AddAllowedAceRoutine addAce =
        (AddAllowedAceRoutine)KernelRoutine(kernel, "RtlAddAccessAllowedAce");
    const CreateDescriptorRoutine createDescriptor =
        (CreateDescriptorRoutine)KernelRoutine(kernel, "RtlCreateSecurityDescriptor");
    const SetDaclRoutine setDacl =
        (SetDaclRoutine)KernelRoutine(kernel, "RtlSetDaclSecurityDescriptor");
    const OpenByPointerRoutine openByPointer =
        (OpenByPointerRoutine)KernelRoutine(kernel, "ObOpenObjectByPointer");
    const SetSecurityRoutine setSecurity =
        (SetSecurityRoutine)KernelRoutine(kernel, "ZwSetSecurityObject");
    ULONG_PTR aclBuffer[32];        /* 128 or 256 bytes, aligned: room for two ACEs */
    ULONG_PTR descriptorBuffer[8];  /* an absolute security descriptor */
    PACL acl = (PACL)aclBuffer;
    HANDLE handle;
    NTSTATUS status;

    if (!createAcl || !addAce || !createDescriptor || !setDacl || !openByPointer || !setSecurity)
        return STATUS_NOT_IMPLEMENTED;
    status = createAcl(acl, sizeof(aclBuffer), ACL_REVISION_2);
    if (NT_SUCCESS(status)) status = addAce(acl, ACL_REVISION_2, GENERIC_ALL, kSystemSid);
    if (NT_SUCCESS(status)) status = addAce(acl, ACL_REVISION_2, GENERIC_ALL, kAdministratorsSid);
    if (NT_SUCCESS(status)) status = createDescriptor(descriptorBuffer, 1);
    if (NT_SUCCESS(status)) status = setDacl(descriptorBuffer, TRUE, acl, FALSE);
    if (!NT_SUCCESS(status)) return status;

    status = openByPointer(device, OBJ_KERNEL_HANDLE, NULL, WRITE_DAC, NULL, KernelMode, &handle);
    if (!NT_SUCCESS(status)) return status;
    status = setSecurity(handle, DACL_INFORMATION, descriptorBuffer);
    ZwClose(handle);
    return status;
}

NTSTATUS CreateAdministratorsDevice(const KernelImage* kernel, PDRIVER_OBJECT driver,
                                    PUNICODE_STRING name, PDEVICE_OBJECT* device,
                                    BOOLEAN* restricted) {
    const CreateDeviceSecureRoutine createSecure =
        (CreateDeviceSecureRoutine)KernelRoutine(kernel, "IoCreateDeviceSecure");
    NTSTATUS status;
    *restricted = FALSE;
    if (createSecure) {
        UNICODE_STRING sddl;
        RtlInitUnicodeString(&sddl, kDeviceSddl);
        status = createSecure(driver, 0, name, FILE_DEVICE_UNKNOWN, FILE_DEVICE_SECURE_OPEN,
                              FALSE, &sddl, &kDeviceClass, device);
        *restricted = NT_SUCCESS(status);
        return status;
    }
    status = IoCreateDevice(driver, 0, name, FILE_DEVICE_UNKNOWN, FILE_DEVICE_SECURE_OPEN, FALSE,
                            device);
    /* Else the default security: the create dispatch then admits administrators only. */
    if (NT_SUCCESS(status)) *restricted = NT_SUCCESS(RestrictDevice(kernel, *device));
    return status;
}
