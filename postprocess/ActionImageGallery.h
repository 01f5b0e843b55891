#pragma once
// Turns the run's images into a static HTML gallery in an existing destination folder: the
// processed output files become the thumbnails ("thumbs/"), the untouched source files the
// full-size pictures ("images/"), pages are made from the chosen theme's templates, and the whole
// theme folder is copied in last. The destination folder becomes the output path, so an action
// after it delivers the gallery.

#include "engine/Action.h"

#include <string>
#include <string_view>

class CActionImageGallery : public CPostProcessAction {
public:
    CActionImageGallery();

    std::u16string GetTypeKey() const override { return u"builtin_imagegallery"; }
    std::u16string GetName() const override;
    std::u16string GetDescription() const override;
    std::u16string GetOutputPath() const override { return m_outputPath; }
    bool ShowPropertyDialog(int targetKind, HWND parent) override;
    // 0; 2 when the theme (found without case; a name that is not a plain folder name is none)
    // or the destination folder is missing; 16 for fewer than one thumbnail per page; 17 when
    // "thumbs" or "images" cannot be made. Single copies, pages and the theme copy that fail are logged only.
    int PostProcess() override;

protected:
    ~CActionImageGallery() override = default;

private:
    std::u16string m_outputPath;
};

// Creates the folder and its missing parents (a few levels at most); true when it is a folder
// afterwards.
bool CreateFolderPath(std::u16string_view path);

// Copies the source folder with all its content into the target folder (making target/<name>);
// existing files are replaced. Refused when the copy would land in the source folder itself or
// below it. Links to folders are not followed. True when every copy succeeded.
bool CopyFolderInto(std::u16string_view sourceFolder, std::u16string_view targetFolder);

// Copies every entry of the theme folder into the destination folder; true when every copy
// succeeded.
bool CopyThemeFolder(std::u16string_view themeFolder, std::u16string_view destinationFolder);

// A theme name that names a folder right inside the themes folder: not empty, no separator,
// not "." or "..".
bool IsPlainThemeName(std::u16string_view theme);
