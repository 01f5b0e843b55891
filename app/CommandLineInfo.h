#pragma once
// What the command line asks for. Switches: "s" names a stack file to run without the main
// window, "f" adds target files, "d" adds the image files found under a folder (recursively).
// A switch stays in force for every following plain parameter until the next switch:
//   vornalt -f a.jpg b.jpg -d photos -s my.stack
// A plain parameter with no switch in force is a stack file to open in the main window.
// Files and folders after "f" and "d" that do not exist are dropped with an error line; a stack
// path after "s" is kept either way (the run reports a missing one). Unknown switches (and plain
// parameters that are no path, with no switch in force) are logged as errors and leave the switch
// in force as it was. Parsing never stops early.

#include <string>
#include <string_view>
#include <vector>

class CVornaltCommandLineInfo {
public:
    // One parameter, with the leading '-' or '/' of a switch already removed.
    void ParseParam(const std::u16string& param, bool isSwitch, bool isLast);
    // Appends an existing file to m_targetFiles, or refuses it with a line saying why (false).
    bool AddTargetFile(const std::u16string& path);

    std::u16string m_strStackFile;
    std::vector<std::u16string> m_targetFiles;
    // 0: run m_strStackFile without the main window.
    int m_bShowMainWindow = 1;
    // Inputs after "f" or "d" that were not found, and unknown parameters: each is also printed
    // on standard error, and a missing input makes the run fail.
    int m_missingInputs = 0;
    int m_unknownParameters = 0;
    // Inputs that exist but cannot be run (see RefusedInputReason); each has an error line.
    int m_refusedInputs = 0;
    // "f", "d" or "s"; empty when no switch is in force.
    std::u16string m_strLastSwitch;

private:
    // Logs the input with the reason it cannot be run, on standard error too, and counts it.
    void RefuseInput(const std::u16string& path, const char16_t* reason);
    void ParseSwitch(const std::u16string& name);
    void ParsePlainParam(const std::u16string& param);
};

// On Linux every absolute path starts with '/': an argument is a switch when it starts with '-',
// or when it starts with '/', holds no other '/' and no file or folder of that path exists.
// While "f" or "d" is in force (`switchInForce`), only "/f", "/s" and "/d" are switches there:
// any other "/name" is an input, missing or not.
bool IsCommandLineSwitch(const std::u16string& argument, std::u16string_view switchInForce = {});

// Feeds the arguments after the program name to `info`, in order.
void ParseCommandLine(CVornaltCommandLineInfo& info, const std::vector<std::u16string>& arguments);
