#include "app/VornaltApp.h"

#include "app/CommandLineBatchRunner.h"
#include "app/CommandLineInfo.h"
#include "app/properties/WindowedActionDialogs.h"
#include "app/mainwindow/VornaltDlg.h"
#include "app/panes/ActionDragFormats.h"
#include "platform/controls/CommonControls.h"
#include "platform/user/Accelerators.h"
#include "platform/user/Resources.h"
#include "engine/LogFile.h"
#include "engine/ProgramFolder.h"
#include "postprocess/PostProcessActions.h"
#include "platform/base/Unicode.h"

#include <atomic>
#include <cstdio>

namespace {

const char kUsage[] =
    "usage: vornalt -s <file.stack> [-f <image>...] [-d <folder>...]\n"
    "  -s  the stack file to run without the main window\n"
    "  -f  image files to run it over\n"
    "  -d  folders whose images (in every subfolder too) to run it over\n"
    "  a switch holds for every path after it, until the next switch\n";

// Where the log went, for the user's eyes.
std::string logLocation()
{
    std::u16string inUse = LogFileInUse();
    return inUse.empty() ? std::string("standard error") : Utf16ToUtf8(inUse);
}

constexpr UINT IDR_ACCELERATORS = 135;

std::atomic<HWND> g_mainWindow { nullptr };
std::atomic<HACCEL> g_accelerators { nullptr };

} // namespace

CSettingsStore& GetAppSettings()
{
    if (auto* app = dynamic_cast<CVornaltApp*>(AfxGetApp()))
        return app->m_settings;
    static CSettingsStore standalone;
    return standalone;
}

void SetMainWindowHandle(HWND window) { g_mainWindow = window; }
HWND GetMainWindowHandle() { return g_mainWindow; }
void SetAcceleratorTable(HACCEL table) { g_accelerators = table; }


CVornaltApp::CVornaltApp(std::vector<std::u16string> arguments)
    : CWinApp(u"vornalt"), m_arguments(std::move(arguments))
{
}

BOOL CVornaltApp::ProcessMessageFilter(int code, MSG* msg)
{
    const HWND main = g_mainWindow;
    const HACCEL table = g_accelerators;
    if (main && table && msg && ::TranslateAcceleratorW(main, table, msg))
        return TRUE;
    return CWinApp::ProcessMessageFilter(code, msg);
}

BOOL CVornaltApp::InitInstance()
{
    InitCommonControls();
    AfxInitThread();
    g_accelerators = ::LoadAcceleratorsW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_ACCELERATORS));
    LogOpen(GetProgramFolder() + u"vornalt.log");
    RegisterPostProcessActions();
    InstallWindowedActionDialogs();

    CVornaltCommandLineInfo commandLine;
    ParseCommandLine(commandLine, m_arguments);
    if (commandLine.m_unknownParameters > 0)
        std::fputs(kUsage, stderr);

    SetRegistryKey(u"Vornalt");
    RegisterActionDragFormats();
    m_settings.Load();

    if (commandLine.m_strStackFile.empty() || commandLine.m_bShowMainWindow != 0) {
        m_exitCode = RunMainWindow(commandLine);
        return FALSE;
    }

    m_exitCode = RunCommandLine(commandLine);
    LogClose();
    return FALSE;
}

int CVornaltApp::RunMainWindow(const CVornaltCommandLineInfo& commandLine)
{
    {
        CVornaltDlg dialog;
        dialog.m_strCommandLineStackPath = commandLine.m_strStackFile.c_str();
        m_pMainWnd = &dialog;
        dialog.DoModal();
        m_pMainWnd = nullptr;
    }
    return commandLine.m_unknownParameters > 0 ? EXIT_CODE_RUN_FAILED : EXIT_CODE_SUCCESS;
}

int CVornaltApp::RunCommandLine(const CVornaltCommandLineInfo& commandLine)
{
    // Nobody could answer a message box here.
    RouteMessageBoxesToLog();
    CCommandLineBatchRunner runner;
    runner.Run(commandLine.m_strStackFile, commandLine.m_targetFiles);
    const std::string stack = EscapeLogValue(Utf16ToUtf8(commandLine.m_strStackFile));
    if (runner.StackEmpty()) {
        std::fprintf(stderr, "vornalt: CLI: Stack file %s holds no action; see %s\n", stack.c_str(),
            logLocation().c_str());
        return EXIT_CODE_NOT_STARTED;
    }
    if (!runner.StackLoaded() || !runner.BatchStarted()) {
        std::fprintf(stderr, "vornalt: the stack %s was not run; see %s\n", stack.c_str(),
            logLocation().c_str());
        return EXIT_CODE_NOT_STARTED;
    }
    // What went wrong besides the targets: each makes the run fail after it did what it could.
    std::string problems;
    auto add = [&problems](int count, const char* what) {
        if (count > 0)
            problems += ", " + std::to_string(count) + " " + what;
    };
    add(commandLine.m_missingInputs, "inputs not found");
    add(commandLine.m_refusedInputs, "inputs refused");
    add(runner.StackProblemCount(), "problems in the stack file");
    add(commandLine.m_unknownParameters, "unknown parameters");
    if (!runner.Succeeded()) {
        std::fprintf(stderr, "vornalt: %d of %d targets failed or post-processing failed%s; see %s\n",
            runner.FailedTargetCount(), runner.TargetCount(), problems.c_str(), logLocation().c_str());
        return EXIT_CODE_RUN_FAILED;
    }
    if (!problems.empty()) {
        std::fprintf(stderr, "vornalt: %d files processed%s; see %s\n", runner.TargetCount(), problems.c_str(),
            logLocation().c_str());
        return EXIT_CODE_RUN_FAILED;
    }
    std::fprintf(stderr, "vornalt: %d files processed; log in %s\n", runner.TargetCount(), logLocation().c_str());
    return EXIT_CODE_SUCCESS;
}

int CVornaltApp::ExitInstance()
{
    LogClose();
    return m_exitCode;
}
