// Owners for the Win32 handles the library opens: each closes what it holds exactly once, and
// each knows its own empty value (INVALID_HANDLE_VALUE for files, NULL for the others).
#pragma once

#include <windows.h>
#include <winsvc.h>

namespace kclk {

template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() = default;
    explicit UniqueHandle(Type handle) : handle_(handle) {}
    ~UniqueHandle() { Close(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    Type Get() const { return handle_; }
    explicit operator bool() const { return Traits::Valid(handle_); }

    // For APIs that return the handle through a pointer; closes what was held.
    Type* Receive() {
        Close();
        return &handle_;
    }
    Type Release() {
        Type handle = handle_;
        handle_ = Traits::Empty();
        return handle;
    }
    void Reset(Type handle = Traits::Empty()) {
        Close();
        handle_ = handle;
    }
    void Close() {
        if (Traits::Valid(handle_)) Traits::Close(handle_);
        handle_ = Traits::Empty();
    }

private:
    Type handle_ = Traits::Empty();
};

struct FileHandleTraits {
    using Type = HANDLE;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static bool Valid(Type h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(Type h) { CloseHandle(h); }
};

struct ServiceHandleTraits {
    using Type = SC_HANDLE;
    static Type Empty() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static void Close(Type h) { CloseServiceHandle(h); }
};

struct RegistryKeyTraits {
    using Type = HKEY;
    static Type Empty() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static void Close(Type h) { RegCloseKey(h); }
};

using FileHandle = UniqueHandle<FileHandleTraits>;
using ServiceHandle = UniqueHandle<ServiceHandleTraits>;
using RegistryKey = UniqueHandle<RegistryKeyTraits>;

}  // namespace kclk
