#pragma once
// Icons and cursors: a colour image (32-bit with alpha, or from a 1-bit image) and an AND mask.

#include "platform/gdi/GdiConstants.h"
#include "platform/gdi/GdiTypes.h"

using HANDLE = void*;

HICON CreateIconIndirect(const ICONINFO* info);
// Makes new bitmaps the caller deletes.
BOOL GetIconInfo(HICON icon, ICONINFO* info);
HICON CopyIcon(HICON icon);
BOOL DestroyIcon(HICON icon);
BOOL DestroyCursor(HCURSOR cursor);
// DI_NORMAL draws alpha icons by their alpha and others as (destination AND mask) XOR image;
// a negative cx or cy mirrors (the image spans x + cx to x).
BOOL DrawIconEx(HDC hdc, int x, int y, HICON icon, int cx, int cy, UINT step, HBRUSH background, UINT flags);
BOOL DrawIcon(HDC hdc, int x, int y, HICON icon);
HANDLE CopyImage(HANDLE image, UINT type, int cx, int cy, UINT flags);
// Ours: the icon's size in pixels.
BOOL GetIconSize(HICON icon, SIZE* size);
