// A document class or extension registered for one test, and put back as it was afterwards.
//
// Windows reads HKEY_CLASSES_ROOT as HKCU\Software\Classes merged over the machine's classes;
// a test registers in the per-user key, which needs no administrator. Wine 8 does not merge the
// per-user key into HKEY_CLASSES_ROOT, so under Wine the same values go to HKEY_CLASSES_ROOT
// as well, the view the program reads.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qmtest {

bool RunningUnderWine();

class ClassKeyForTest {
public:
    // name: an extension (".htm") or a class name; what it held before is remembered.
    explicit ClassKeyForTest(std::string name);
    // Puts back the default it had, or removes the key with everything in it when it had none.
    ~ClassKeyForTest();
    ClassKeyForTest(const ClassKeyForTest&) = delete;
    ClassKeyForTest& operator=(const ClassKeyForTest&) = delete;

    // Sets the default value of the key or of a key below it ("shell\\open\\command").
    bool SetDefault(const std::string& below, const std::string& value);

private:
    struct Before {
        HKEY root;
        std::string rootPath;  // "Software\\Classes\\" under HKEY_CURRENT_USER, "" for the classes root
        bool existed = false;
        bool hadDefault = false;
        std::string value;
    };
    std::string name_;
    std::vector<Before> roots_;
};

}  // namespace qmtest
