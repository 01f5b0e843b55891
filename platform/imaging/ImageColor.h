#pragma once
// Colour and tone operations, in place on 24- and 32-bit bitmaps (alpha untouched) and on 8-bit
// grey ones. Each works through lookup tables or per-pixel arithmetic, spread over the imaging
// threads. Regions are ignored. On failure the bitmap is unchanged.

#include "platform/imaging/ImageBitmap.h"

constexpr int IMAGING_LEVELS_COLOR = 1;      // each channel stretched on its own: removes casts
constexpr int IMAGING_LEVELS_CONTRAST = 2;   // one stretch for all channels: keeps the colours
constexpr int IMAGING_LEVELS_INTENSITY = 3;  // one brightness curve: the median grey to mid-grey

constexpr int IMAGING_MAX_TONE_AMOUNT = 1000;

// Automatic levels. `blackClip` and `whiteClip` are in hundredths of a percent of the pixels
// (50 = 0.5 %): that share of the darkest and of the lightest pixels is let go to black and
// white, and what lies between is stretched to the full 0..255 range (COLOR per channel,
// CONTRAST over all channels together). INTENSITY ignores the clips and bends the tones by a
// power curve (exponent kept within 0.5..2) that takes the median brightness to mid-grey. A
// channel with a single level is left as it is. Clips outside 0..5000, or together 10000 or
// more, and other modes fail with INVALID_ARGUMENT.
int AutoLevelBitmap(ImageBitmap* bitmap, int blackClip, int whiteClip, int mode);

// Brightness: adds amount x 255 / 1000 to every channel (rounded, clamped): +100 lifts by 26
// levels, +1000 makes everything white, -1000 black. Amounts past +-1000 count as +-1000.
int ChangeBitmapIntensity(ImageBitmap* bitmap, int amount);

// Contrast: scales every channel's distance from mid-grey (127.5) by 2^(amount / 250): +100
// gives x1.32, +250 doubles it, +1000 x16 (close to black and white only); -250 halves it and
// -1000 leaves a nearly flat grey. Amounts past +-1000 count as +-1000.
int ChangeBitmapContrast(ImageBitmap* bitmap, int amount);

// Grey scale: every pixel takes its brightness (0.299 R + 0.587 G + 0.114 B) in all channels;
// the bitmap keeps its depth.
int ConvertBitmapToGreyScale(ImageBitmap* bitmap);

// Sepia: an old-photo toning of each pixel's brightness L.
//  L is first faded and lifted: L' = (L - 128) x (1 + contrast / 1000) + 128 + brightness x
//  255 / 1000 (brightness and contrast are clamped to +-1000);
//  then tinted: red = L' x toneRed / divisor, green = L' x toneGreen / divisor, blue = L' x
//  toneBlue / divisor, each clamped to 255.
// The usual call (500, 300, 200, 350, 100, -100) gives a warm brown (mid-grey becomes about
// 219, 132, 88) with slightly lifted, faded shadows. Tone weights outside 0..10000 or a divisor
// outside 1..10000 fail with INVALID_ARGUMENT. Works on 8-bit bitmaps as their brightness only.
int ApplyBitmapSepia(ImageBitmap* bitmap, int toneRed, int toneGreen, int toneBlue, int divisor, int brightness,
                     int contrast);
