// A dialog built from a dialog template, with its messages dispatched to virtual handlers.
//
// One static dialog procedure serves every dialog: it stores the object at WM_INITDIALOG
// (messages before it are left to the system), unpacks wParam and lParam, and calls the
// handlers below. Modal (DoModal) and modeless (Create) dialogs differ only in how they are
// created and ended (End). Notifications from controls that handle them themselves
// (SubclassedControl) reach those controls first.
#pragma once
#include "toolkit/Window.h"

#include <initializer_list>
#include <memory>
#include <string>

class Dialog : public Window {
public:
    // The template is looked up in the given module, by default the executable.
    explicit Dialog(int templateId, HINSTANCE module = nullptr);
    // Clears the window's link to this object first; a modeless window still open is destroyed.
    ~Dialog() override;

    // Runs the dialog modally; returns the value given to End, or -1 if it could not be created.
    INT_PTR DoModal(HWND owner);
    // Creates the dialog modeless; false if it could not be created.
    bool Create(HWND owner);
    // Ends a modal dialog with the result, or destroys a modeless one.
    void End(INT_PTR result);

    // Creates a modeless dialog that deletes itself when its window has been destroyed.
    // Returns the dialog (valid until its window is gone), or null if it could not be created
    // (the object is then deleted here).
    template <class T> static T* CreateSelfDeleting(std::unique_ptr<T> dialog, HWND owner)
    {
        if (!dialog->Create(owner))
            return nullptr;
        dialog->deleteWhenDestroyed_ = true;
        return dialog.release();
    }

    int TemplateId() const { return templateId_; }

    // The controls of the dialog by identifier.
    void EnableItem(int id, bool enable) const { EnableWindow(Item(id), enable ? TRUE : FALSE); }
    void EnableItems(std::initializer_list<int> ids, bool enable) const
    {
        for (int id : ids)
            EnableItem(id, enable);
    }
    bool IsButtonChecked(int id) const { return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED; }
    void CheckButton(int id, bool checked) const
    {
        CheckDlgButton(hwnd_, id, checked ? BST_CHECKED : BST_UNCHECKED);
    }
    std::string ItemText(int id) const { return Window(Item(id)).GetText(); }
    void SetItemText(int id, const std::string& text) const { SetDlgItemTextA(hwnd_, id, text.c_str()); }

protected:
    // Return true to let the system give the focus to the first tab stop.
    virtual bool OnInitDialog();
    // Any command but IDOK and IDCANCEL; return true when handled.
    virtual bool OnCommand(int id, int code, HWND control);
    // The notification's result (ignored by most notifications).
    virtual LRESULT OnNotify(NMHDR* header);
    // IDOK (Enter or an OK button): ends the dialog with IDOK.
    virtual void OnOK();
    // IDCANCEL (Escape, the close box or a Cancel button): ends the dialog with IDCANCEL.
    virtual void OnCancel();
    // WM_DESTROY, while the controls still exist.
    virtual void OnDestroy();
    // Every other message; return true when handled, with the message's result.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    int templateId_;
    HINSTANCE module_;
    bool modal_ = false;
    bool deleteWhenDestroyed_ = false;
};
