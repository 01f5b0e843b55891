#pragma once
// The screen written as a PNG file: a library of its own, so that only what takes screenshots
// links the image codecs.

#include "platform/user/Screen.h"

#include <string>

// Writes the screen (or `area` of it) as a 24-bit PNG file.
BOOL SaveScreenshotPng(const std::string& path, const RECT* area = nullptr);
