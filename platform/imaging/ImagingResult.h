#pragma once
// Result codes of the imaging layer. Every operation returns IMAGING_SUCCESS (1) or one of the
// negative codes below; callers log the number with "%d". On failure the bitmaps passed in keep
// their previous content unless an operation says otherwise.

#include <string>

constexpr int IMAGING_SUCCESS = 1;
constexpr int IMAGING_ERROR_INVALID_ARGUMENT = -1;  // null record, bad size, depth or flag
constexpr int IMAGING_ERROR_NO_BITMAP = -2;         // the bitmap holds no pixels
constexpr int IMAGING_ERROR_NO_MEMORY = -3;
constexpr int IMAGING_ERROR_FILE_OPEN = -4;         // missing file or folder, no permission
constexpr int IMAGING_ERROR_FILE_READ = -5;
constexpr int IMAGING_ERROR_FILE_WRITE = -6;
constexpr int IMAGING_ERROR_UNKNOWN_FORMAT = -7;    // not a GIF, BMP, JPEG or PNG file
constexpr int IMAGING_ERROR_CORRUPT_FILE = -8;      // truncated or damaged data, lying header
constexpr int IMAGING_ERROR_TOO_LARGE = -9;         // over the pixel limit
constexpr int IMAGING_ERROR_UNSUPPORTED = -10;      // a valid file using a feature we do not read
constexpr int IMAGING_ERROR_EMPTY_RECTANGLE = -11;  // a rectangle that misses the bitmap

// A sentence about the last failure on this thread ("truncated JPEG data in /a/b.jpg"), for
// log lines; empty after a success is not guaranteed: read it only right after a failure.
const std::string& GetImagingErrorDetail();

// The decoder's words about damage it read past in the last file load on this thread, when that
// load succeeded all the same ("JPEG: Premature end of JPEG file": a picture cut short, its
// missing part grey); empty for a sound file. Every file load sets it anew.
const std::string& GetImagingWarningDetail();
