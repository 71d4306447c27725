// A window handle we refer to but do not own: destroying the wrapper leaves the window alone.
#pragma once
#include <windows.h>

#include <string>

class Window {
public:
    Window() = default;
    explicit Window(HWND hwnd) : hwnd_(hwnd) { }
    virtual ~Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    void Attach(HWND hwnd) { hwnd_ = hwnd; }
    HWND Handle() const { return hwnd_; }
    operator HWND() const { return hwnd_; }

    HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
    void Enable(bool enable) const { EnableWindow(hwnd_, enable ? TRUE : FALSE); }
    void Show(int command) const { ShowWindow(hwnd_, command); }
    void SetText(const char* text) const { SetWindowTextA(hwnd_, text); }

    // The whole window text, however long.
    std::string GetText() const
    {
        int length = GetWindowTextLengthA(hwnd_);
        if (length <= 0)
            return {};
        std::string text(static_cast<size_t>(length) + 1, '\0');
        int copied = GetWindowTextA(hwnd_, text.data(), length + 1);
        text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
        return text;
    }

protected:
    HWND hwnd_ = nullptr;
};
