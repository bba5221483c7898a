// Who may open the device: a name below the device is refused always; on a device left with the
// system's default security (its DACL could not be set), a user-mode caller must be an
// administrator; the administrator check is asked only where the answer depends on it, and
// only about a caller whose security context came with the create.
#include <gtest/gtest.h>

#include "create_access.h"

namespace {

struct Check {
    int answer;
    int asked = 0;
};

int AskCheck(void* context) {
    Check* check = static_cast<Check*>(context);
    ++check->asked;
    return check->answer;
}

TEST(CreateAccess, DecidesByNameModeRestrictionAndAdministrator) {
    constexpr int32_t kOk = KRDRV_STATUS_SUCCESS;
    constexpr int32_t kNoName = KRDRV_STATUS_OBJECT_NAME_NOT_FOUND;
    constexpr int32_t kDenied = KRDRV_STATUS_ACCESS_DENIED;
    const struct {
        const char* what;
        uint32_t nameLength;
        int userMode, restricted, subject, administrator;
        int32_t status;
        bool asked;
    } kCases[] = {
        {"restricted device, user caller", 0, 1, 1, 1, 0, kOk, false},
        {"restricted device, kernel caller", 0, 0, 1, 1, 0, kOk, false},
        {"open device, administrator", 0, 1, 0, 1, 1, kOk, true},
        {"open device, other user", 0, 1, 0, 1, 0, kDenied, true},
        {"open device, kernel caller", 0, 0, 0, 1, 0, kOk, false},
        {"open device, no security context to ask about", 0, 1, 0, 0, 0, kOk, false},
        {"a name on a restricted device", 4, 1, 1, 1, 1, kNoName, false},
        {"a name on an open device, administrator", 4, 1, 0, 1, 1, kNoName, false},
        {"a name without a security context", 4, 1, 0, 0, 1, kNoName, false},
        {"a name from kernel mode", 2, 0, 1, 1, 1, kNoName, false},
        {"the longest name", 0xFFFE, 1, 0, 1, 1, kNoName, false},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        const KrdrvCreateFacts facts = {c.nameLength, c.userMode, c.restricted, c.subject};
        Check check{c.administrator};
        EXPECT_EQ(c.status, KrdrvCreateStatus(&facts, AskCheck, &check));
        EXPECT_EQ(c.asked ? 1 : 0, check.asked);
    }
}

TEST(CreateAccess, WithoutAnAnswerNobodyButTheDaclsOwnGetsIn) {
    const KrdrvCreateFacts open = {0, 1, 0, 1};
    EXPECT_EQ(KRDRV_STATUS_ACCESS_DENIED, KrdrvCreateStatus(&open, nullptr, nullptr));
    const KrdrvCreateFacts restricted = {0, 1, 1, 1};
    EXPECT_EQ(KRDRV_STATUS_SUCCESS, KrdrvCreateStatus(&restricted, nullptr, nullptr));
    EXPECT_EQ(KRDRV_STATUS_INVALID_PARAMETER, KrdrvCreateStatus(nullptr, nullptr, nullptr));
}

}  // namespace
