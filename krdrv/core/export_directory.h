/* Finds a routine by name in the export directory of a loaded PE image (the kernel's own), so
 * that the driver can use routines newer than the oldest kernel it loads on without importing
 * them. Plain C++ with no kernel calls: every offset the image gives is checked first. */
#ifndef KRDRV_EXPORT_DIRECTORY_H
#define KRDRV_EXPORT_DIRECTORY_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The relative address of the export called `name` in the image loaded at `image`, of which
 * `size` bytes may be read; 0 when there is no such export, when it is forwarded elsewhere, or
 * when the headers or the directory do not hold together. 32- and 64-bit images alike. Reads
 * nothing outside [image, image + size), and beyond the headers nothing outside the export
 * directory itself (a loaded kernel may have freed the pages of its other sections). */
uint32_t FindExportRva(const uint8_t* image, size_t size, const char* name);

#ifdef __cplusplus
}
#endif

#endif /* KRDRV_EXPORT_DIRECTORY_H */
