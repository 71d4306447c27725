#pragma once
// A system handle closed when it goes out of scope (or when it is reset): a kernel handle
// (OwnedHandle) or a find handle (OwnedFind), which the system closes with another call.

#include <windows.h>

struct KernelHandleCloser {
    static bool Close(HANDLE handle) { return CloseHandle(handle) != 0; }
};

struct FindHandleCloser {
    static bool Close(HANDLE handle) { return FindClose(handle) != 0; }
};

template <class Closer> class BasicOwnedHandle {
public:
    BasicOwnedHandle() = default;
    explicit BasicOwnedHandle(HANDLE handle) : handle_(handle) { }
    ~BasicOwnedHandle() { Close(); }
    BasicOwnedHandle(const BasicOwnedHandle&) = delete;
    BasicOwnedHandle& operator=(const BasicOwnedHandle&) = delete;

    HANDLE Get() const { return handle_; }
    // Takes handle, closing the one held before.
    void Reset(HANDLE handle)
    {
        Close();
        handle_ = handle;
    }
    HANDLE* Receive()
    {
        Close();
        return &handle_;
    }
    // Functions fail with either null or INVALID_HANDLE_VALUE; neither is ever closed.
    bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    // Gives the handle up to the caller, who closes it.
    HANDLE Release()
    {
        const HANDLE handle = handle_;
        handle_ = nullptr;
        return handle;
    }
    // Closes keeping the last error of the step before, so that a failure that closes its handle
    // is still reported with its own cause. False when closing fails: a write the system held
    // back may fail only then.
    bool Close()
    {
        if (!Valid()) {
            handle_ = nullptr;
            return true;
        }
        const DWORD error = GetLastError();
        const bool ok = Closer::Close(handle_);
        handle_ = nullptr;
        if (ok)
            SetLastError(error);
        return ok;
    }

private:
    HANDLE handle_ = nullptr;
};

using OwnedHandle = BasicOwnedHandle<KernelHandleCloser>;
using OwnedFind = BasicOwnedHandle<FindHandleCloser>;
