#pragma once

// Small scanners of kernel text shared by the families' parsers: lines, white-space separated
// fields and numbers, on borrowed text and without allocating.

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

namespace gaugeloft::sources::kernel {

inline bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

inline std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

inline bool StartsWith(std::string_view s, std::string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

// Splits off the next line (without its '\n').
inline bool NextLine(std::string_view& text, std::string_view& line)
{
    if (text.empty())
        return false;
    const auto end = text.find('\n');
    if (end == std::string_view::npos) {
        line = text;
        text = {};
    } else {
        line = text.substr(0, end);
        text.remove_prefix(end + 1);
    }
    return true;
}

// Splits off the next white-space separated field.
inline bool NextField(std::string_view& line, std::string_view& field)
{
    while (!line.empty() && IsSpace(line.front()))
        line.remove_prefix(1);
    if (line.empty())
        return false;
    std::size_t n = 0;
    while (n < line.size() && !IsSpace(line[n]))
        ++n;
    field = line.substr(0, n);
    line.remove_prefix(n);
    return true;
}

inline bool ToU64(std::string_view field, std::uint64_t& value)
{
    const char* end = field.data() + field.size();
    const auto result = std::from_chars(field.data(), end, value);
    return result.ec == std::errc() && result.ptr == end;
}

inline bool NextU64(std::string_view& line, std::uint64_t& value)
{
    std::string_view field;
    return NextField(line, field) && ToU64(field, value);
}

// A sysfs value: one number (integer or decimal, optional sign) with surrounding white
// space only. nullopt for empty, non-numeric or trailing text.
inline std::optional<double> ParseNumber(std::string_view text)
{
    text = Trim(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    double value = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (result.ec != std::errc() || result.ptr != end)
        return std::nullopt;
    return value;
}

} // namespace gaugeloft::sources::kernel
