// The module registry: names without case or ".dll", handles that change when a module is
// replaced, defaults that come back at Reset, and the program's own module.

#include "platform/base/LastError.h"
#include "platform/base/Modules.h"

#include <gtest/gtest.h>

namespace {

int Seven() { return 7; }
int Eight() { return 8; }

TEST(ModuleRegistry, RegisterReplaceRemoveAndReset)
{
    using namespace platform::modules;
    Reset();
    EXPECT_EQ(LoadLibraryW(u"sample.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    HMODULE first = Register(u"Sample.DLL", { { "Answer", Export(&Seven) } });
    EXPECT_EQ(LoadLibraryW(u"SAMPLE"), first);
    EXPECT_EQ(GetModuleHandleA("sample.dll"), first);
    EXPECT_EQ(reinterpret_cast<int (*)()>(GetProcAddress(first, "Answer"))(), 7);
    EXPECT_EQ(GetProcAddress(first, "Other"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_FALSE(FreeLibrary(first)); // one load, one free

    // A replacement is a new handle; the old one binds nothing.
    HMODULE second = Register(u"sample", { { "Answer", Export(&Eight) } });
    EXPECT_NE(second, first);
    EXPECT_EQ(GetProcAddress(first, "Answer"), nullptr);
    EXPECT_EQ(reinterpret_cast<int (*)()>(GetProcAddress(second, "Answer"))(), 8);
    EXPECT_TRUE(RemoveExport(u"sample", "Answer"));
    EXPECT_EQ(GetProcAddress(second, "Answer"), nullptr);
    EXPECT_TRUE(Remove(u"SAMPLE.dll"));
    EXPECT_FALSE(Remove(u"sample"));

    // A default contributed by a layer above survives Reset; a plain registration does not.
    AddDefault(u"layer.dll", { { "Answer", Export(&Seven) } });
    Register(u"transient", {});
    Reset();
    EXPECT_NE(GetModuleHandleW(u"layer"), nullptr);
    EXPECT_EQ(GetModuleHandleW(u"transient"), nullptr);
    EXPECT_NE(GetModuleHandleW(nullptr), nullptr); // the program itself
    EXPECT_EQ(GetModuleHandleA(nullptr), GetModuleHandleW(nullptr));
}

} // namespace
