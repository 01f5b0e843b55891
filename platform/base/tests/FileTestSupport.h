#pragma once
// A fresh scratch folder per test, removed with everything in it afterwards, and small helpers
// that reach the disk through POSIX directly so that the calls under test are checked against an
// independent view.

#include "platform/base/FileFaultInjection.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

class ScratchFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vornalt-files-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_root = pattern;
        m_previousFolder = std::filesystem::current_path();
    }

    void TearDown() override
    {
        ClearFileFaultsForTesting();
        std::filesystem::current_path(m_previousFolder);
        // Read-only folders made by a test must not stop the clean-up.
        std::error_code ignored;
        for (auto& entry : std::filesystem::recursive_directory_iterator(m_root, ignored)) {
            if (!entry.is_symlink())
                std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                    std::filesystem::perm_options::add, ignored);
        }
        std::filesystem::remove_all(m_root, ignored);
    }

    // The scratch folder's path joined with `relative` (UTF-8, '/').
    std::string At(const std::string& relative = {}) const
    {
        return relative.empty() ? m_root : m_root + "/" + relative;
    }

    static void WriteText(const std::string& path, const std::string& text)
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        ASSERT_TRUE(out) << path;
        out << text;
    }

    static std::string ReadText(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    static bool Exists(const std::string& path)
    {
        struct stat info {};
        return ::lstat(path.c_str(), &info) == 0;
    }

    static void MakeFolder(const std::string& path) { ASSERT_EQ(::mkdir(path.c_str(), 0777), 0) << path; }

    size_t CountEntries(const std::string& folder) const
    {
        size_t count = 0;
        for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(folder))
            ++count;
        return count;
    }

    static bool RunningAsRoot() { return ::geteuid() == 0; }

private:
    std::string m_root;
    std::filesystem::path m_previousFolder;
};
