// Named sets of targets kept per user below the tuning tool's key, each stamped with the board it
// was made on, so that a profile never reaches another board (and a processor change, which
// deletes the tool's key, takes the profiles with it). A profile is stored as one registry value
// written in one call: a save that dies half way leaves the previous version.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tune_items.h"

namespace tune {

// HKCU: the tuning tool's per-user key (ktray's processor check deletes it whole) and the
// profiles below it, one subkey per profile holding the value kProfileValue.
constexpr char kToolKey[] = "Software\\Corvane\\Kestrel4";
constexpr char kProfilesKey[] = "Software\\Corvane\\Kestrel4\\Profiles";
constexpr char kProfileValue[] = "Profile";

constexpr size_t kMaxProfileName = 64;
constexpr size_t kMaxProfileText = 4096;  // a stored or imported profile, in bytes

// The board identity a profile carries: FNV-1a (64-bit) over the identity words, low byte of
// each word first, and the number of words: "fnv1a64:0123456789abcdef/42".
std::string BoardIdentityText(const std::vector<uint16_t>& words);

// Names: 1 to 64 characters, no backslash (it would make a key path), no control characters,
// no blank at either end (the command line would hide it). Registry key names compare without
// regard to case, so "Fast" and "fast" are one profile.
enum class NameProblem { None, Empty, TooLong, Backslash, ControlCharacter, EdgeBlank };
NameProblem CheckProfileName(std::string_view name);
const char* NameProblemText(NameProblem problem);  // "" for None

struct Profile {
    std::string name;
    std::string identity;  // BoardIdentityText of the board it was made on
    TargetSet targets;
};

// The text form, stored in the registry and written to export files:
//   kclktune profile 1
//   name=<name>
//   board=<identity>
//   <item>=<decimal word>      one line per item, in the items' order
//   end
// Lines end with "\r\n" (files) or "\n"; both are read.
std::string ProfileText(const Profile& profile, const char* lineEnd = "\n");
// False with a one-line reason when the text is not one whole, sane profile: wrong header,
// unknown or repeated keys, words that are not numbers 0..65535, a bad name, no items, binary
// bytes, or no "end" line (a cut-off file).
bool ParseProfileText(std::string_view text, Profile& profile, std::string& error);

// True when the profile was made on the board with this identity; otherwise a one-line reason.
bool MatchesBoard(const Profile& profile, const std::string& identity, std::string& error);

class ProfileStore {
public:
    explicit ProfileStore(HKEY root = HKEY_CURRENT_USER, std::string key = kProfilesKey)
        : root_(root), key_(std::move(key)) {}

    // Names of the profiles present (a subkey without a readable profile is left out), sorted
    // without regard to case.
    std::vector<std::string> List() const;
    bool Exists(const std::string& name) const;

    enum class Load { Ok, Missing, Damaged };
    Load Read(const std::string& name, Profile& profile, std::string& error) const;

    // Replaces or creates the profile whole; the name must pass CheckProfileName.
    bool Save(const Profile& profile, std::string& error);
    bool Delete(const std::string& name, std::string& error);

    // For tests of a save that dies half way: called with the key open, just before the one
    // write of the profile's value.
    using BeforeWriteHook = void (*)(const Profile& profile);
    static void SetBeforeWriteHook(BeforeWriteHook hook);

private:
    std::string PathOf(const std::string& name) const { return key_ + "\\" + name; }
    HKEY root_;
    std::string key_;
};

// Export and import through plain text files ("\r\n" lines). Reading refuses files larger than
// kMaxProfileText, binary ones and cut-off ones, each with a one-line reason; the board check is
// the caller's (MatchesBoard), since an import names its own board.
bool ExportProfileFile(const Profile& profile, const std::string& path, std::string& error);
bool ReadProfileFile(const std::string& path, Profile& profile, std::string& error);

}  // namespace tune
