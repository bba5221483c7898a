// The start-up profile, the pending mark, the failed start-up's record and the hidden start.
#include "boot_guard.h"


#include "store_registry.h"
#include "text.h"

namespace tune {

namespace {

constexpr size_t kMaxRecordText = 2048;
constexpr DWORD kShiftPollMs = 50;
constexpr DWORD kWindowStepMs = 1000;

std::string Seconds(DWORD ms) { return Dec(ms / 1000); }

// Zero-filled to two (or more) digits.
std::string Two(uint32_t value) { return (value < 10 ? "0" : "") + Dec(value); }

// Record texts hold no line breaks of their own: a story is one line.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    return text;
}

}  // namespace

std::string LocalTimeText() {
    SYSTEMTIME time{};
    GetLocalTime(&time);
    return Cat(DecDigits(time.wYear), "-", Two(time.wMonth), "-", Two(time.wDay), " ",
               Two(time.wHour), ":", Two(time.wMinute), ":", Two(time.wSecond));
}

// --- Registry ---------------------------------------------------------------------------------

bool BootGuard::StartupProfile(std::string& name) const {
    RegistryKey key = OpenKey(root_, key_);
    std::string text;
    if (!ReadText(key.Get(), kStartupProfileValue, kMaxProfileName, text) || text.empty())
        return false;
    name = text;
    return true;
}

bool BootGuard::SetStartupProfile(const std::string& name, const ProfileStore& store,
                                  std::string& error) {
    Profile profile;
    if (store.Read(name, profile, error) != ProfileStore::Load::Ok) return false;
    RegistryKey key = CreateKey(root_, key_);
    if (!WriteText(key.Get(), kStartupProfileValue, name)) {
        error = "cannot write the start-up profile to the registry";
        return false;
    }
    return true;
}

bool BootGuard::ClearStartupProfile() {
    RegistryKey key = OpenKey(root_, key_);
    return !key || DeleteValue(key.Get(), kStartupProfileValue);
}

bool BootGuard::ReadRecord(const char* value, StartupRecord& record) const {
    RegistryKey key = OpenKey(root_, key_);
    std::string text;
    if (!ReadText(key.Get(), value, kMaxRecordText, text)) return false;
    StartupRecord parsed;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string name = line.substr(0, equals), content = line.substr(equals + 1);
        if (name == "when") parsed.when = content;
        else if (name == "profile") parsed.profile = content;
        else if (name == "step") parsed.step = content;
        else if (name == "story") parsed.story = content;
        else if (name == "told") parsed.told = content == "1";
    }
    record = parsed;
    return true;
}

bool BootGuard::WriteRecord(const char* value, const StartupRecord& record) {
    const std::string text =
        Cat("when=", OneLine(record.when), "\nprofile=", OneLine(record.profile),
            "\nstep=", OneLine(record.step), "\nstory=", OneLine(record.story),
            "\ntold=", (record.told ? "1" : "0"), "\n");
    RegistryKey key = CreateKey(root_, key_);
    return WriteText(key.Get(), value, text);
}

bool BootGuard::Pending(StartupRecord& record) const {
    return ReadRecord(kStartupPendingValue, record);
}
bool BootGuard::WritePending(const StartupRecord& record) {
    return WriteRecord(kStartupPendingValue, record);
}
bool BootGuard::ClearPending() {
    RegistryKey key = OpenKey(root_, key_);
    return !key || DeleteValue(key.Get(), kStartupPendingValue);
}

bool BootGuard::LastFailure(StartupRecord& record) const {
    return ReadRecord(kStartupFailedValue, record);
}
bool BootGuard::WriteFailure(const StartupRecord& record) {
    return WriteRecord(kStartupFailedValue, record);
}

std::string DescribeFailure(const StartupRecord& record) {
    std::string text =
        Cat("the start-up of ", (record.when.empty() ? "an unknown time" : record.when),
            " with profile \"", record.profile, "\" did not finish");
    if (!record.story.empty()) Append(text, ": ", record.story);
    return text;
}

bool BootGuard::TakeUntoldFailure(std::string& message) {
    StartupRecord record;
    if (!LastFailure(record) || record.told) return false;
    record.told = true;
    // Told means written as told: a record that cannot be marked is shown again next time
    // rather than lost.
    WriteFailure(record);
    message = DescribeFailure(record);
    return true;
}

// --- The hidden start -------------------------------------------------------------------------

StartupResult RunStartup(BootGuard& guard, const ProfileStore& store,
                         const std::function<std::string()>& boardIdentity,
                         const StartupApply& apply, const StartupOptions& options,
                         const StartupSeams& seams) {
    auto sleep = [&](DWORD ms) { seams.sleep ? seams.sleep(ms) : Sleep(ms); };
    auto shiftHeld = [&] {
        return seams.shiftHeld ? seams.shiftHeld() : (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0;
    };
    auto now = [&] { return seams.now ? seams.now() : LocalTimeText(); };
    StartupResult result;
    auto decide = [&](StartupOutcome outcome, const std::string& message) {
        result.outcome = outcome;
        result.message = message;
        if (seams.note) seams.note(message);
        return result;
    };

    // An earlier start-up that never cleared its mark: the machine hung or the program died
    // with the profile applied. Never try it again unasked.
    StartupRecord pending;
    if (guard.Pending(pending)) {
        result.profile = pending.profile;
        StartupRecord failure = pending;
        failure.told = false;
        failure.story =
            Cat("it stopped at step \"", pending.step,
                "\" (the program ended or Windows stopped before the stability "
                "window passed); nothing was applied at the next start and the start-up "
                "profile was switched off (kclktune startup set \"",
                pending.profile, "\" to use it again)");
        guard.WriteFailure(failure);
        guard.ClearStartupProfile();
        guard.ClearPending();
        return decide(StartupOutcome::PreviousUnfinished,
                      Cat("start-up refused: the previous start-up with profile \"",
                          pending.profile, "\" did not finish; start-up profile switched off"));
    }

    std::string name;
    if (!guard.StartupProfile(name))
        return decide(StartupOutcome::NothingSet, "no start-up profile");
    result.profile = name;
    Profile profile;
    std::string error;
    switch (store.Read(name, profile, error)) {
        case ProfileStore::Load::Ok: break;
        case ProfileStore::Load::Missing:
            return decide(
                StartupOutcome::ProfileMissing,
                Cat("the start-up profile \"", name, "\" no longer exists; nothing applied"));
        case ProfileStore::Load::Damaged:
            return decide(StartupOutcome::ProfileUnusable, Cat(error, "; nothing applied"));
    }
    if (!MatchesBoard(profile, boardIdentity ? boardIdentity() : std::string(), error))
        return decide(StartupOutcome::ProfileUnusable, Cat(error, "; nothing applied"));

    // The user's way out: Shift held at any moment of the delay.
    for (DWORD waited = 0;; waited += kShiftPollMs) {
        if (shiftHeld())
            return decide(StartupOutcome::Skipped,
                          Cat("start-up skipped: Shift held; profile \"", name, "\" not applied"));
        if (waited >= options.delayMs) break;
        sleep(kShiftPollMs);
    }

    StartupRecord mark;
    mark.when = now();
    mark.profile = name;
    mark.step = "applying";
    if (!guard.WritePending(mark))
        return decide(StartupOutcome::ApplyFailed,
                      "start-up not applied: the pending mark cannot be written");
    if (seams.note) seams.note(Cat("start-up applying profile \"", name, "\""));

    std::string story;
    if (!apply || !apply(profile.targets, story)) {
        StartupRecord failure = mark;
        failure.story = story.empty() ? "the apply failed" : story;
        guard.WriteFailure(failure);
        guard.ClearPending();
        return decide(StartupOutcome::ApplyFailed,
                      Cat("start-up with profile \"", name, "\" failed: ", failure.story));
    }

    mark.step = "verified";
    guard.WritePending(mark);
    if (seams.note)
        seams.note(Cat("start-up profile \"", name, "\" verified; waiting ",
                       Seconds(options.windowMs), " s"));
    for (DWORD waited = 0; waited < options.windowMs;) {
        const DWORD step = options.windowMs - waited < kWindowStepMs ? options.windowMs - waited
                                                                     : kWindowStepMs;
        sleep(step);
        waited += step;
    }
    guard.ClearPending();
    return decide(StartupOutcome::Applied, Cat("start-up profile \"", name, "\" applied and stable",
                                               story.empty() ? "" : ": ", story));
}

}  // namespace tune
