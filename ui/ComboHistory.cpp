#include "ui/ComboHistory.h"

#include <vector>

#include "engine/SettingsStore.h"
#include "toolkit/ComboBox.h"

namespace {

std::vector<std::string> Entries(const ComboBox& combo)
{
    std::vector<std::string> entries;
    const int count = combo.GetCount();
    for (int i = 0; i < count; ++i)
        entries.push_back(combo.GetEntryText(i));
    return entries;
}

}  // namespace

bool LoadHistory(HWND handle, const std::string& name)
{
    ComboBox combo(handle);
    combo.ResetContent();
    const auto entries = ReadHistory(name);
    if (!entries)
        return false;
    for (const std::string& entry : *entries) {
        const int added = combo.InsertString(-1, entry.c_str());
        if (added == CB_ERR || added == CB_ERRSPACE)
            break;
    }
    return true;
}

bool SaveHistory(HWND handle, const std::string& name)
{
    return WriteHistory(name, Entries(ComboBox(handle))).Ok();
}

bool PushHistory(HWND handle, const std::string& name)
{
    ComboBox combo(handle);
    const std::string text = combo.GetText();
    if (text.empty())
        return false;
    const int count = combo.GetCount();
    for (int i = 0; i < count; ++i) {
        if (combo.GetEntryText(i) != text)
            continue;
        if (i == 0)
            return true;
        combo.DeleteString(i);
        break;
    }
    const int inserted = combo.InsertString(0, text.c_str());
    if (inserted == CB_ERR || inserted == CB_ERRSPACE)
        return false;
    combo.SetCurSel(0);
    return SaveHistory(handle, name);
}
