#include "components/foundation/TV_Registry.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/StringBuffer.h"
#include "TestSupport.h"

#include <map>

namespace {

class RecordingLog : public LogBase {
public:
    bool LogData(const char* tag, const char* text) override
    {
        m_data[tag] = text;
        return true;
    }
    std::map<std::string, std::string> m_data;
};

class TV_RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { SetRegistryFolderForTesting(m_folder.PathOf("vornalt")); }
    void TearDown() override { SetRegistryFolderForTesting(""); }

    TempFolder m_folder;
    TV_Registry m_registry;
};

std::string Bytes(DataBuffer* block)
{
    if (!block)
        return "<null>";
    std::string bytes = BytesOf(*block);
    delete block;
    return bytes;
}

} // namespace

TEST_F(TV_RegistryTest, PathsOpenCreateAndClose)
{
    EXPECT_EQ(m_registry.OpenCurrentUserKey("/Software/Vornalt", true, nullptr), nullptr);
    EXPECT_EQ(m_registry.OpenCurrentUserKey(nullptr, true, nullptr), nullptr);
    EXPECT_EQ(m_registry.OpenCurrentUserKey("", true, nullptr), nullptr);
    EXPECT_EQ(m_registry.OpenCurrentUserKey("/", true, nullptr), HKEY_CURRENT_USER);

    HKEY created = m_registry.CreateKeyPath(HKEY_CURRENT_USER, "/Software/Vornalt/Cache", nullptr);
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(m_registry.SetStringValue(created, "Folder", "/tmp/cache"), 0);
    m_registry.CloseKey(created);

    const char* samePaths[] = { "/Software/Vornalt/Cache", "Software/Vornalt/Cache/", "//Software//Vornalt/Cache//" };
    for (const char* path : samePaths) {
        HKEY key = m_registry.OpenCurrentUserKey(path, true, nullptr);
        ASSERT_NE(key, nullptr) << path;
        EXPECT_EQ(Bytes(m_registry.QueryValue(key, "Folder", nullptr)), std::string("/tmp/cache\0", 11)) << path;
        EXPECT_EQ(m_registry.SetStringValue(key, "Folder", "x"), -1) << "opened read-only";
        m_registry.CloseKey(key);
    }

    std::size_t openBefore = CountOpenRegistryKeys();
    EXPECT_EQ(m_registry.OpenCurrentUserKey("/Software/Nothing/Cache", false, nullptr), nullptr);
    EXPECT_EQ(m_registry.OpenCurrentUserKey("/Software/Vornalt/Nothing", false, nullptr), nullptr);
    EXPECT_EQ(CountOpenRegistryKeys(), openBefore) << "a failure part-way leaves no key open";

    HKEY existing = m_registry.CreateKeyPath(HKEY_CURRENT_USER, "Software/Vornalt", nullptr);
    ASSERT_NE(existing, nullptr);
    char name[32];
    DWORD length = sizeof(name);
    EXPECT_EQ(RegEnumKeyExA(existing, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Cache");
    length = sizeof(name);
    EXPECT_EQ(RegEnumKeyExA(existing, 1, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS)
        << "opening an existing path creates nothing";
    m_registry.CloseKey(existing);

    HKEY machine = m_registry.CreateLocalMachineKey("/Software/Certs", nullptr);
    ASSERT_NE(machine, nullptr);
    m_registry.CloseKey(machine);
    machine = m_registry.OpenLocalMachineKey("/Software/Certs", false, nullptr);
    EXPECT_NE(machine, nullptr);
    m_registry.CloseKey(machine);
    m_registry.CloseKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &machine), ERROR_SUCCESS)
        << "the root is never closed";
    RegCloseKey(machine);

    // A caller's own key used as the root stays open.
    HKEY software = m_registry.OpenCurrentUserKey("/Software", false, nullptr);
    ASSERT_NE(software, nullptr);
    HKEY below = m_registry.OpenKeyPath(software, "/Vornalt", true, nullptr);
    ASSERT_NE(below, nullptr);
    m_registry.CloseKey(below);
    EXPECT_EQ(m_registry.OpenKeyPath(software, "/Missing", true, nullptr), nullptr);
    EXPECT_EQ(RegCloseKey(software), ERROR_SUCCESS);
    EXPECT_EQ(CountOpenRegistryKeys(), openBefore);
}

TEST_F(TV_RegistryTest, ValuesAndTheirText)
{
    HKEY key = m_registry.CreateKeyPath(HKEY_CURRENT_USER, "/Software/Microsoft/Windows/CurrentVersion/Internet Settings",
        nullptr);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(m_registry.SetStringValue(key, "ProxyServer", "proxy:8080"), 0);
    EXPECT_EQ(m_registry.SetStringValue(key, "Empty", ""), 0);
    DWORD enable = 1;
    ASSERT_EQ(RegSetValueExA(key, "ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enable), 4), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "NoNul", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "Nothing", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);

    EXPECT_EQ(Bytes(m_registry.QueryValue(key, "Empty", nullptr)), std::string(1, '\0'));
    EXPECT_EQ(Bytes(m_registry.QueryValue(key, "ProxyEnable", nullptr)), std::string("\1\0\0\0", 4));
    EXPECT_EQ(Bytes(m_registry.QueryValue(key, "NoNul", nullptr)), "abc");
    RecordingLog log;
    EXPECT_EQ(m_registry.QueryValue(key, "Nothing", &log), nullptr);
    EXPECT_TRUE(log.m_data.empty()) << "an empty value is no error";
    EXPECT_EQ(m_registry.QueryValue(key, "Missing", &log), nullptr);
    EXPECT_EQ(log.m_data["ValueName"], "Missing");
    EXPECT_FALSE(log.m_data["RegistryQueryError"].empty());
    m_registry.CloseKey(key);

    const char* path = "/Software/Microsoft/Windows/CurrentVersion/Internet Settings";
    struct Case {
        const char* name;
        bool ok;
        std::string text;
    };
    const Case cases[] = {
        { "ProxyServer", true, "proxy:8080" },
        { "NoNul", true, "abc" },
        { "ProxyEnable", true, "\1" },
        { "Empty", true, "" },
        { "Missing", false, "" },
    };
    for (const Case& c : cases) {
        torvane::StringBuffer out;
        out.Append("<");
        EXPECT_EQ(m_registry.GetCurrentUserString(path, c.name, out, nullptr), c.ok) << c.name;
        EXPECT_EQ(std::string(out.GetText(), size_t(out.GetLength())), "<" + c.text) << c.name;
    }
    torvane::StringBuffer out;
    EXPECT_FALSE(m_registry.GetCurrentUserString("/Software/None", "ProxyServer", out, nullptr));
    EXPECT_FALSE(m_registry.GetCurrentUserString(nullptr, "ProxyServer", out, nullptr));
    EXPECT_FALSE(m_registry.GetCurrentUserString(path, nullptr, out, nullptr));
}
