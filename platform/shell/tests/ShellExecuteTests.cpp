#include "platform/shell/ShellExecute.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

LONG_PTR Code(HINSTANCE result) { return reinterpret_cast<LONG_PTR>(result); }

std::string ReadWhenThere(const std::string& path)
{
    for (int i = 0; i < 500; ++i) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        if (!text.str().empty() && text.str().back() == '\n')
            return text.str();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return {};
}

} // namespace

TEST(ShellExecute, OpenHandsTheAddressToTheDesktopOpenerAndOtherVerbsAreRefused)
{
    // A stand-in opener first on the path records what it was given.
    char pattern[] = "/tmp/vornalt-shell-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string folder = pattern;
    const std::string record = folder + "/opened.txt";
    {
        std::ofstream opener(folder + "/xdg-open");
        opener << "#!/bin/sh\nprintf '%s\\n' \"$*\" > '" << record << ".part' && mv '" << record << ".part' '"
               << record << "'\n";
    }
    chmod((folder + "/xdg-open").c_str(), 0755);
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (folder + ":" + path).c_str(), 1);

    const char16_t* address = u"http://127.0.0.1:8080/services/auth/?api_key=k&frob=a%20b";
    EXPECT_GT(Code(ShellExecuteW(nullptr, u"open", address, nullptr, nullptr, SW_SHOWNORMAL)), 32);
    EXPECT_EQ(ReadWhenThere(record), "http://127.0.0.1:8080/services/auth/?api_key=k&frob=a%20b\n");

    EXPECT_EQ(Code(ShellExecuteW(nullptr, u"print", address, nullptr, nullptr, SW_SHOWNORMAL)), SE_ERR_NOASSOC);
    EXPECT_EQ(Code(ShellExecuteW(nullptr, nullptr, u"", nullptr, nullptr, SW_SHOWNORMAL)), LONG_PTR(2));

    // No opener at all.
    setenv("PATH", folder.c_str(), 1);
    std::filesystem::remove(folder + "/xdg-open");
    EXPECT_EQ(Code(ShellExecuteW(nullptr, nullptr, address, nullptr, nullptr, SW_SHOWNORMAL)), SE_ERR_NOASSOC);
    setenv("PATH", path.c_str(), 1);
    std::filesystem::remove_all(folder);
}
