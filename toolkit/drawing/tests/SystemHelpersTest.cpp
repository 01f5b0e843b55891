#include "toolkit/drawing/MenuSoundPlayer.h"
#include "toolkit/drawing/SystemHelpers.h"
#include "toolkit/drawing/WinThemeWrapper.h"
#include "toolkit/drawing/tests/FakeThemeModule.h"

#include "platform/base/Sound.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

struct ModuleReset {
    ~ModuleReset() { platform::modules::Reset(); }
};

DWORD g_fakeMajor = 5, g_fakeMinor = 81;
LONG FakeDllGetVersion(DLLVERSIONINFO* info)
{
    if (info->cbSize != 20)
        return E_INVALIDARG;
    info->dwMajorVersion = g_fakeMajor;
    info->dwMinorVersion = g_fakeMinor;
    return S_OK;
}
void Feature() { }

} // namespace

TEST(OsVersion, NamedTestsFollowPlatformAndVersion)
{
    struct Case {
        DWORD platform, major, minor;
        bool is95, is98, is9x, nt4, xp, xpOrLater, vista;
    };
    const Case cases[] = {
        { 1, 4, 0, true, false, true, false, false, false, false },
        { 1, 4, 10, false, true, true, false, false, false, false },
        { 2, 4, 0, false, false, false, true, false, false, false },
        { 2, 5, 1, false, false, false, false, true, true, false },
        { 2, 6, 1, false, false, false, false, false, true, true },
        { 2, 10, 0, false, false, false, false, false, true, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.platform) + " " + std::to_string(c.major) + "." + std::to_string(c.minor));
        ScopedSystemModel model;
        model.Edit().versionMajor = c.major;
        model.Edit().versionMinor = c.minor;
        CJQWOsVersion version;
        // The layer answers for the NT platform; the 9x rows set it by hand.
        const_cast<OSVERSIONINFOW&>(version.Info()).dwPlatformId = c.platform;
        EXPECT_EQ(bool(version.IsWindows95()), c.is95);
        EXPECT_EQ(bool(version.IsWindows98()), c.is98);
        EXPECT_EQ(bool(version.IsWin9x()), c.is9x);
        EXPECT_EQ(bool(version.IsWindowsNT4()), c.nt4);
        EXPECT_EQ(bool(version.IsWindowsXP()), c.xp);
        EXPECT_EQ(bool(version.IsWindowsXPOrLater()), c.xpOrLater);
        EXPECT_EQ(bool(version.IsVistaOrLater()), c.vista);
    }
}

TEST(ModuleHandle, AttachesOrLoadsAndGatesEntryPointsByVersion)
{
    ModuleReset reset;
    using platform::modules::Export;
    platform::modules::Register(u"feature.dll", { { "DllGetVersion", Export(&FakeDllGetVersion) },
                                                  { "Feature", Export(&Feature) } });
    CJQWModuleHandle module(u"feature.dll");
    EXPECT_EQ(module.GetKind(), CJQWModuleHandle::kAttached);
    EXPECT_EQ(module.GetVersion(), 5u * 65536 + 81);
    FARPROC entry = nullptr;
    EXPECT_TRUE(module.GetProcAddress("Feature", &entry, 5 * 65536 + 80));
    EXPECT_EQ(entry, Export(&Feature));
    EXPECT_FALSE(module.GetProcAddress("Missing", &entry));
    EXPECT_EQ(entry, nullptr);

    g_fakeMinor = 79;
    CJQWModuleHandle older;
    EXPECT_TRUE(older.Load(u"FEATURE"));
    EXPECT_EQ(older.GetKind(), CJQWModuleHandle::kLoaded);
    EXPECT_FALSE(older.GetProcAddress("Feature", &entry, 5 * 65536 + 80));
    EXPECT_TRUE(older.Release());
    EXPECT_EQ(older.GetHandle(), nullptr);
    EXPECT_FALSE(older.GetProcAddress("Feature", &entry));

    CJQWModuleHandle none(u"absent.dll");
    EXPECT_EQ(none.GetHandle(), nullptr);
    EXPECT_EQ(none.GetVersion(), 0u);
}

// The common-controls version is read once per process: these cases run in a fresh one.
TEST(ModuleHandle, CommonControlsWithoutAVersionCountAsFour)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            platform::modules::RemoveExport(u"COMCTL32.DLL", "DllGetVersion");
            std::exit(GetComCtlVersion() == 0x40000u && !IsComCtl6OrLater() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(ModuleHandle, CommonControlsSixIsReported)
{
    EXPECT_EQ(GetComCtlVersion(), 0x60000u);
    EXPECT_TRUE(IsComCtl6OrLater());
}

namespace {
int FakeMetrics(int index) { return GetSystemMetrics(index); }
HMONITOR FakeFromWindow(HWND, DWORD) { return reinterpret_cast<HMONITOR>(2); }
HMONITOR FakeFromRect(const RECT*, DWORD) { return reinterpret_cast<HMONITOR>(2); }
HMONITOR FakeFromPoint(POINT, DWORD) { return reinterpret_cast<HMONITOR>(2); }
BOOL FakeMonitorInfo(HMONITOR monitor, MONITORINFO* info)
{
    if (monitor != reinterpret_cast<HMONITOR>(2) || info->cbSize != 40)
        return FALSE;
    info->rcMonitor = { 1280, 0, 2560, 1024 };
    info->rcWork = { 1280, 0, 2560, 990 };
    return TRUE;
}
} // namespace

TEST(MultiMonitor, AllFiveEntryPointsOrThePrimaryScreen)
{
    ModuleReset reset;
    using platform::modules::Export;
    platform::modules::Exports exports { { "GetSystemMetrics", Export(&FakeMetrics) },
                                         { "MonitorFromWindow", Export(&FakeFromWindow) },
                                         { "MonitorFromRect", Export(&FakeFromRect) },
                                         { "MonitorFromPoint", Export(&FakeFromPoint) },
                                         { "GetMonitorInfoW", Export(&FakeMonitorInfo) } };
    platform::modules::Register(u"User32.dll", exports);
    {
        CJQWMultiMonitor monitors;
        EXPECT_TRUE(monitors.IsBound());
        EXPECT_EQ(monitors.WorkAreaOfWindow(nullptr), CRect(1280, 0, 2560, 990));
        EXPECT_EQ(monitors.ScreenAreaAtPoint({ 1300, 10 }), CRect(1280, 0, 2560, 1024));
    }
    exports.erase("MonitorFromPoint");
    platform::modules::Register(u"User32.dll", exports);
    CJQWMultiMonitor partial;
    EXPECT_FALSE(partial.IsBound());
    CRect primaryWork;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &primaryWork, 0);
    EXPECT_EQ(partial.WorkAreaOfWindow(nullptr), primaryWork);
    EXPECT_EQ(partial.ScreenAreaOfRect(CRect(1300, 0, 1400, 100)),
              CRect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
}

TEST(WinThemeWrapper, FailsSoftlyWithoutAThemeAndRebindsWhenTheModuleChanges)
{
    ModuleReset reset;
    CJQWWinThemeWrapper wrapper;
    EXPECT_FALSE(wrapper.IsThemeActive());
    wrapper.OpenThemeData(nullptr, u"TOOLBAR");
    EXPECT_EQ(wrapper.GetThemeHandle(), nullptr);
    RECT r { 0, 0, 10, 10 };
    EXPECT_EQ(wrapper.DrawThemeBackground(nullptr, 1, 1, &r, nullptr), E_FAIL);
    EXPECT_FALSE(wrapper.IsAppThemed());
    wrapper.CloseThemeData();
    wrapper.CloseThemeData();
    EXPECT_EQ(wrapper.GetThemeHandle(), nullptr);
    EXPECT_EQ(CallDwmExtendFrameIntoClientArea(nullptr, 1, 2, 3, 4), E_FAIL);

    FakeThemeModule fake;
    fake.active = true;
    fake.Install();
    EXPECT_TRUE(wrapper.IsThemeActive());
    // Visual styles on, but never opened: not themed.
    EXPECT_FALSE(wrapper.IsAppThemed());
    EXPECT_TRUE(wrapper.IsAppThemeReady());
    wrapper.OpenThemeData(nullptr, u"TOOLBAR"); // fails: a null handle still reaches the module
    EXPECT_EQ(wrapper.DrawThemeBackground(nullptr, 1, 1, &r, nullptr), E_FAIL);
    EXPECT_EQ(fake.Log().back(), "DrawThemeBackground null");
    fake.openSucceeds = true;
    wrapper.OpenThemeData(nullptr, u"TOOLBAR");
    EXPECT_NE(wrapper.GetThemeHandle(), nullptr);
    EXPECT_TRUE(wrapper.IsAppThemed());
    EXPECT_EQ(wrapper.DrawThemeBackground(nullptr, 1, 1, &r, nullptr), S_OK);
    wrapper.OpenThemeData(nullptr, u"TOOLBAR");
    EXPECT_EQ(fake.Log()[fake.Log().size() - 2], "CloseThemeData"); // at most one handle held
    wrapper.CloseThemeData();

    platform::modules::Reset(); // the inactive default comes back under a new handle
    EXPECT_FALSE(wrapper.IsThemeActive());
}

TEST(WinThemeWrapper, NotReadyWithCommonControlsFive)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ScopedSystemModel model;
            model.Edit().commonControlsMajor = 5;
            model.Edit().commonControlsMinor = 82;
            FakeThemeModule fake;
            fake.active = true;
            fake.Install();
            CJQWWinThemeWrapper wrapper;
            std::exit(wrapper.IsThemeActive() && !wrapper.IsAppThemeReady() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(MenuSoundPlayer, PlaysOnItsOwnThreadDropsRequestsMadeWhileASoundPlaysAndStopsCooperatively)
{
    auto waitForSounds = [](std::size_t n) {
        for (int i = 0; i < 2000 && platform::sound::Played().size() < n; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    platform::sound::Reset();
    CJQWMenuSoundPlayer player;
    EXPECT_FALSE(player.IsRunning());
    player.Play(CJQWMenuSoundPlayer::kPopup);
    EXPECT_TRUE(player.IsRunning());
    waitForSounds(1);
    player.Stop();
    EXPECT_FALSE(player.IsRunning());
    std::vector<std::u16string> played = platform::sound::Played();
    ASSERT_EQ(played.size(), 2u);
    EXPECT_EQ(played[0], u"MenuPopup");
    EXPECT_EQ(played[1], u""); // the purge at the end
    player.Stop(); // a second stop does nothing

    // A request stored while a sound plays is dropped with it.
    platform::sound::Reset();
    platform::sound::HoldSounds(true);
    player.Play(CJQWMenuSoundPlayer::kCommand); // a new thread after the stop
    waitForSounds(1);                          // the thread is inside the sound now
    player.Play(CJQWMenuSoundPlayer::kPopup);
    platform::sound::HoldSounds(false);
    player.Stop();
    played = platform::sound::Played();
    ASSERT_EQ(played.size(), 2u);
    EXPECT_EQ(played[0], u"MenuCommand");
    EXPECT_EQ(played[1], u"");

    player.Enable(FALSE);
    player.Play(CJQWMenuSoundPlayer::kCommand);
    EXPECT_FALSE(player.IsRunning());
}
