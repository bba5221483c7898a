/* Finds the kernel's image through the loaded-module list (ZwQuerySystemInformation, exported
 * by the kernel since NT 4.0) and looks routines up in its export directory with the checked
 * reader of the core. The module taken is the one that holds the address the loader resolved
 * for the driver's own import of IoCreateDevice, so a list that names no real image (or the
 * wrong one first) yields nothing rather than a read of memory that is not there. */
#include <ddk/wdm.h>

#include "export_directory.h"
#include "kernel_exports.h"

#define SYSTEM_MODULE_INFORMATION 11
#define MODULE_LIST_TRIES 6
#define MODULE_LIST_LARGEST (1024 * 1024)

/* One entry of the list, as every NT kernel lays it out. */
typedef struct LoadedModule {
    HANDLE Section;
    PVOID MappedBase;
    PVOID ImageBase;
    ULONG ImageSize;
    ULONG Flags;
    USHORT LoadOrderIndex;
    USHORT InitOrderIndex;
    USHORT LoadCount;
    USHORT OffsetToFileName;
    UCHAR FullPathName[256];
} LoadedModule;

typedef struct LoadedModules {
    ULONG NumberOfModules;
    LoadedModule Modules[1];
} LoadedModules;

NTSYSAPI NTSTATUS NTAPI ZwQuerySystemInformation(ULONG informationClass, PVOID information,
                                                 ULONG length, PULONG returnLength);

/* The list in pool memory (free with ExFreePool), or NULL. */
static LoadedModules* QueryModules(ULONG* length) {
    ULONG size = 32 * 1024;
    int attempt;
    for (attempt = 0; attempt < MODULE_LIST_TRIES && size <= MODULE_LIST_LARGEST; ++attempt) {
        ULONG needed = 0;
        NTSTATUS status;
        LoadedModules* modules = (LoadedModules*)ExAllocatePool(PagedPool, size);
        if (!modules) return NULL;
        status = ZwQuerySystemInformation(SYSTEM_MODULE_INFORMATION, modules, size, &needed);
        if (NT_SUCCESS(status)) {
            *length = size;
            return modules;
        }
        ExFreePool(modules);
        if (status != STATUS_INFO_LENGTH_MISMATCH) return NULL;
        /* The list may grow between two calls, and kernels before 6.0 may not say how much
         * they need: twice the size, or more than was asked for where that is more. */
        size = needed + 4096 > size * 2 ? needed + 4096 : size * 2;
    }
    return NULL;
}

BOOLEAN FindKernelImage(KernelImage* kernel) {
    const ULONG_PTR known = (ULONG_PTR)&IoCreateDevice; /* the loader's resolved address */
    ULONG length = 0, i, count;
    LoadedModules* modules = QueryModules(&length);
    kernel->base = NULL;
    kernel->size = 0;
    if (!modules) return FALSE;
    count = modules->NumberOfModules;
    /* Only the entries the buffer holds. */
    if (count > (length - FIELD_OFFSET(LoadedModules, Modules)) / sizeof(LoadedModule))
        count = (length - FIELD_OFFSET(LoadedModules, Modules)) / sizeof(LoadedModule);
    for (i = 0; i < count; ++i) {
        const ULONG_PTR base = (ULONG_PTR)modules->Modules[i].ImageBase;
        const ULONG size = modules->Modules[i].ImageSize;
        if (base && known >= base && known - base < size) {
            kernel->base = (const UCHAR*)base;
            kernel->size = size;
            break;
        }
    }
    ExFreePool(modules);
    return kernel->base != NULL;
}

PVOID KernelRoutine(const KernelImage* kernel, const char* name) {
    uint32_t rva;
    if (!kernel->base) return NULL;
    rva = FindExportRva(kernel->base, kernel->size, name);
    return rva ? (PVOID)(kernel->base + rva) : NULL;
}
