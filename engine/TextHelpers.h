#pragma once
// printf-style formatting of UTF-16 texts and string-table texts, message boxes from string ids,
// and splitting and joining of separated lists. Formatting never cuts its result.

#include "platform/base/Format.h"
#include "platform/base/Types.h"
#include "resources/StringTable.h"

#include <string>
#include <string_view>
#include <vector>

std::u16string IntToString(int value);

template <typename... Args> std::u16string FormatString(std::u16string_view format, const Args&... args)
{
    return FormatText(format, args...);
}

// Without arguments the string-table text comes back as it stands (no '%' processing); an id
// without a text gives the empty string.
inline std::u16string FormatResourceString(UINT id) { return LoadStringText(id); }
template <typename... Args> std::u16string FormatResourceString(UINT id, const Args&... args)
{
    return FormatText(LoadStringText(id), args...);
}

// Shows the text through the application's message box (resources/MessageBox.h) with the given
// style and the application's name as caption; returns the button id.
int ShowMessageText(UINT style, std::u16string_view text);
inline int MessageBoxFromResource(UINT style, UINT id) { return ShowMessageText(style, LoadStringText(id)); }
template <typename... Args> int MessageBoxFromResource(UINT style, UINT id, const Args&... args)
{
    return ShowMessageText(style, FormatResourceString(id, args...));
}

// Appends the pieces between separators (an empty separator means ","). Empty pieces are kept
// only with `keepEmpty`, and a trailing empty piece never: "a,,b," gives a, b (or a, "", b).
void SplitString(std::u16string_view text, std::u16string_view separator, std::vector<std::u16string>& pieces,
    bool keepEmpty);
// Every item followed by the separator (empty means ","), minus the final separator.
std::u16string JoinStrings(const std::vector<std::u16string>& items, std::u16string_view separator);
