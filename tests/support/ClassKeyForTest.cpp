#include "tests/support/ClassKeyForTest.h"

#include <utility>

namespace qmtest {

namespace {

bool WriteDefault(HKEY root, const std::string& path, const std::string& value)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const LONG status = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

}  // namespace

bool RunningUnderWine()
{
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

ClassKeyForTest::ClassKeyForTest(std::string name) : name_(std::move(name))
{
    roots_.push_back({HKEY_CURRENT_USER, "Software\\Classes\\", false, false, {}});
    if (RunningUnderWine())
        roots_.push_back({HKEY_CLASSES_ROOT, "", false, false, {}});
    for (Before& before : roots_) {
        HKEY key = nullptr;
        before.existed = RegOpenKeyExA(before.root, (before.rootPath + name_).c_str(), 0, KEY_QUERY_VALUE,
                                       &key) == ERROR_SUCCESS;
        if (!before.existed)
            continue;
        char value[520] = "";
        DWORD size = sizeof value - 1;
        before.hadDefault = RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value),
                                             &size) == ERROR_SUCCESS;
        before.value = value;
        RegCloseKey(key);
    }
}

ClassKeyForTest::~ClassKeyForTest()
{
    for (const Before& before : roots_) {
        const std::string path = before.rootPath + name_;
        if (!before.existed) {
            RegDeleteTreeA(before.root, path.c_str());
        } else if (before.hadDefault) {
            WriteDefault(before.root, path, before.value);
        } else {
            HKEY key = nullptr;
            if (RegOpenKeyExA(before.root, path.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
                RegDeleteValueA(key, nullptr);
                RegCloseKey(key);
            }
        }
    }
}

bool ClassKeyForTest::SetDefault(const std::string& below, const std::string& value)
{
    bool ok = true;
    for (const Before& before : roots_)
        ok = WriteDefault(before.root, before.rootPath + name_ + (below.empty() ? "" : "\\" + below),
                          value) &&
             ok;
    return ok;
}

}  // namespace qmtest
