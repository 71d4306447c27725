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

    // The whole window text, however long. Read in UTF-16: under the UTF-8 code page the ANSI
    // length can be less than the text takes (a CJK character is 3 bytes, counted as 2), and the
    // text would come back cut.
    std::string GetText() const
    {
        const int length = GetWindowTextLengthW(hwnd_);
        if (length <= 0)
            return {};
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        const int copied = GetWindowTextW(hwnd_, text.data(), length + 1);
        text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
        return Narrow(text);
    }

    // UTF-16 text in the program's code page.
    static std::string Narrow(const std::wstring& wide)
    {
        if (wide.empty())
            return {};
        const int units = static_cast<int>(wide.size());
        const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
        if (bytes <= 0)
            return {};
        std::string text(static_cast<size_t>(bytes), '\0');
        const int written =
                WideCharToMultiByte(CP_ACP, 0, wide.data(), units, text.data(), bytes, nullptr, nullptr);
        text.resize(written > 0 ? static_cast<size_t>(written) : 0);
        return text;
    }

protected:
    HWND hwnd_ = nullptr;
};
