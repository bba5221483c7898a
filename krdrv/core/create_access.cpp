// The create decision. The device's DACL, where it could be set, already keeps everyone but
// SYSTEM and the administrators out; where it could not (a kernel without the routines that set
// it), every control code is FILE_ANY_ACCESS, so the same rule is applied here instead.
#include "create_access.h"

extern "C" int32_t KrdrvCreateStatus(const KrdrvCreateFacts* facts,
                                     KrdrvAdministratorCheck isAdministrator, void* context) {
    if (!facts) return KRDRV_STATUS_INVALID_PARAMETER;
    // \\.\GpdDev\anything would otherwise open the device under a name its DACL may not cover.
    if (facts->FileNameLength != 0) return KRDRV_STATUS_OBJECT_NAME_NOT_FOUND;
    if (!facts->FromUserMode || facts->DeviceRestricted || !facts->HasSubjectContext)
        return KRDRV_STATUS_SUCCESS;
    return isAdministrator && isAdministrator(context) ? KRDRV_STATUS_SUCCESS
                                                       : KRDRV_STATUS_ACCESS_DENIED;
}
