// The record of every call on the sound stand-in, for tests to read back in order.
#pragma once

namespace sound {

// Appends entry to the journal; an entry that would take the journal past its limit is dropped
// whole, so the journal always holds complete entries.
void AppendToJournal(const char* entry);

}  // namespace sound
