#pragma once
// What the command line asks for. Switches: "s" names a stack file to run without the main
// window, "f" adds target files, "d" adds the image files found under a folder (recursively).
// A switch stays in force for every following plain parameter until the next switch:
//   vornalt -f a.jpg b.jpg -d photos -s my.stack
// A plain parameter with no switch in force is a stack file to open in the main window.
// Files and folders after "f" and "d" that do not exist are dropped with an error line; a stack
// path after "s" is kept either way (the run reports a missing one). Unknown switches (and plain
// parameters that are no path, with no switch in force) are logged as errors. Parsing never stops
// early.

#include <string>
#include <vector>

class CVornaltCommandLineInfo {
public:
    // One parameter, with the leading '-' or '/' of a switch already removed.
    void ParseParam(const std::u16string& param, bool isSwitch, bool isLast);

    std::u16string m_strStackFile;
    std::vector<std::u16string> m_targetFiles;
    // 0: run m_strStackFile without the main window.
    int m_bShowMainWindow = 1;
    // Inputs after "f" or "d" that were not found, and unknown parameters: each is also printed
    // on standard error, and a missing input makes the run fail.
    int m_missingInputs = 0;
    int m_unknownParameters = 0;
    // "f", "d" or "s"; empty when no switch is in force.
    std::u16string m_strLastSwitch;

private:
    void ParseSwitch(const std::u16string& name);
    void ParsePlainParam(const std::u16string& param);
};

// On Linux every absolute path starts with '/': an argument is a switch when it starts with '-',
// or when it starts with '/', holds no other '/' and no file or folder of that path exists.
bool IsCommandLineSwitch(const std::u16string& argument);

// Feeds the arguments after the program name to `info`, in order.
void ParseCommandLine(CVornaltCommandLineInfo& info, const std::vector<std::u16string>& arguments);
