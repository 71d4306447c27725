// A run over a temporary tree: sources in "src", the output in "out" with year and month folders.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/TempTree.h"
#include "tests/win/run/TestRunHost.h"

class RunFixture : public ::testing::Test {
protected:
    TempTree tree;
    TestRunHost host;

    void SetUp() override
    {
        host.settings.OutputFolderType = 1;
        host.settings.CustomTargetFolder = tree.Path("out");
        host.settings.CreateYearFolder = 1;
        host.settings.CreateMonthFolder = 1;
        host.settings.CreateDayFolder = 0;
        host.settings.MonthFolderFormat = "%Y_%M";
        CreateDirectoryA(tree.Path("src").c_str(), nullptr);
    }

    // A file in "src", listed as a row.
    std::string Source(const std::string& name, const std::vector<unsigned char>& content)
    {
        const std::string path = tree.Path("src\\" + name);
        EXPECT_TRUE(WriteData(path, content));
        host.AddRow(path);
        return path;
    }

    std::string Source(const std::string& name, const std::string& content)
    {
        return Source(name, std::vector<unsigned char>(content.begin(), content.end()));
    }
};
