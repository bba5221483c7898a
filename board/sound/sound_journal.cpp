// The journal lives in the registry so that it outlives the process that played: ktray plays,
// the test reads. It is read back strictly, so a value that someone else left too long, of
// another type or without its terminating zero never makes the stand-in read past its buffer.
#include "sound_journal.h"

#include <windows.h>

#include <cstring>

#include "bench_keys.h"

namespace sound {

void AppendToJournal(const char* entry) {
    bench::Key key;
    if (!key.Create(HKEY_CURRENT_USER, bench::kSoundKey)) return;

    // Room for the whole journal, its terminator and one more byte, so an oversized value shows.
    static char text[bench::kJournalLimit + 2];
    DWORD type = 0;
    DWORD size = sizeof text - 1;
    const LONG status = RegQueryValueExA(key.Get(), bench::kJournalValue, nullptr, &type,
                                         reinterpret_cast<BYTE*>(text), &size);
    if (status == ERROR_MORE_DATA) return;  // already past the limit
    if (status != ERROR_SUCCESS || type != REG_SZ) size = 0;
    text[size] = '\0';
    const size_t length = std::strlen(text);
    const size_t added = std::strlen(entry);
    if (length + added > bench::kJournalLimit) return;
    std::memcpy(text + length, entry, added + 1);
    RegSetValueExA(key.Get(), bench::kJournalValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(length + added + 1));
}

}  // namespace sound
