#include "toolkit/DialogTemplateSize.h"

#include <cstring>

namespace {

// Where cx and cy lie in the two template layouts.
constexpr DWORD kExtendedSizeOffset = 22;  // after dlgVer, signature, helpID, exStyle, style, cDlgItems, x, y
constexpr DWORD kPlainSizeOffset = 14;  // after style, exStyle, cdit, x, y

}  // namespace

bool TemplateClientSize(HWND dialog, int templateId, SIZE& size)
{
    const auto module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(templateId), MAKEINTRESOURCEA(5));  // RT_DIALOG
    if (!found)
        return false;
    const DWORD length = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    const auto* bytes = loaded ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
    if (!bytes || length < 4)
        return false;
    WORD version = 0, signature = 0;
    std::memcpy(&version, bytes, 2);
    std::memcpy(&signature, bytes + 2, 2);
    const DWORD at = version == 1 && signature == 0xFFFF ? kExtendedSizeOffset : kPlainSizeOffset;
    if (length < at + 4)
        return false;
    short cx = 0, cy = 0;
    std::memcpy(&cx, bytes + at, 2);
    std::memcpy(&cy, bytes + at + 2, 2);
    RECT rect {0, 0, cx, cy};
    if (cx <= 0 || cy <= 0 || !MapDialogRect(dialog, &rect))
        return false;
    size = SIZE {rect.right, rect.bottom};
    return true;
}
