#include "platform/shell/UserFolders.h"

#include "platform/base/File.h"
#include "platform/base/Unicode.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace {

class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value)
        : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedVariable()
    {
        if (m_old)
            setenv(m_name.c_str(), m_old->c_str(), 1);
        else
            unsetenv(m_name.c_str());
    }

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

class UserFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_home = std::filesystem::temp_directory_path() / ("vornalt-folders-" + std::to_string(getpid()));
        std::filesystem::remove_all(m_home);
        std::filesystem::create_directories(m_home / ".config");
    }
    void TearDown() override { std::filesystem::remove_all(m_home); }
    std::u16string Get(int folder, HRESULT expected = S_OK)
    {
        WCHAR path[MAX_PATH] {};
        EXPECT_EQ(SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path), expected) << folder;
        return path;
    }
    std::u16string Under(const std::string& rest) const { return Utf8ToUtf16(m_home.string() + rest); }

    std::filesystem::path m_home;
};

TEST_F(UserFolderTest, FoldersComeFromTheXdgPlaces)
{
    ScopedVariable home("HOME", m_home.c_str());
    ScopedVariable config("XDG_CONFIG_HOME", nullptr);
    ScopedVariable data("XDG_DATA_HOME", nullptr);
    std::ofstream(m_home / ".config/user-dirs.dirs") << "# written by xdg-user-dirs-update\n"
                                                       "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                                                       "XDG_PICTURES_DIR=\"/nowhere/Bilder\"\n";
    std::filesystem::create_directories(m_home / "Schreibtisch");
    std::filesystem::create_directories(m_home / "Documents");

    EXPECT_EQ(Get(CSIDL_APPDATA), Under("/.config"));
    EXPECT_EQ(Get(CSIDL_DESKTOPDIRECTORY), Under("/Schreibtisch"));
    EXPECT_EQ(Get(CSIDL_DESKTOP), Under("/Schreibtisch"));
    EXPECT_EQ(Get(CSIDL_PERSONAL), Under("/Documents")) << "no entry: the default name";
    EXPECT_EQ(Get(CSIDL_PROFILE), Under(""));
    EXPECT_EQ(platform::shell::SpecialFolderPath(CSIDL_MYPICTURES), u"/nowhere/Bilder");
    EXPECT_EQ(Get(CSIDL_MYPICTURES, E_FAIL), u"") << "a folder that does not exist";
    EXPECT_EQ(Get(0x7F, E_INVALIDARG), u"");

    // Made on request.
    EXPECT_FALSE(std::filesystem::exists(m_home / ".local/share"));
    EXPECT_EQ(Get(CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE), Under("/.local/share"));
    EXPECT_TRUE(std::filesystem::is_directory(m_home / ".local/share"));

    WCHAR path[MAX_PATH] {};
    EXPECT_TRUE(SHGetSpecialFolderPathW(nullptr, path, CSIDL_APPDATA, FALSE));
    EXPECT_EQ(std::u16string(path), Under("/.config"));
}

TEST_F(UserFolderTest, TheConfigurationVariableWinsWhenAbsolute)
{
    ScopedVariable home("HOME", m_home.c_str());
    std::filesystem::create_directories(m_home / "cfg");
    {
        ScopedVariable config("XDG_CONFIG_HOME", (m_home / "cfg/").c_str());
        EXPECT_EQ(Get(CSIDL_APPDATA), Under("/cfg"));
    }
    {
        ScopedVariable config("XDG_CONFIG_HOME", "relative/cfg");
        EXPECT_EQ(Get(CSIDL_APPDATA), Under("/.config"));
    }
    // A path too long for MAX_PATH is a failure, not a cut path.
    const std::string deep = m_home.string() + "/" + std::string(250, 'x') + "/" + std::string(20, 'y');
    std::filesystem::create_directories(deep);
    ScopedVariable config("XDG_CONFIG_HOME", deep.c_str());
    EXPECT_EQ(Get(CSIDL_APPDATA, E_FAIL), u"");
}

} // namespace
