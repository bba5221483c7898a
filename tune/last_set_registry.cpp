// The last confirmed change in the registry: one REG_BINARY value, written whole, read strictly.
#include "last_set.h"

#include <windows.h>

#include "win_handles.h"

namespace tune {

bool SaveLastSet(const LastSet& record) {
    kclk::RegistryKey key;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kTuneKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        key.Receive(), &disposition) != ERROR_SUCCESS)
        return false;
    const std::vector<uint8_t> bytes = EncodeLastSet(record);
    return RegSetValueExA(key.Get(), kLastSetValue, 0, REG_BINARY, bytes.data(),
                          static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

LastSetRead LoadLastSet(LastSet& record) {
    kclk::RegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kTuneKey, 0, KEY_QUERY_VALUE, key.Receive()) !=
        ERROR_SUCCESS)
        return LastSetRead::kMissing;
    std::vector<uint8_t> bytes(kLastSetBytes + 1);  // one more: a longer value is malformed
    DWORD type = 0, size = static_cast<DWORD>(bytes.size());
    const LONG status = RegQueryValueExA(key.Get(), kLastSetValue, nullptr, &type, bytes.data(), &size);
    if (status == ERROR_FILE_NOT_FOUND) return LastSetRead::kMissing;
    if (status != ERROR_SUCCESS || type != REG_BINARY) return LastSetRead::kMalformed;
    bytes.resize(size);
    return DecodeLastSet(bytes, record) ? LastSetRead::kFound : LastSetRead::kMalformed;
}

bool DeleteLastSet() {
    kclk::RegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kTuneKey, 0, KEY_SET_VALUE, key.Receive()) != ERROR_SUCCESS)
        return true;
    const LONG status = RegDeleteValueA(key.Get(), kLastSetValue);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

}  // namespace tune
