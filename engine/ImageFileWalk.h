#pragma once
// Finds the image files under a path: a folder is walked recursively (entries in listing order,
// hidden ones too, links to folders never followed, so a link cycle cannot make it endless), a
// file is identified by its first bytes.

#include "platform/imaging/ImageFile.h"

#include <string>
#include <string_view>

// Called for every readable image file; non-zero accepts it.
using ImageFileCallback = int (*)(const std::u16string& path, const ImageFileInfo& info, void* context);

// Called for every file that is not a readable image.
using ImageFileRejectCallback = void (*)(const std::u16string& path, void* context);

// Returns the number of files the callback accepted (a null callback accepts every image);
// every file that is not a readable image adds 1 to `rejectCount` and goes to `rejected` when
// one is given.
int WalkImageFiles(std::u16string_view path, int& rejectCount, ImageFileCallback callback, void* context,
    ImageFileRejectCallback rejected = nullptr);
