#include "toolkit/controls/persist/RegistryManager.h"

#include "platform/base/Unicode.h"
#include "platform/framework/WinApp.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

class RegistryManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vornalt-regman-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
        SetRegistryFolderForTesting(m_folder + "/vornalt");
        HKEY software = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software", 0, nullptr, 0, KEY_WRITE, nullptr, &software, nullptr),
            ERROR_SUCCESS);
        RegCloseKey(software);
    }
    void TearDown() override
    {
        EXPECT_EQ(CountOpenRegistryKeys(), 0u);
        SetRegistryFolderForTesting("");
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    static bool KeyExists(const char* path)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

    std::string m_folder;
};

TEST_F(RegistryManagerTest, WithoutTheApplicationsNamesNothingIsReadOrWritten)
{
    CWinApp app(u"Lister");
    CJQRegistryManager manager(HKEY_CURRENT_USER);
    EXPECT_FALSE(manager.FetchAppNames());
    EXPECT_FALSE(manager.WriteString(u"Column Info", u"Widths", u"10,20"));
    EXPECT_EQ(manager.ReadString(u"Column Info", u"Widths", u"fallback"), CString(u"fallback"));
    EXPECT_FALSE(KeyExists("Software\\Lister"));
}

TEST_F(RegistryManagerTest, EntriesRoundTripUnderTheProfileAndNullsDelete)
{
    CWinApp app(u"Lister");
    app.SetRegistryKey(u"Vornalt");
    CJQRegistryManager manager(HKEY_CURRENT_USER);
    EXPECT_TRUE(manager.WriteString(u"Settings", u"Widths", u"120,80,40"));
    EXPECT_TRUE(KeyExists("Software\\Vornalt\\Lister\\Settings"));
    // Through the application's own profile reading: the same place and form.
    EXPECT_EQ(app.GetProfileString(u"Settings", u"Widths"), CString(u"120,80,40"));

    SetRegistryFolderForTesting(m_folder + "/vornalt"); // read back from the file
    CJQRegistryManager reader(HKEY_CURRENT_USER);
    EXPECT_EQ(reader.ReadString(u"Settings", u"Widths", u""), CString(u"120,80,40"));
    EXPECT_EQ(reader.ReadString(u"Settings", u"Missing", u"none"), CString(u"none"));
    EXPECT_NE(reader.GetLastError(), ERROR_SUCCESS);

    EXPECT_TRUE(manager.WriteString(u"Settings", u"Widths", nullptr));
    EXPECT_EQ(reader.ReadString(u"Settings", u"Widths", u"gone"), CString(u"gone"));
    EXPECT_TRUE(manager.WriteString(u"Settings", nullptr, nullptr));
    EXPECT_FALSE(KeyExists("Software\\Vornalt\\Lister\\Settings"));
    EXPECT_TRUE(KeyExists("Software\\Vornalt\\Lister"));
}

TEST_F(RegistryManagerTest, SoftwareIsNeverMade)
{
    HKEY root = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Bare", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root, nullptr),
        ERROR_SUCCESS);
    {
        CWinApp app(u"Lister");
        app.SetRegistryKey(u"Vornalt");
        CJQRegistryManager manager(root);
        EXPECT_FALSE(manager.WriteString(u"Settings", u"Widths", u"1"));
        EXPECT_EQ(manager.GetLastError(), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(manager.ReadString(u"Settings", u"Widths", u"d"), CString(u"d"));
    }
    RegCloseKey(root);
    EXPECT_FALSE(KeyExists("Bare\\Software"));
}

} // namespace

namespace {

TEST_F(RegistryManagerTest, WithAnIniFileNameTheRegistryIsLeftAlone)
{
    const std::string file = m_folder + "/lister.ini";
    CJQRegistryManager::IniFileName() = CString(Utf8ToUtf16(file).c_str());
    {
        CWinApp app(u"Lister");
        app.SetRegistryKey(u"Vornalt");
        CJQRegistryManager manager(HKEY_CURRENT_USER);
        EXPECT_TRUE(manager.WriteString(u"Column Info", u"Widths", u"10,20"));
        EXPECT_EQ(manager.ReadString(u"Column Info", u"Widths", u"d"), CString(u"10,20"));
        EXPECT_EQ(manager.ReadString(u"Column Info", u"Missing", u"d"), CString(u"d"));
        const CString longText(std::u16string(5000, u'w').c_str());
        EXPECT_TRUE(manager.WriteString(u"Column Info", u"Long", longText.GetString()));
        EXPECT_EQ(manager.ReadString(u"Column Info", u"Long", u"").GetLength(), 4095);
        EXPECT_TRUE(manager.WriteString(u"Column Info", nullptr, nullptr));
        EXPECT_EQ(manager.ReadString(u"Column Info", u"Widths", u"gone"), CString(u"gone"));
    }
    CJQRegistryManager::IniFileName().Empty();
    EXPECT_FALSE(KeyExists("Software\\Vornalt"));
    EXPECT_TRUE(std::filesystem::exists(file));
}

} // namespace
