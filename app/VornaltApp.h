#pragma once
// The application object: opens the log in the program folder, reads the command line and runs
// exactly one thing to its end inside InitInstance: the command-line runner for "-s <stack>",
// otherwise the main window (not part of this build yet: a one-line notice instead).
// ExitInstance closes the log and gives the process exit code.

#include <string>
#include <vector>

class CVornaltCommandLineInfo;

// Process exit codes.
constexpr int EXIT_CODE_SUCCESS = 0;
constexpr int EXIT_CODE_RUN_FAILED = 1;    // a target, a post-process action or an input failed, the stack file
                                           // had problems, or a parameter was not understood
constexpr int EXIT_CODE_NOT_STARTED = 2;   // the stack could not be loaded, held no action, or the run not started
constexpr int EXIT_CODE_NO_MAIN_WINDOW = 3; // the main window was asked for (and every parameter understood)

class CVornaltApp {
public:
    // The arguments after the program name.
    explicit CVornaltApp(std::vector<std::u16string> arguments);

    // The whole start-up and run; always false (there is no message loop to enter afterwards).
    bool InitInstance();
    // Closes the log (a second close writes nothing) and returns the exit code.
    int ExitInstance();

private:
    int RunCommandLine(const CVornaltCommandLineInfo& commandLine);

    std::vector<std::u16string> m_arguments;
    int m_exitCode = EXIT_CODE_NOT_STARTED;
};
