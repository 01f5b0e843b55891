#include "platform/base/ErrorText.h"
#include "platform/base/Guid.h"
#include "platform/base/LastError.h"
#include "platform/base/ProcessInfo.h"
#include "platform/base/Random.h"
#include "platform/base/RefCounted.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <set>
#include <thread>
#include <vector>

TEST(Random, MatchesTheRuntimeSequence)
{
    RuntimeSrand(1);
    // The desktop runtime's first values for seed 1.
    EXPECT_EQ(RuntimeRand(), 41);
    EXPECT_EQ(RuntimeRand(), 18467);
    EXPECT_EQ(RuntimeRand(), 6334);
    RuntimeSrand(1);
    EXPECT_EQ(RuntimeRand(), 41);
    for (int i = 0; i < 10000; ++i) {
        int r = RuntimeRand();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, RUNTIME_RAND_MAX);
    }
}

TEST(Random, StateIsPerThreadAndStartsAtOne)
{
    RuntimeSrand(12345);
    RuntimeRand();
    int first = -1;
    std::thread([&] { first = RuntimeRand(); }).join();
    EXPECT_EQ(first, 41);
}

TEST(ErrorText, EnglishTextsForLayerCodes)
{
    EXPECT_EQ(SystemErrorText(ERROR_FILE_NOT_FOUND), "The system cannot find the file specified.\r\n");
    EXPECT_EQ(SystemErrorText(ERROR_ACCESS_DENIED), "Access is denied.\r\n");
    EXPECT_EQ(SystemErrorTextW(ERROR_ALREADY_EXISTS), u"Cannot create a file when that file already exists.\r\n");
    char* block = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, ERROR_PATH_NOT_FOUND, 0x400, reinterpret_cast<char*>(&block), 0, nullptr);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(std::string(block, n), "The system cannot find the path specified.\r\n");
    LocalFree(block);
    char small[8];
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, 0, small, sizeof small, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(SystemErrorText(424242), "");
}

TEST(ErrorText, FallsBackToStrerrorForUnmappedErrno)
{
    SetLastErrorFromErrno(EDOM);
    ASSERT_EQ(GetLastError(), ERROR_INVALID_FUNCTION);
    std::string text = SystemErrorText(GetLastError());
    EXPECT_NE(text.find("domain"), std::string::npos) << text;
    SetLastError(ERROR_INVALID_FUNCTION);
    EXPECT_EQ(SystemErrorText(ERROR_INVALID_FUNCTION), "Incorrect function.\r\n");
}

TEST(Guid, TextFormAndUniqueness)
{
    std::set<std::u16string> seen;
    for (int i = 0; i < 200; ++i) {
        std::u16string text = NewGuidString();
        ASSERT_EQ(text.size(), 38u);
        EXPECT_EQ(text[0], u'{');
        EXPECT_EQ(text[37], u'}');
        for (size_t pos : { 9u, 14u, 19u, 24u })
            EXPECT_EQ(text[pos], u'-');
        for (char16_t c : text)
            EXPECT_FALSE(c >= u'a' && c <= u'z');
        EXPECT_EQ(text[15], u'4'); // version 4
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 200u);

    GUID g;
    g.Data1 = 0x8A1B2C3D;
    g.Data2 = 0x00EF;
    g.Data3 = 0x4A01;
    BYTE tail[8] = { 0x9F, 0x02, 0xAB, 0xCD, 0xEF, 0x01, 0x23, 0x45 };
    std::copy(tail, tail + 8, g.Data4);
    EXPECT_EQ(GuidToString(g), u"{8A1B2C3D-00EF-4A01-9F02-ABCDEF012345}");
    WCHAR buffer[39];
    EXPECT_EQ(StringFromGUID2(g, buffer, 39), 39);
    EXPECT_EQ(StringFromGUID2(g, buffer, 38), 0);
    GUID parsed;
    ASSERT_TRUE(GuidFromString(u"{8a1b2c3d-00ef-4a01-9f02-abcdef012345}", parsed));
    EXPECT_TRUE(parsed == g);
    EXPECT_FALSE(GuidFromString(u"8A1B2C3D-00EF-4A01-9F02-ABCDEF012345", parsed));
}

TEST(Guid, GeneratorFailureGivesTheEmptyId)
{
    SetGuidRandomSourceForTesting([](BYTE*, size_t) { return false; });
    GUID guid;
    EXPECT_EQ(CoCreateGuid(&guid), E_FAIL);
    EXPECT_EQ(NewGuidString(), u"");
    // A source that works is used as it is, with the version and variant bits set.
    SetGuidRandomSourceForTesting([](BYTE* bytes, size_t count) {
        for (size_t i = 0; i < count; ++i)
            bytes[i] = BYTE(i);
        return true;
    });
    EXPECT_EQ(NewGuidString(), u"{00010203-0405-4607-8809-0A0B0C0D0E0F}");
    SetGuidRandomSourceForTesting(nullptr);
    EXPECT_EQ(NewGuidString().size(), 38u);
}

TEST(ProcessInfo, ProgramFolderAndUser)
{
    std::string folder = GetProgramFolderPath();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    std::string file = GetProgramFilePath();
    EXPECT_EQ(file.rfind(folder, 0), 0u);
    EXPECT_NE(file.find("platform_base_tests"), std::string::npos);
    SetProgramFilePathForTesting("/opt/vornalt/bin/vornalt");
    EXPECT_EQ(GetProgramFolderPathW(), u"/opt/vornalt/bin/");
    SetProgramFilePathForTesting("");
    EXPECT_EQ(GetProgramFolderPath(), folder);

    EXPECT_FALSE(GetCurrentUserName().empty());
    DWORD size = 0;
    EXPECT_FALSE(GetUserNameA(nullptr, &size));
    EXPECT_EQ(size, GetCurrentUserName().size() + 1);
    std::vector<char> name(size);
    EXPECT_TRUE(GetUserNameA(name.data(), &size));
    EXPECT_EQ(std::string(name.data()), GetCurrentUserName());
    EXPECT_NE(GetCurrentThreadId(), 0u);
}

namespace {
std::atomic<int> g_deleted { 0 };
struct Counted : RefCounted {
    ~Counted() override { ++g_deleted; }
};
}

TEST(RefCounted, DeletesAtZeroAcrossThreads)
{
    g_deleted = 0;
    auto* object = new Counted;
    EXPECT_EQ(object->ReferenceCount(), 1);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        object->AddRef();
        threads.emplace_back([object] {
            for (int i = 0; i < 10000; ++i) {
                object->AddRef();
                object->Release();
            }
            object->Release();
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(g_deleted, 0);
    EXPECT_EQ(object->Release(), 0);
    EXPECT_EQ(g_deleted, 1);

    {
        RefPtr<Counted> owner = RefPtr<Counted>::Adopt(new Counted);
        RefPtr<Counted> second = owner;
        EXPECT_EQ(owner->ReferenceCount(), 2);
    }
    EXPECT_EQ(g_deleted, 2);
}
