#include "profiles_page.h"

#include <vector>

#include "apply_session.h"
#include "board_snapshot.h"
#include "file_dialog.h"
#include "boot_guard.h"
#include "profiles.h"
#include "tool_options.h"
#include "tray_settings.h"

namespace kr4 {

namespace {

constexpr char kNoStartup[] = "(none)";
constexpr char kProfileFilter[] = "Profiles (*.txt)\0*.txt\0All files (*.*)\0*.*\0";

// The board's identity and its adjustable values in force; false with the reason when there is
// no tuning interface.
bool ReadBoard(std::string& identity, tune::TargetSet& values, std::string& error) {
    const tune::BoardSnapshot snapshot = tune::ReadBoardSnapshot();
    if (!snapshot.usable) {
        error = "no tuning interface on this computer; nothing was changed";
        return false;
    }
    identity = tune::BoardIdentityText(snapshot.IdentityWords());
    values = snapshot.ValuesInForce();
    return true;
}

bool AskFile(HWND owner, bool save, std::string& path) {
    FileQuestion question;
    question.save = save;
    question.filter = kProfileFilter;
    question.extension = "txt";
    return AskFileName(owner, question, path);
}

}  // namespace

void ProfilesPage::Refresh() {
    const tune::ProfileStore store;
    const std::vector<std::string> names = store.List();
    const HWND list = GetDlgItem(dialog_, IDC_PROF_LIST);
    const HWND startup = GetDlgItem(dialog_, IDC_PROF_STARTUP);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    SendMessageA(startup, CB_RESETCONTENT, 0, 0);
    SendMessageA(startup, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kNoStartup));
    tune::BootGuard guard;
    std::string current;
    const bool hasStartup = guard.StartupProfile(current);
    LRESULT chosen = 0;
    for (const std::string& name : names) {
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        const LRESULT at =
            SendMessageA(startup, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        if (hasStartup && lstrcmpiA(name.c_str(), current.c_str()) == 0) chosen = at;
    }
    SendMessageA(startup, CB_SETCURSEL, chosen, 0);
    Check(IDC_PROF_AUTOOVER, tune::ReadTraySettings().autoOver);

    std::string story;
    tune::StartupRecord record;
    if (guard.Pending(record))
        story = "A start-up apply of \"" + record.profile + "\" began " + record.when +
                " and has not finished its stability wait yet.";
    else if (guard.LastFailure(record))
        story = "The last start-up that did not finish: " + tune::DescribeFailure(record);
    else if (hasStartup)
        story = "At logon ktray starts this tool hidden (with auto over clock on), which "
                "applies \"" + current + "\" after a short wait; hold Shift at logon to skip it.";
    else
        story = "No profile is applied at logon.";
    SetControlText(IDC_PROF_GUARD, story);
}

std::string ProfilesPage::SelectedName() {
    const std::string name = ControlText(IDC_PROF_NAME);
    const tune::NameProblem problem = tune::CheckProfileName(name);
    if (problem != tune::NameProblem::None) {
        Say(IDC_PROF_MESSAGE, std::string("Name: ") + tune::NameProblemText(problem) +
                                  "; nothing was changed",
            IDC_PROF_NAME);
        return std::string();
    }
    return name;
}

void ProfilesPage::Command(int id, int code) {
    if (id == IDC_PROF_LIST && code == LBN_SELCHANGE) {
        const HWND list = GetDlgItem(dialog_, IDC_PROF_LIST);
        const LRESULT at = SendMessageA(list, LB_GETCURSEL, 0, 0);
        const LRESULT length = at == LB_ERR ? LB_ERR : SendMessageA(list, LB_GETTEXTLEN, at, 0);
        if (length == LB_ERR) return;
        std::vector<char> text(static_cast<size_t>(length) + 1);
        SendMessageA(list, LB_GETTEXT, at, reinterpret_cast<LPARAM>(text.data()));
        SetControlText(IDC_PROF_NAME, text.data());
        return;
    }
    if (code != BN_CLICKED) return;
    switch (id) {
    case IDC_PROF_SAVE: Save(); break;
    case IDC_PROF_APPLY: Apply(); break;
    case IDC_PROF_DELETE: Delete(); break;
    case IDC_PROF_EXPORT: Export(); break;
    case IDC_PROF_IMPORT: Import(); break;
    case IDC_PROF_STARTUP_SET: SetStartup(); break;
    case IDC_PROF_AUTOOVER: SetAutoOver(); break;
    default: break;
    }
}

void ProfilesPage::Save() {
    const std::string name = SelectedName();
    if (name.empty()) return;
    tune::Profile profile;
    profile.name = name;
    std::string error;
    if (!ReadBoard(profile.identity, profile.targets, error)) {
        Say(IDC_PROF_MESSAGE, error);
        return;
    }
    tune::ProfileStore store;
    if (store.Exists(name) &&
        MessageBoxA(Owner(),
                    ("Replace the profile \"" + name + "\" with the settings in force?").c_str(),
                    "Save profile", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    if (!store.Save(profile, error)) {
        Say(IDC_PROF_MESSAGE, error + "; nothing was changed");
        return;
    }
    JournalNote("kr4 profile save", name, "", "", "saved");
    Refresh();
    Say(IDC_PROF_MESSAGE, "Saved the settings in force as \"" + name + "\".");
}

void ProfilesPage::Apply() {
    const std::string name = SelectedName();
    if (name.empty()) return;
    tune::Profile profile;
    std::string error, identity;
    tune::TargetSet ignored;
    switch (tune::ProfileStore().Read(name, profile, error)) {
    case tune::ProfileStore::Load::Ok: break;
    case tune::ProfileStore::Load::Missing:
        Say(IDC_PROF_MESSAGE, "There is no profile \"" + name + "\".", IDC_PROF_NAME);
        return;
    case tune::ProfileStore::Load::Damaged:
        Say(IDC_PROF_MESSAGE, error + "; nothing was sent");
        return;
    }
    if (!ReadBoard(identity, ignored, error) || !tune::MatchesBoard(profile, identity, error)) {
        Say(IDC_PROF_MESSAGE, error + "; nothing was sent");
        return;
    }
    Say(IDC_PROF_MESSAGE, "Applying \"" + name + "\" step by step...");
    ApplyRequest request;
    request.owner = Owner();
    request.keepSeconds = options_.keepSeconds;
    Say(IDC_PROF_MESSAGE, "\"" + name + "\": " + ApplyTargets(profile.targets, request).text);
}

void ProfilesPage::Delete() {
    const std::string name = SelectedName();
    if (name.empty()) return;
    if (MessageBoxA(Owner(),
                    ("Delete the profile \"" + name + "\"?").c_str(), "Delete profile",
                    MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    std::string error, startup;
    if (!tune::ProfileStore().Delete(name, error)) {
        Say(IDC_PROF_MESSAGE, error, IDC_PROF_NAME);
        return;
    }
    tune::BootGuard guard;
    const bool wasStartup =
        guard.StartupProfile(startup) && lstrcmpiA(startup.c_str(), name.c_str()) == 0;
    if (wasStartup) guard.ClearStartupProfile();
    JournalNote("kr4 profile delete", name, "", "", "deleted");
    Refresh();
    Say(IDC_PROF_MESSAGE, "Deleted \"" + name + "\"" +
                              (wasStartup ? "; no profile is applied at logon now." : "."));
}

void ProfilesPage::Export() {
    const std::string name = SelectedName();
    if (name.empty()) return;
    tune::Profile profile;
    std::string error, path;
    if (tune::ProfileStore().Read(name, profile, error) != tune::ProfileStore::Load::Ok) {
        Say(IDC_PROF_MESSAGE, error.empty() ? "There is no profile \"" + name + "\"." : error,
            IDC_PROF_NAME);
        return;
    }
    if (!AskFile(Owner(), true, path)) return;
    if (!tune::ExportProfileFile(profile, path, error)) {
        Say(IDC_PROF_MESSAGE, error);
        return;
    }
    Say(IDC_PROF_MESSAGE, "Exported \"" + name + "\" to " + path + ".");
}

void ProfilesPage::Import() {
    std::string path, error, identity;
    if (!AskFile(Owner(), false, path)) return;
    tune::Profile profile;
    tune::TargetSet ignored;
    if (!tune::ReadProfileFile(path, profile, error) || !ReadBoard(identity, ignored, error) ||
        !tune::MatchesBoard(profile, identity, error)) {
        Say(IDC_PROF_MESSAGE, "Not imported: " + error);
        return;
    }
    tune::ProfileStore store;
    if (store.Exists(profile.name) &&
        MessageBoxA(Owner(),
                    ("Replace the profile \"" + profile.name + "\" with the imported one?").c_str(),
                    "Import profile", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    if (!store.Save(profile, error)) {
        Say(IDC_PROF_MESSAGE, "Not imported: " + error);
        return;
    }
    JournalNote("kr4 profile import", profile.name, "", "", path);
    Refresh();
    SetControlText(IDC_PROF_NAME, profile.name);
    Say(IDC_PROF_MESSAGE, "Imported \"" + profile.name + "\".");
}

void ProfilesPage::SetStartup() {
    const HWND startup = GetDlgItem(dialog_, IDC_PROF_STARTUP);
    const LRESULT at = SendMessageA(startup, CB_GETCURSEL, 0, 0);
    tune::BootGuard guard;
    std::string before, error;
    guard.StartupProfile(before);
    if (at <= 0) {
        guard.ClearStartupProfile();
        JournalNote("kr4 startup off", before, before, "", "off");
        Refresh();
        Say(IDC_PROF_MESSAGE, "No profile is applied at logon.");
        return;
    }
    std::vector<char> text(static_cast<size_t>(SendMessageA(startup, CB_GETLBTEXTLEN, at, 0)) + 1);
    SendMessageA(startup, CB_GETLBTEXT, at, reinterpret_cast<LPARAM>(text.data()));
    const std::string name = text.data();
    if (!guard.SetStartupProfile(name, tune::ProfileStore(), error)) {
        Say(IDC_PROF_MESSAGE, error, IDC_PROF_STARTUP);
        return;
    }
    JournalNote("kr4 startup set", name, before, name, "set");
    Refresh();
    Say(IDC_PROF_MESSAGE, "\"" + name + "\" is applied at logon" +
                              (tune::ReadTraySettings().autoOver
                                   ? "."
                                   : " once \"Auto over clock on next reboot\" is on."));
}

void ProfilesPage::SetAutoOver() {
    tune::TrayChanges changes;
    tune::TrayWriteResult result;
    std::string error;
    const bool on = Checked(IDC_PROF_AUTOOVER);
    if (!tune::ParseTrayAssignment(on ? "autoover=1" : "autoover=0", changes, error) ||
        !tune::WriteTraySettings(changes, result, error)) {
        Check(IDC_PROF_AUTOOVER, !on);
        Say(IDC_PROF_MESSAGE, error);
        return;
    }
    Refresh();
    Say(IDC_PROF_MESSAGE, on ? "ktray starts this tool hidden at the next logon, to apply the "
                               "start-up profile."
                             : "ktray does not start this tool at logon.");
}

}  // namespace kr4
