// The start-up profile and the guard around applying it when the tuning tool is started hidden
// at logon. Before the apply a "pending" mark is written; it is cleared only after the apply was
// verified and the process stayed up for a stability window. A mark still there at the next
// hidden start means that start-up never finished (a hang, a crash, a reset): that start applies
// nothing, moves the mark's story to a "last failed start-up" record, switches the start-up
// profile off, and the user is told once.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "profiles.h"
#include "tune_items.h"

namespace tune {

// Values of the tuning tool's per-user key (kToolKey); each is one text, written whole.
constexpr char kStartupProfileValue[] = "StartupProfile";
constexpr char kStartupPendingValue[] = "StartupPending";
constexpr char kStartupFailedValue[] = "StartupFailed";

// A pending mark or a failed start-up's record: "key=value" lines.
struct StartupRecord {
    std::string when;     // local time the start-up began, "YYYY-MM-DD HH:MM:SS"
    std::string profile;  // the start-up profile's name
    std::string step;     // how far it got: "applying", "verified"
    std::string story;    // failed record: what happened
    bool told = false;    // failed record: the user has seen it
};

class BootGuard {
public:
    explicit BootGuard(HKEY root = HKEY_CURRENT_USER, std::string key = kToolKey)
        : root_(root), key_(std::move(key)) {}

    // The profile the hidden start applies; false when none is set.
    bool StartupProfile(std::string& name) const;
    // Refuses (one-line reason) a name that is not a profile of store.
    bool SetStartupProfile(const std::string& name, const ProfileStore& store, std::string& error);
    bool ClearStartupProfile();

    bool Pending(StartupRecord& record) const;
    bool WritePending(const StartupRecord& record);
    bool ClearPending();

    bool LastFailure(StartupRecord& record) const;
    bool WriteFailure(const StartupRecord& record);

    // The failed start-up the user has not been told of yet, as one line; marks it told, so
    // every program of the kit (console or dialog) shows it once. False when there is none.
    bool TakeUntoldFailure(std::string& message);

private:
    bool ReadRecord(const char* value, StartupRecord& record) const;
    bool WriteRecord(const char* value, const StartupRecord& record);
    HKEY root_;
    std::string key_;
};

// One line on a failed start-up, as the user reads it.
std::string DescribeFailure(const StartupRecord& record);

struct StartupOptions {
    DWORD delayMs = 15000;    // before the apply; Shift held during it skips the apply
    DWORD windowMs = 120000;  // the apply must stay up this long before the mark goes
};

// What the hidden start depends on outside itself; tests replace each.
struct StartupSeams {
    std::function<bool()> shiftHeld;       // default: GetAsyncKeyState(VK_SHIFT)
    std::function<void(DWORD)> sleep;      // default: Sleep
    std::function<std::string()> now;      // default: local time "YYYY-MM-DD HH:MM:SS"
    std::function<void(const std::string&)> note;  // each decision, for the journal
};

enum class StartupOutcome {
    NothingSet,          // no start-up profile
    PreviousUnfinished,  // an earlier start-up left its mark: nothing applied, start-up off
    ProfileMissing,      // the start-up profile no longer exists
    ProfileUnusable,     // damaged, or made on another board
    Skipped,             // Shift during the delay
    ApplyFailed,         // the apply said no (rolled back); recorded for the user
    Applied,             // applied, verified and stable: the mark is gone
};

struct StartupResult {
    StartupOutcome outcome = StartupOutcome::NothingSet;
    std::string profile;
    std::string message;  // one line
};

// The apply: true when verified; story says what happened either way.
using StartupApply = std::function<bool(const TargetSet& targets, std::string& story)>;

// The hidden start. boardIdentity is asked only when there is a profile to check.
StartupResult RunStartup(BootGuard& guard, const ProfileStore& store,
                         const std::function<std::string()>& boardIdentity,
                         const StartupApply& apply, const StartupOptions& options,
                         const StartupSeams& seams = StartupSeams());

// The local time as the records give it.
std::string LocalTimeText();

}  // namespace tune
