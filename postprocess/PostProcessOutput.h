#pragma once
// What a post-process action delivers, and the helpers the actions share. The previous
// post-process action's output (a gallery folder, an archive) is delivered when it is on disk at
// run time; otherwise every collected target's output file, in the order the batch ran them.

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

class CPostProcessAction;

struct PostProcessOutput {
    enum Kind {
        PREVIOUS_FOLDER, // `path` is a folder that stands for its content
        PREVIOUS_FILE,   // `path` is one file that stands for itself
        COLLECTED_FILES, // `files` are the collected targets' output files
    };
    Kind kind = COLLECTED_FILES;
    std::u16string path;
    std::vector<std::u16string> files;
};

PostProcessOutput SelectPostProcessOutput(const CPostProcessAction& action);

// Appends the full path of every file below the folder, sub-folders walked where they are met
// (links to folders are not followed); returns the list's new count. A missing or unreadable
// folder adds nothing.
int CollectFolderFiles(std::u16string_view folder, std::vector<std::u16string>& files);

// `path` with one '/' at its end.
std::u16string WithTrailingSeparator(std::u16string_view path);
// `path` without separators at its end (the root stays "/").
std::u16string WithoutTrailingSeparator(std::u16string_view path);

// The text on one log line: line breaks inside become blanks, blanks at the ends are dropped.
std::u16string SingleLineText(std::u16string_view text);

// The text as the component library takes it: 8-bit text in the ANSI code page.
std::string ToAnsiText(std::u16string_view text);

// One check of an action's validation: when it failed, the string-table text `text` is the problem.
struct ValidationCheck {
    bool failed;
    unsigned text;
};
// Appends the text of every failed check, in order; true when none failed.
bool AppendValidationProblems(std::initializer_list<ValidationCheck> checks, std::vector<std::u16string>& problems);
