// Records every message box of this process and presses its default button, so that code that
// shows one can be tested unattended. Runs a watcher thread from construction to destruction.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

struct CaughtMessage {
    std::string caption;
    std::string text;
    bool hasIcon;  // an icon is shown (the library's framework boxes carry the exclamation)
};

class MessageBoxCatcher {
public:
    MessageBoxCatcher();
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    std::vector<CaughtMessage> Messages() const;
    void Clear();

private:
    void Watch();
    static BOOL CALLBACK OnWindow(HWND window, LPARAM self);

    mutable std::mutex mutex_;
    std::vector<CaughtMessage> messages_;
    std::vector<HWND> answered_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace testsupport
