#pragma once
// Image files: what a file holds, loading it into a bitmap, saving a bitmap.
//
// The format is told by the file's first bytes, never by its name. Loading checks the size in
// the file's header before allocating anything; corrupt, truncated or hostile files fail with an
// error code. Saving writes a temporary file in the target's folder and renames it over the
// target only when everything was written, so a failed save leaves an existing file untouched.

#include "platform/imaging/ImageBitmap.h"

#include <string>

constexpr int IMAGE_FORMAT_UNKNOWN = 0;
constexpr int IMAGE_FORMAT_GIF = 2;
constexpr int IMAGE_FORMAT_BMP = 6;
constexpr int IMAGE_FORMAT_JPEG = 10;
constexpr int IMAGE_FORMAT_PNG = 75;

struct ImageFileInfo {
    UINT structSize = sizeof(ImageFileInfo);
    INT format = IMAGE_FORMAT_UNKNOWN;
    LONG width = 0;        // from the header; 0 when the header does not tell it cheaply
    LONG height = 0;
    INT bitsPerPixel = 0;  // what loading at native depth gives: 24, or 32 with transparency
    long long fileSize = 0;
    // What the decoder holds besides the pixels whatever the scale asked for: all coefficients of
    // a progressive JPEG. 0 when that is small.
    long long decoderBytes = 0;
};

// Identifies the file from its first bytes. An unreadable file fails with FILE_OPEN or
// FILE_READ, a readable one of another kind with UNKNOWN_FORMAT (info->format stays 0).
int GetImageFileInfo(const std::string& path, ImageFileInfo* info);
int GetImageFileInfo(const std::u16string& path, ImageFileInfo* info);

// Loads the first image of the file into `bitmap` (replacing what it held, only on success).
// bitsPerPixel 0 keeps the file's own kind: 32 bits when the file carries transparency, else
// 24 (grey, palette and 16-bit files are widened). 24 or 32 force that depth; 32 gives alpha
// 255 where the file has none. Colour order 0 or 1; flags are accepted and ignored.
int LoadImageFile(const std::string& path, ImageBitmap* bitmap, int bitsPerPixel = 0,
                  int colorOrder = IMAGING_COLOR_ORDER_BGR, DWORD flags = 0);
int LoadImageFile(const std::u16string& path, ImageBitmap* bitmap, int bitsPerPixel = 0,
                  int colorOrder = IMAGING_COLOR_ORDER_BGR, DWORD flags = 0);

// Loads like LoadImageFile a picture that is about to be shrunk to fit targetWidth x
// targetHeight (0 leaves that direction free; both 0 is a plain load). A JPEG file is decoded
// at the smallest of the reduced scales 1/8, 1/4 and 1/2 that keeps at least twice the target
// in both directions (else whole), which saves much of the decoding and resizing time of a
// large photograph; the caller's resize then brings it to the final size. Other formats load at full size. A negative target
// fails with INVALID_ARGUMENT.
int LoadImageFileForSize(const std::string& path, ImageBitmap* bitmap, int targetWidth, int targetHeight,
                         int bitsPerPixel = 0, int colorOrder = IMAGING_COLOR_ORDER_BGR, DWORD flags = 0);
int LoadImageFileForSize(const std::u16string& path, ImageBitmap* bitmap, int targetWidth, int targetHeight,
                         int bitsPerPixel = 0, int colorOrder = IMAGING_COLOR_ORDER_BGR, DWORD flags = 0);

// Writes `bitmap` as `format`. bitsPerPixel 0 means the bitmap's own depth.
//  JPEG: 8 writes grey, anything else 24 bits (alpha dropped). Quality factor 2 (best) to 255
//        (smallest); 0 and values past 255 mean 2. See JpegQualityFromFactor.
//  PNG:  8 writes grey from an 8-bit bitmap and a palette image otherwise; 24 and 32 as is.
//        Quality 0 is zlib's default level, 1-9 that level; values past 9 mean 0.
//  GIF:  always 8 bits: the exact colours when there are at most 256 (255 with transparency),
//        else a median-cut palette with error diffusion. Alpha below 128 is transparent.
//  BMP:  8 (grey palette), 24 or 32 bits, uncompressed, bottom-up.
// Missing folders are not created: the save fails with FILE_OPEN.
int SaveImageFile(const std::string& path, const ImageBitmap* bitmap, int format, int bitsPerPixel, int quality,
                  DWORD flags = IMAGING_SAVE_FLAGS);
int SaveImageFile(const std::u16string& path, const ImageBitmap* bitmap, int format, int bitsPerPixel,
                  int quality, DWORD flags = IMAGING_SAVE_FLAGS);

// The mapping between the save's JPEG quality factor (2 best .. 255 smallest) and the usual
// 1..100 JPEG quality scale: linear, factor 2 is quality 100 and 255 is quality 1.
int JpegQualityFromFactor(int factor);
int JpegFactorFromQuality(int quality);
