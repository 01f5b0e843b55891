#pragma once
// Fixture of the file tests: a fresh scratch folder per test, the log rendered as text, and every
// test hook (file faults, search hook, tick source, ANSI code page) put back afterwards.

#include "components/foundation/FindFile.h"
#include "components/foundation/Logger.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/XString.h"
#include "platform/base/Clock.h"
#include "platform/base/CodePage.h"
#include "platform/base/FileFaultInjection.h"
#include "platform/base/Unicode.h"
#include "TestSupport.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <gtest/gtest.h>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class FileScratchTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        ClearFileFaultsForTesting();
        FindFile::SetBeforeSearchHookForTesting({});
        SetTickSourceForTesting({});
        SetAnsiCodePageForTesting(CP_UTF8);
    }

    std::string At(const std::string& relative = {}) const
    {
        return relative.empty() ? m_folder.Path() : m_folder.PathOf(relative);
    }
    std::string Write(const std::string& relative, const std::string& bytes) const
    {
        return m_folder.WriteFile(relative, bytes);
    }
    void MakeFolder(const std::string& relative) const
    {
        ASSERT_EQ(::mkdir(At(relative).c_str(), 0777), 0) << relative;
    }
    void MakeLink(const std::string& target, const std::string& relative) const
    {
        ASSERT_EQ(::symlink(target.c_str(), At(relative).c_str()), 0) << relative;
    }
    static bool Exists(const std::string& path)
    {
        struct stat info {};
        return ::lstat(path.c_str(), &info) == 0;
    }
    static std::string Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static std::string LogText(Logger& log)
    {
        torvane::StringBuffer text;
        log.RenderText(text);
        return std::string(text.GetText(), size_t(text.GetLength()));
    }
    static bool Contains(const std::string& text, const std::string& part)
    {
        return text.find(part) != std::string::npos;
    }
    static size_t CountEntriesIn(const std::string& folder)
    {
        size_t count = 0;
        for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(folder))
            ++count;
        return count;
    }
    static void SetUtf8(XString& out, const std::string& text) { out.SetFromUtf8(text.c_str()); }

    TempFolder m_folder;
};
