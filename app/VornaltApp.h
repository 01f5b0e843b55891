#pragma once
// The application object: opens the log in the program folder, reads the command line and runs
// exactly one thing to its end inside InitInstance: the command-line runner for "-s <stack>",
// otherwise the main window as a modal dialog. ExitInstance closes the log and gives the process
// exit code. The settings store belongs to it; every window reaches it through GetAppSettings.

#include "app/SettingsStore.h"
#include "platform/framework/WinApp.h"

#include <string>
#include <vector>

class CVornaltCommandLineInfo;

// Process exit codes.
constexpr int EXIT_CODE_SUCCESS = 0;
constexpr int EXIT_CODE_RUN_FAILED = 1;    // a target, a post-process action or an input failed, the stack file
                                           // had problems, or a parameter was not understood
constexpr int EXIT_CODE_NOT_STARTED = 2;   // the stack could not be loaded, held no action, or the run not started

class CVornaltApp : public CWinApp {
public:
    // The arguments after the program name.
    explicit CVornaltApp(std::vector<std::u16string> arguments);

    // The whole start-up and run; always false (there is no message loop to enter afterwards).
    BOOL InitInstance() override;
    // Closes the log (a second close writes nothing) and returns the exit code.
    int ExitInstance() override;
    // Ctrl+O, Ctrl+S, Ctrl+Up and Ctrl+Down reach the main window from every modal loop.
    BOOL ProcessMessageFilter(int code, MSG* msg) override;
    CWnd* GetMainWnd() override { return m_pMainWnd; }

    CSettingsStore m_settings;

private:
    int RunCommandLine(const CVornaltCommandLineInfo& commandLine);
    int RunMainWindow(const CVornaltCommandLineInfo& commandLine);

    std::vector<std::u16string> m_arguments;
    int m_exitCode = EXIT_CODE_NOT_STARTED;
};

// The application's settings; a store of its own when no application object runs (tests).
CSettingsStore& GetAppSettings();

// The main window's handle for the accelerator filter (null while there is none).
void SetMainWindowHandle(HWND window);
HWND GetMainWindowHandle();
// The accelerator table the filter translates with (loaded at start-up; tests may load it).
void SetAcceleratorTable(HACCEL table);
