// Registry helpers for the settings-store tests: every test starts and ends without the
// program's key, and reads or plants raw values to check what the store does with them.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/SettingsStore.h"

class RegistryFixture : public ::testing::Test {
protected:
    void SetUp() override { DeleteProgramKey(); }
    void TearDown() override { DeleteProgramKey(); }

    static void DeleteProgramKey()
    {
        const LSTATUS status = RegDeleteTreeA(HKEY_CURRENT_USER, kProgramKey);
        ASSERT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) << status;
        HKEY key = nullptr;
        ASSERT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, kProgramKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    }

    static bool KeyExists(const std::string& path)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

    static void CreateKey(const std::string& path)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    static void SetRaw(const std::string& path, const std::string& name, DWORD type, const void* data,
                       DWORD size)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    static void SetText(const std::string& path, const std::string& name, const std::string& text)
    {
        SetRaw(path, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }

    static void SetDword(const std::string& path, const std::string& name, DWORD value)
    {
        SetRaw(path, name, REG_DWORD, &value, sizeof value);
    }

    struct RawValue {
        bool found = false;
        DWORD type = REG_NONE;
        std::vector<BYTE> data;
    };

    static RawValue GetRaw(const std::string& path, const std::string& name)
    {
        RawValue value;
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return value;
        DWORD size = 0;
        if (RegQueryValueExA(key, name.c_str(), nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
            value.data.resize(size);
            value.found = RegQueryValueExA(key, name.c_str(), nullptr, &value.type, value.data.data(),
                                           &size) == ERROR_SUCCESS;
            value.data.resize(size);
        }
        RegCloseKey(key);
        return value;
    }

    // The names of all values in a key, in no particular order.
    static std::vector<std::string> ValueNames(const std::string& path)
    {
        std::vector<std::string> names;
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return names;
        for (DWORD i = 0;; ++i) {
            char name[256];
            DWORD length = sizeof name;
            if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            names.emplace_back(name, length);
        }
        RegCloseKey(key);
        return names;
    }
};
