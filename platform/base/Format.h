#pragma once
// Type-safe printf-style formatting for UTF-16 formats (u"%s: Failed to size bitmap: %d") and 8-bit
// formats alike. The arguments carry their types, so nothing is read from a va_list:
//
// - "%s" takes the string type of the format's own width; a string of the other width is converted
//   (UTF-8 <-> UTF-16) rather than misread. "%S" (the other width on the desktop platform) is
//   accepted the same way. A null string pointer prints "(null)".
// - Supported: %d %i %u %o %x %X %c %C %s %S %f %F %e %E %g %G %a %A %p %n (consumes, writes nothing)
//   and %%; flags "-+ 0#", width and precision (also "*"), and the length modifiers
//   h hh l ll L j z t q w I I32 I64 (h and hh narrow integers, the others only describe the argument).
// - Integers print at the width of their own type (at least 32 bits): int -1 with "%u" gives
//   4294967295, a 64-bit value with "%d" prints in full.
// - "%f", "%e" and "%g" always use '.' and never consult the process locale.
// - A mismatched argument prints its natural form (a number for "%s", a string for "%d"); a
//   missing argument prints nothing; extra arguments are ignored. Formatting never fails.

#include "platform/base/Types.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

namespace format_detail {

enum class ArgKind : unsigned char { Signed, Unsigned, Real, Narrow, Wide, Pointer };

struct FormatArg {
    ArgKind kind = ArgKind::Signed;
    unsigned char bits = 32; // integer width of the argument's own type
    bool isCharacter = false; // char, char16_t or char32_t
    long long signedValue = 0;
    unsigned long long unsignedValue = 0;
    double realValue = 0;
    const void* pointer = nullptr;
    std::string_view narrow;
    std::u16string_view wide;
    bool isNullString = false;
};

template <typename T> FormatArg makeArg(const T& value)
{
    FormatArg arg;
    using D = std::decay_t<T>;
    if constexpr (std::is_same_v<D, bool>) {
        arg.kind = ArgKind::Signed;
        arg.signedValue = value ? 1 : 0;
    } else if constexpr (std::is_same_v<D, char> || std::is_same_v<D, char16_t> || std::is_same_v<D, char32_t>) {
        arg.kind = ArgKind::Unsigned;
        arg.bits = sizeof(D) * 8;
        arg.isCharacter = true;
        arg.unsignedValue = std::is_same_v<D, char> ? (unsigned char)value : (unsigned long long)value;
    } else if constexpr (std::is_enum_v<D>) {
        return makeArg(static_cast<std::underlying_type_t<D>>(value));
    } else if constexpr (std::is_integral_v<D> && std::is_signed_v<D>) {
        arg.kind = ArgKind::Signed;
        arg.bits = sizeof(D) * 8;
        arg.signedValue = value;
    } else if constexpr (std::is_integral_v<D>) {
        arg.kind = ArgKind::Unsigned;
        arg.bits = sizeof(D) * 8;
        arg.unsignedValue = value;
    } else if constexpr (std::is_floating_point_v<D>) {
        arg.kind = ArgKind::Real;
        arg.realValue = double(value);
    } else if constexpr (std::is_same_v<D, const char*> || std::is_same_v<D, char*>) {
        const char* text = value;
        arg.kind = ArgKind::Narrow;
        arg.isNullString = text == nullptr;
        if (text)
            arg.narrow = text;
    } else if constexpr (std::is_same_v<D, const char16_t*> || std::is_same_v<D, char16_t*>) {
        const char16_t* text = value;
        arg.kind = ArgKind::Wide;
        arg.isNullString = text == nullptr;
        if (text)
            arg.wide = text;
    } else if constexpr (std::is_same_v<D, std::string> || std::is_same_v<D, std::string_view>) {
        arg.kind = ArgKind::Narrow;
        arg.narrow = value;
    } else if constexpr (std::is_same_v<D, std::u16string> || std::is_same_v<D, std::u16string_view>) {
        arg.kind = ArgKind::Wide;
        arg.wide = value;
    } else if constexpr (std::is_pointer_v<D> || std::is_null_pointer_v<D>) {
        arg.kind = ArgKind::Pointer;
        arg.pointer = reinterpret_cast<const void*>(value);
    } else {
        static_assert(!sizeof(D), "type not supported by the printf-style formatter");
    }
    return arg;
}

std::string formatArgs(std::string_view format, const FormatArg* args, std::size_t count);
std::u16string formatArgs(std::u16string_view format, const FormatArg* args, std::size_t count);

template <typename Ch, typename... Args>
std::basic_string<Ch> formatPack(std::basic_string_view<Ch> format, const Args&... args)
{
    if constexpr (sizeof...(Args) == 0) {
        return formatArgs(format, nullptr, 0);
    } else {
        const FormatArg packed[] = { makeArg(args)... };
        return formatArgs(format, packed, sizeof...(Args));
    }
}

}

template <typename... Args> std::u16string FormatText(std::u16string_view format, const Args&... args)
{
    return format_detail::formatPack<char16_t>(format, args...);
}
template <typename... Args> std::u16string FormatText(const char16_t* format, const Args&... args)
{
    return format_detail::formatPack<char16_t>(format ? std::u16string_view(format) : std::u16string_view(), args...);
}
template <typename... Args> std::string FormatText(std::string_view format, const Args&... args)
{
    return format_detail::formatPack<char>(format, args...);
}
template <typename... Args> std::string FormatText(const char* format, const Args&... args)
{
    return format_detail::formatPack<char>(format ? std::string_view(format) : std::string_view(), args...);
}
