#pragma once
// The program's log file ("vornalt.log" beside the executable). One line per event:
// "[MM/DD/YYYY HH:MM:SS]" in local time, no space, the text, CR LF; UTF-8 without a byte-order
// mark. Every line opens the file for appending, writes and closes it, under one process-wide
// lock, so lines from several threads never mix and other programs can read the log meanwhile.
//
// When the file cannot be written (the program folder is read-only, say), the line goes to
// "$XDG_STATE_HOME/vornalt/" (default "~/.local/state/vornalt/") under the same file name, and
// when that fails too, to standard error: lines are never lost silently. Lines written before
// LogOpen or after LogClose are dropped (there is no log yet). Logging never blocks on a failure
// and never reports one to its caller.

#include "platform/base/Format.h"

#include <string>
#include <string_view>
#include <type_traits>

// Stores the path and writes "Vornalt Log Opened".
void LogOpen(std::u16string_view path);
// Writes "Vornalt Log Closed" and forgets the path.
void LogClose();
void LogWriteLine(std::u16string_view text);

// The file the last line actually went to (the fallback file after a failure; empty before the
// first line or when only standard error was left).
std::u16string LogFileInUse();

// Log messages are cut to their first 3999 UTF-16 units (a surrogate pair is never split).
constexpr std::size_t LOG_MESSAGE_LIMIT = 3999;
void LogErrorText(std::u16string_view message);
void LogMessageText(std::u16string_view message);
// Something that went on but may not be what the user meant ("WARNING: ").
void LogWarningText(std::u16string_view message);

// A value put into a log line with its control characters written as escapes ("\r", "\n",
// "\t", "\xNN"; the Unicode line separators as "\uNNNN"), so a file name holding a line break
// cannot start a line of its own.
std::u16string EscapeLogValue(std::u16string_view value);
std::string EscapeLogValue(std::string_view value);

namespace log_detail {
inline std::string loggable(const char* text) { return text ? EscapeLogValue(std::string_view(text)) : "(null)"; }
inline std::string loggable(char* text) { return loggable(static_cast<const char*>(text)); }
inline std::u16string loggable(const char16_t* text)
{
    return text ? EscapeLogValue(std::u16string_view(text)) : u"(null)";
}
inline std::u16string loggable(char16_t* text) { return loggable(static_cast<const char16_t*>(text)); }
inline std::string loggable(const std::string& text) { return EscapeLogValue(text); }
inline std::string loggable(std::string_view text) { return EscapeLogValue(text); }
inline std::u16string loggable(const std::u16string& text) { return EscapeLogValue(text); }
inline std::u16string loggable(std::u16string_view text) { return EscapeLogValue(text); }
template <typename T>
    requires(!std::is_convertible_v<const T&, std::string_view> && !std::is_convertible_v<const T&, std::u16string_view>)
const T& loggable(const T& value)
{
    return value;
}
}  // namespace log_detail

template <typename... Args> void LogError(std::u16string_view format, const Args&... args)
{
    LogErrorText(FormatText(format, log_detail::loggable(args)...));
}
template <typename... Args> void LogMessage(std::u16string_view format, const Args&... args)
{
    LogMessageText(FormatText(format, log_detail::loggable(args)...));
}
template <typename... Args> void LogWarning(std::u16string_view format, const Args&... args)
{
    LogWarningText(FormatText(format, log_detail::loggable(args)...));
}

// Sends the headless message box's texts to the log as "MESSAGE: " lines (command-line runs).
void RouteMessageBoxesToLog();
