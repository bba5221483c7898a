// The board driver's record of the last request on its gateway (its control device
// \\.\GpdBoard): what the bench reads to see which requests reached the driver.
#pragma once

#include <windows.h>

#include "board_control.h"

namespace bench {

inline bool ReadLastBoardRequest(BoardLastRequest& record) {
    const HANDLE board = CreateFileA(BOARD_CONTROL_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE, 0,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (board == INVALID_HANDLE_VALUE) return false;
    DWORD returned = 0;
    const bool read = DeviceIoControl(board, BOARD_IOCTL_GET_LAST_REQUEST, nullptr, 0, &record,
                                      sizeof record, &returned, nullptr) &&
                      returned == sizeof record;
    CloseHandle(board);
    return read;
}

}  // namespace bench
