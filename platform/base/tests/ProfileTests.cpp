#include "platform/base/Profile.h"

#include "platform/base/Unicode.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vornalt-profile-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
        m_file = Utf8ToUtf16(m_folder + "/a.ini");
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    std::u16string Read(const WCHAR* section, const WCHAR* key, DWORD size = 64)
    {
        WCHAR buffer[64] = {};
        GetPrivateProfileStringW(section, key, u"-", buffer, size, m_file.c_str());
        return buffer;
    }
    std::string m_folder;
    std::u16string m_file;
};

TEST_F(ProfileTest, EntriesAreWrittenFoundWithoutCaseAndDeleted)
{
    EXPECT_EQ(Read(u"S", u"K"), u"-"); // no file yet
    EXPECT_TRUE(WritePrivateProfileStringW(u"Main", u"Name", u" spaced value ", m_file.c_str()));
    EXPECT_TRUE(WritePrivateProfileStringW(u"Main\\Sub", u"Other", u"2", m_file.c_str()));
    EXPECT_TRUE(WritePrivateProfileStringW(u"main", u"NAME", u"x=y", m_file.c_str()));
    EXPECT_EQ(Read(u"MAIN", u"name"), u"x=y");
    EXPECT_EQ(Read(u"Main", u"name", 3), u"x=");
    EXPECT_TRUE(WritePrivateProfileStringW(u"Main", u"Name", nullptr, m_file.c_str()));
    EXPECT_EQ(Read(u"Main", u"Name"), u"-");
    EXPECT_TRUE(WritePrivateProfileStringW(u"Main\\Sub", nullptr, nullptr, m_file.c_str()));
    EXPECT_EQ(Read(u"Main\\Sub", u"Other"), u"-");

    std::ofstream(m_folder + "/a.ini", std::ios::app) << "[Hand]\r\n ; note\r\nKey = typed \r\n";
    EXPECT_EQ(Read(u"Hand", u"Key"), u"typed");
}

TEST_F(ProfileTest, SectionNamesAreListedAndAShortBufferSaysSo)
{
    for (const char16_t* section : { u"One", u"Two", u"Three" })
        WritePrivateProfileStringW(section, u"K", u"V", m_file.c_str());
    WCHAR buffer[32];
    const DWORD length = GetPrivateProfileSectionNamesW(buffer, 32, m_file.c_str());
    EXPECT_EQ(std::u16string(buffer, length), std::u16string(u"One\0Two\0Three\0", 14));
    EXPECT_EQ(GetPrivateProfileSectionNamesW(buffer, 8, m_file.c_str()), 6u);
}

} // namespace
