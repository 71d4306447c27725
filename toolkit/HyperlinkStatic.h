// A static text that works as a web link: link colours, an underline, a hand cursor, a
// tooltip with the address, and a click that opens the address (OpenUrl).
//
// Attach it to a static control of a dialog; the dialog's reflection (Dialog does this)
// brings the control's colour requests and clicks back to it.
#pragma once
#include "toolkit/Static.h"
#include "toolkit/SubclassedControl.h"

#include <string>

class HyperlinkStatic : public Static, public SubclassedControl {
public:
    enum UnderlineMode : int { UnderlineNever = 0, UnderlineAlways = 1, UnderlineWhileHovering = -1 };
    static constexpr UINT_PTR kHoverTimerId = 100;
    static constexpr UINT kHoverTimerMs = 100;

    HyperlinkStatic() = default;
    ~HyperlinkStatic() override;

    // Takes over the static control; false if it cannot be subclassed.
    bool Attach(HWND label);
    void SetUrl(const char* url);
    const std::string& Url() const { return url_; }
    void SetUnderlineMode(int mode);
    int GetUnderlineMode() const { return underlineMode_; }
    // Sizes the label to its text (kept left, right or centred as its style aligns it).
    void FitToText();

    bool IsHovering() const { return hovering_; }
    bool IsVisited() const { return visited_; }
    HFONT NormalFont() const { return normalFont_; }
    HFONT UnderlinedFont() const { return underlinedFont_; }
    HWND Tooltip() const { return tooltip_; }

    COLORREF linkColour = RGB(0, 0, 238);
    COLORREF visitedColour = RGB(85, 26, 139);
    COLORREF hoverColour = RGB(255, 0, 0);
    bool fitToText = true;

protected:
    bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateFonts();
    void CreateTooltip();
    void UseFont(HFONT font);
    void Repaint(int extraBottom = 0);
    void OnClicked();
    void ReleaseResources();

    bool hovering_ = false;
    bool visited_ = false;
    int underlineMode_ = UnderlineWhileHovering;
    std::string url_;
    HFONT underlinedFont_ = nullptr;
    HFONT normalFont_ = nullptr;
    HCURSOR handCursor_ = nullptr;
    HWND tooltip_ = nullptr;
};
