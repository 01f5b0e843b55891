#pragma once
// Packs the run's output into one zip archive: the previous post-process action's output when it
// is on disk (a gallery folder with its sub-folders, or one file), else every collected output
// file. The archive's path becomes this action's output path, so an action after it delivers the
// archive alone. A password means every entry is encrypted.

#include "engine/Action.h"

#include <string>

class CActionZipAll : public CPostProcessAction {
public:
    CActionZipAll();

    std::u16string GetTypeKey() const override { return u"builtin_zipall"; }
    std::u16string GetName() const override;
    std::u16string GetDescription() const override;
    std::u16string GetOutputPath() const override { return m_outputPath; }
    bool Validate(std::vector<std::u16string>& problems) override;
    bool ShowPropertyDialog(int targetKind, HWND parent) override;
    // 0; 11 without a "zippath" property; 18 when no archive can be started there (an empty
    // path, a folder, or protection asked for without a password); 10 when the previous output
    // cannot be added or the archive cannot be written (the output path is then empty).
    int PostProcess() override;

protected:
    ~CActionZipAll() override = default;

private:
    std::u16string m_outputPath;
};

// The user's desktop folder (XDG_DESKTOP_DIR of the user-dirs file, else "~/Desktop") without a
// trailing separator; empty when it does not exist.
std::u16string GetDesktopFolder();
