#include "app/VornaltApp.h"

#include "app/CommandLineBatchRunner.h"
#include "app/CommandLineInfo.h"
#include "engine/LogFile.h"
#include "engine/ProgramFolder.h"
#include "postprocess/PostProcessActions.h"
#include "platform/base/Unicode.h"

#include <cstdio>

namespace {

// Where the log went, for the user's eyes.
std::string logLocation()
{
    std::u16string inUse = LogFileInUse();
    return inUse.empty() ? std::string("standard error") : Utf16ToUtf8(inUse);
}

} // namespace

CVornaltApp::CVornaltApp(std::vector<std::u16string> arguments)
    : m_arguments(std::move(arguments))
{
}

bool CVornaltApp::InitInstance()
{
    LogOpen(GetProgramFolder() + u"vornalt.log");
    RegisterPostProcessActions();

    CVornaltCommandLineInfo commandLine;
    ParseCommandLine(commandLine, m_arguments);

    if (commandLine.m_strStackFile.empty() || commandLine.m_bShowMainWindow != 0) {
        std::fprintf(stderr,
            "vornalt: the main window is not available yet; run a stack with: vornalt -s <file.stack> "
            "[-f <image>...] [-d <folder>...]\n");
        m_exitCode = EXIT_CODE_NO_MAIN_WINDOW;
        return false;
    }

    m_exitCode = RunCommandLine(commandLine.m_strStackFile, commandLine.m_targetFiles, commandLine.m_missingInputs);
    LogClose();
    return false;
}

int CVornaltApp::RunCommandLine(const std::u16string& stackFile, const std::vector<std::u16string>& targetFiles,
    int missingInputs)
{
    // Nobody could answer a message box here.
    RouteMessageBoxesToLog();
    CCommandLineBatchRunner runner;
    runner.Run(stackFile, targetFiles);
    const std::string stack = EscapeLogValue(Utf16ToUtf8(stackFile));
    if (runner.StackEmpty()) {
        std::fprintf(stderr, "vornalt: CLI: Stack file %s holds no action; see %s\n", stack.c_str(),
            logLocation().c_str());
        return EXIT_CODE_NOT_STARTED;
    }
    if (runner.Succeeded() && missingInputs == 0) {
        std::fprintf(stderr, "vornalt: %d files processed; log in %s\n", runner.TargetCount(), logLocation().c_str());
        return EXIT_CODE_SUCCESS;
    }
    if (runner.Succeeded()) {
        std::fprintf(stderr, "vornalt: %d files processed, %d inputs not found; see %s\n", runner.TargetCount(),
            missingInputs, logLocation().c_str());
        return EXIT_CODE_RUN_FAILED;
    }
    if (!runner.StackLoaded() || !runner.BatchStarted()) {
        std::fprintf(stderr, "vornalt: the stack %s was not run; see %s\n", stack.c_str(),
            logLocation().c_str());
        return EXIT_CODE_NOT_STARTED;
    }
    std::fprintf(stderr, "vornalt: %d of %d targets failed or post-processing failed; see %s\n",
        runner.FailedTargetCount(), runner.TargetCount(), logLocation().c_str());
    return EXIT_CODE_RUN_FAILED;
}

int CVornaltApp::ExitInstance()
{
    LogClose();
    return m_exitCode;
}
