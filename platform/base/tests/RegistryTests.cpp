#include "platform/base/Registry.h"

#include "platform/base/LastError.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Child mode: the test binary runs itself with these variables to act as a second process.
constexpr const char* kChildAction = "VORNALT_REGISTRY_CHILD_ACTION";

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // In memory where the machine has a tmpfs: every write is flushed to disk before it returns,
        // and on a disk the thousands of writes below would cost seconds of flushing.
        std::filesystem::path base = std::filesystem::is_directory("/dev/shm") && access("/dev/shm", W_OK) == 0
            ? std::filesystem::path("/dev/shm")
            : std::filesystem::temp_directory_path();
        std::string pattern = (base / "vornalt-registry-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_config = pattern;
        SetRegistryFolderForTesting(m_config + "/vornalt");
    }
    void TearDown() override
    {
        SetRegistryFolderForTesting("");
        std::error_code ignored;
        std::filesystem::remove_all(m_config, ignored);
    }

    // Runs this test binary as another process with XDG_CONFIG_HOME pointing at the test folder.
    pid_t StartChild(const std::string& action, const std::string& argument)
    {
        pid_t pid = fork();
        if (pid == 0) {
            setenv("XDG_CONFIG_HOME", m_config.c_str(), 1);
            setenv(kChildAction, action.c_str(), 1);
            setenv("VORNALT_REGISTRY_CHILD_ARGUMENT", argument.c_str(), 1);
            execl("/proc/self/exe", "registry-child", "--gtest_filter=RegistryChild.Act", "--gtest_brief=1",
                static_cast<char*>(nullptr));
            _exit(127);
        }
        return pid;
    }
    int WaitChild(pid_t pid)
    {
        int status = 0;
        if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
            return -1;
        return WEXITSTATUS(status);
    }
    int RunChild(const std::string& action, const std::string& argument)
    {
        return WaitChild(StartChild(action, argument));
    }

    std::string m_config;
};

std::string QueryString(HKEY key, const char* name)
{
    DWORD size = 0;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return "<missing>";
    std::string bytes(size, '\0');
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size) != ERROR_SUCCESS)
        return "<failed>";
    return bytes;
}

LSTATUS SetString(HKEY key, const char* name, const std::string& text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), DWORD(text.size() + 1));
}

} // namespace

// Does nothing unless started as a child by the tests below; its exit code is the verdict.
TEST(RegistryChild, Act)
{
    const char* action = std::getenv(kChildAction);
    if (!action)
        GTEST_SKIP() << "only run as a child process";
    std::string argument = std::getenv("VORNALT_REGISTRY_CHILD_ARGUMENT");
    HKEY key = nullptr;
    int code = 0;
    if (std::string(action) == "write") {
        // argument: value name; the value is "from child"
        code = RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Vornalt", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                   nullptr) != ERROR_SUCCESS
            || SetString(key, argument.c_str(), "from child") != ERROR_SUCCESS;
    } else if (std::string(action) == "expect") {
        // argument: the value "Shared" must hold
        code = RegOpenKeyExA(HKEY_CURRENT_USER, "software\\VORNALT", 0, KEY_READ, &key) != ERROR_SUCCESS
            || QueryString(key, "Shared") != argument + std::string(1, '\0');
    } else if (std::string(action) == "write twice") {
        // argument: the value "Shared" is set to it, then to it with its last letter in upper case
        // (the same size, both within a tick of a coarse file clock)
        std::string second = argument;
        second.back() = char(std::toupper(static_cast<unsigned char>(second.back())));
        code = RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Vornalt", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS
            || SetString(key, "Shared", argument) != ERROR_SUCCESS || SetString(key, "Shared", second) != ERROR_SUCCESS;
    } else if (std::string(action) == "many") {
        // argument: a prefix; sets 25 values one after another
        code = RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Vornalt", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                   nullptr) != ERROR_SUCCESS;
        for (int i = 0; i < 25 && !code; ++i)
            code = SetString(key, (argument + std::to_string(i)).c_str(), "v") != ERROR_SUCCESS;
    }
    if (key)
        RegCloseKey(key);
    std::exit(code ? 3 : 0);
}

TEST_F(RegistryTest, KeysValuesAndTheirCodes)
{
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Missing", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Vornalt\\Settings", 0, nullptr, 0, KEY_ALL_ACCESS,
                  nullptr, &key, &disposition),
        ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    EXPECT_EQ(SetString(key, "Theme", "Dark"), ERROR_SUCCESS);
    DWORD number = 0x12345678;
    EXPECT_EQ(RegSetValueExA(key, "Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, nullptr, 0, REG_BINARY, reinterpret_cast<const BYTE*>("\0\n\xFF"), 3),
        ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "Empty", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1), ERROR_SUCCESS);

    HKEY again = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\vornalt\\settings", 0, nullptr, 0, KEY_READ, nullptr,
                  &again, &disposition),
        ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(QueryString(again, "theme"), std::string("Dark\0", 5));
    EXPECT_EQ(QueryString(again, ""), std::string("\0\n\xFF", 3));
    EXPECT_EQ(QueryString(again, "Empty"), std::string(1, '\0'));
    EXPECT_EQ(QueryString(again, "Nope"), "<missing>");

    DWORD type = 0;
    DWORD size = 2;
    BYTE small[2];
    EXPECT_EQ(RegQueryValueExA(again, "Count", nullptr, &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    DWORD read = 0;
    size = 4;
    EXPECT_EQ(RegQueryValueExA(again, "Count", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(read, number);

    EXPECT_EQ(SetString(again, "Theme", "Light"), ERROR_ACCESS_DENIED) << "opened for reading";
    EXPECT_EQ(SetString(key, "THEME", "Light"), ERROR_SUCCESS);
    EXPECT_EQ(QueryString(again, "Theme"), std::string("Light\0", 6));

    char name[64];
    DWORD nameLength = sizeof(name);
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        nameLength = sizeof(name);
        LSTATUS status = RegEnumValueA(again, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        ASSERT_EQ(status, ERROR_SUCCESS);
        EXPECT_EQ(nameLength, std::strlen(name));
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string> { "Theme", "Count", "", "Empty" })) << "the order of first setting";
    nameLength = 3;
    EXPECT_EQ(RegEnumValueA(again, 0, name, &nameLength, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);

    EXPECT_EQ(RegDeleteValueA(key, "count"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, "count"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(QueryString(again, "Count"), "<missing>");

    HKEY software = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_ALL_ACCESS, &software), ERROR_SUCCESS);
    HKEY made = nullptr;
    for (const char* sub : { "zeta", "Alpha", "beta" }) {
        ASSERT_EQ(RegCreateKeyExA(software, sub, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &made, nullptr), ERROR_SUCCESS);
        RegCloseKey(made);
    }
    names.clear();
    for (DWORD i = 0;; ++i) {
        nameLength = sizeof(name);
        if (RegEnumKeyExA(software, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string> { "Alpha", "beta", "Vornalt", "zeta" }));
    EXPECT_EQ(RegDeleteKeyA(software, "Vornalt"), ERROR_ACCESS_DENIED) << "it has a subkey";
    EXPECT_EQ(RegDeleteKeyA(software, "Vornalt\\Settings"), ERROR_SUCCESS);
    EXPECT_EQ(SetString(key, "Theme", "x"), ERROR_KEY_DELETED);
    EXPECT_EQ(QueryString(again, "Theme"), "<missing>");
    // The order follows later changes.
    EXPECT_EQ(RegDeleteKeyA(software, "ZETA"), ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyExA(software, "gamma", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &made, nullptr), ERROR_SUCCESS);
    RegCloseKey(made);
    names.clear();
    for (DWORD i = 0;; ++i) {
        nameLength = sizeof(name);
        if (RegEnumKeyExA(software, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string> { "Alpha", "beta", "gamma", "Vornalt" }));

    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(again), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(software), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
    EXPECT_EQ(SetString(key, "x", "y"), ERROR_INVALID_HANDLE);

    // One file per root; other roots stay untouched.
    EXPECT_TRUE(std::filesystem::exists(m_config + "/vornalt/HKEY_CURRENT_USER"));
    EXPECT_FALSE(std::filesystem::exists(m_config + "/vornalt/HKEY_LOCAL_MACHINE"));
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, TheUsersRootAlwaysHoldsSoftware)
{
    // A fresh store: programs open "Software" and make their own keys below it.
    HKEY software = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &software), ERROR_SUCCESS);
    RegCloseKey(software);
    HKEY other = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &other), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, ADamagedFileIsReportedAndKept)
{
    std::filesystem::create_directories(m_config + "/vornalt");
    std::string path = m_config + "/vornalt/HKEY_LOCAL_MACHINE";
    std::ofstream(path) << "not a registry\n";
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key), ERROR_BADDB);
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_BADDB);
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    EXPECT_EQ(line, "not a registry");
}

TEST_F(RegistryTest, ValuesCrossProcesses)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Vornalt", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                  nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(SetString(key, "Shared", "from parent"), ERROR_SUCCESS);
    EXPECT_EQ(RunChild("expect", "from parent"), 0) << "the child reads what this process wrote";
    EXPECT_EQ(RunChild("expect", "something else"), 3) << "and really compares";

    EXPECT_EQ(RunChild("write", "Child"), 0);
    EXPECT_EQ(QueryString(key, "Child"), std::string("from child\0", 11)) << "this process reads what the child wrote";
    EXPECT_EQ(QueryString(key, "Shared"), std::string("from parent\0", 12)) << "the child kept our value";

    // The other process writes again, twice in quick succession with values of one size: this
    // process must see the last, not a version of the file it read before.
    for (const char* text : { "second write", "third write" }) {
        std::string expected = text;
        expected.back() = char(std::toupper(static_cast<unsigned char>(expected.back())));
        EXPECT_EQ(RunChild("write twice", text), 0);
        EXPECT_EQ(QueryString(key, "Shared"), expected + std::string(1, '\0'));
        ASSERT_EQ(SetString(key, "Shared", text), ERROR_SUCCESS);
        EXPECT_EQ(RunChild("expect", text), 0) << "and the child sees this process's write after its own";
    }

    // Two processes writing at the same time lose nothing.
    pid_t first = StartChild("many", "a");
    pid_t second = StartChild("many", "b");
    for (int i = 0; i < 25; ++i)
        ASSERT_EQ(SetString(key, ("p" + std::to_string(i)).c_str(), "v"), ERROR_SUCCESS);
    EXPECT_EQ(WaitChild(first), 0);
    EXPECT_EQ(WaitChild(second), 0);
    for (const char* prefix : { "a", "b", "p" }) {
        for (int i = 0; i < 25; ++i)
            EXPECT_EQ(QueryString(key, (prefix + std::to_string(i)).c_str()), std::string("v\0", 2)) << prefix << i;
    }
    RegCloseKey(key);
}

TEST_F(RegistryTest, ThousandsOfValuesUnderOneKey)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Vornalt\\Large", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                  &key, nullptr),
        ERROR_SUCCESS);
    constexpr int kCount = 2000;
    auto nameOf = [](int i) { return "Value" + std::to_string(i); };
    auto textOf = [](int i) { return "text " + std::to_string(i * 7); };
    for (int i = 0; i < kCount; ++i)
        ASSERT_EQ(SetString(key, nameOf(i).c_str(), textOf(i)), ERROR_SUCCESS) << i;
    ASSERT_EQ(SetString(key, "value10", "changed"), ERROR_SUCCESS) << "changes in place, keeps its position";
    ASSERT_EQ(RegDeleteValueA(key, "VALUE5"), ERROR_SUCCESS);
    RegCloseKey(key);

    // Read back through a fresh handle, and in another process from the file alone.
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Vornalt\\Large", 0, KEY_READ, &key), ERROR_SUCCESS);
    std::vector<int> expectedOrder;
    for (int i = 0; i < kCount; ++i) {
        if (i != 5)
            expectedOrder.push_back(i);
    }
    DWORD index = 0;
    for (;; ++index) {
        char name[64];
        DWORD nameLength = sizeof(name);
        char data[64];
        DWORD size = sizeof(data);
        DWORD type = 0;
        LSTATUS status = RegEnumValueA(key, index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        ASSERT_EQ(status, ERROR_SUCCESS) << index;
        ASSERT_LT(index, expectedOrder.size());
        int i = expectedOrder[index];
        EXPECT_EQ(name, nameOf(i));
        EXPECT_EQ(type, DWORD(REG_SZ));
        EXPECT_EQ(std::string(data, size), (i == 10 ? std::string("changed") : textOf(i)) + std::string(1, '\0'));
    }
    EXPECT_EQ(index, DWORD(kCount - 1));
    EXPECT_EQ(QueryString(key, "value1999"), textOf(1999) + std::string(1, '\0'));
    EXPECT_EQ(QueryString(key, "Value5"), "<missing>");
    EXPECT_EQ(QueryString(key, "Value6"), textOf(6) + std::string(1, '\0')) << "the names after a deleted one still resolve";
    RegCloseKey(key);

    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Vornalt", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                  nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(SetString(key, "Shared", "after many"), ERROR_SUCCESS);
    EXPECT_EQ(RunChild("expect", "after many"), 0);
    RegCloseKey(key);
}

TEST_F(RegistryTest, AFileDamagedAfterItWasReadIsRefusedAndKept)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Vornalt", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                  nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(SetString(key, "Theme", "Dark"), ERROR_SUCCESS);
    ASSERT_EQ(QueryString(key, "Theme"), std::string("Dark\0", 5));

    // Another program replaces the file with something that is not a registry file.
    std::string path = m_config + "/vornalt/HKEY_CURRENT_USER";
    std::string replacement = path + ".new";
    std::ofstream(replacement) << "damaged\n";
    std::filesystem::rename(replacement, path);
    EXPECT_EQ(QueryString(key, "Theme"), "<missing>");
    EXPECT_EQ(SetString(key, "Theme", "Light"), ERROR_BADDB);
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    EXPECT_EQ(line, "damaged") << "the damaged file is not overwritten";

    // Removed altogether, the root is empty again, not the tree read before.
    std::filesystem::remove(path);
    EXPECT_EQ(SetString(key, "Theme", "Light"), ERROR_KEY_DELETED);
    RegCloseKey(key);
}
