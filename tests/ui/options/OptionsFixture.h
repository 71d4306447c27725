// Shared ground of the Options dialog tests: a clean program key for every test, and the
// histories and combo-box lists read back as plain lists.
#pragma once
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/win/RegistryFixture.h"

class OptionsFixture : public RegistryFixture {
protected:
    static std::string HistoryKey(const std::string& name) { return std::string(kProgramKey) + "\\" + name; }

    // The stored entries "0", "1", ... up to the first missing one.
    static std::vector<std::string> StoredHistory(const std::string& name)
    {
        std::vector<std::string> entries;
        for (int n = 0;; ++n) {
            const RawValue value = GetRaw(HistoryKey(name), std::to_string(n));
            if (!value.found)
                break;
            const auto end = std::find(value.data.begin(), value.data.end(), BYTE {0});
            entries.emplace_back(value.data.begin(), end);
        }
        return entries;
    }

    static void PlantHistory(const std::string& name, const std::vector<std::string>& entries)
    {
        CreateKey(HistoryKey(name));
        for (size_t i = 0; i < entries.size(); ++i)
            SetText(HistoryKey(name), std::to_string(i), entries[i]);
    }

    static std::vector<std::string> ComboEntries(HWND dialog, int id)
    {
        std::vector<std::string> entries;
        HWND combo = GetDlgItem(dialog, id);
        const LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
            if (length < 0)
                break;
            std::string text(static_cast<size_t>(length) + 1, '\0');
            SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
            text.resize(static_cast<size_t>(length));
            entries.push_back(text);
        }
        return entries;
    }
};
