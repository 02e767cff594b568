#pragma once

// The layout of the program's version information, as a version resource lays it out: blocks
// of { length, value length, type, key in UTF-16 with its zero, padding to 4 bytes, value,
// padding, child blocks }, all little-endian. The root "VS_VERSION_INFO" holds the fixed
// information (52 bytes), "StringFileInfo" one string table per translation ("040904E4")
// and "VarFileInfo" the "Translation" list of (language, code page) words.
//
// Everything here is constexpr: the build places the bytes into an ELF section of the
// executable (see versioninfo.cpp.in); tests build odd resources with the same writer.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace gaugeloft::update {

// Writes blocks into `out`, or only counts their bytes when `out` is null.
class VersionWriter {
public:
    enum : std::uint16_t { kBinary = 0, kText = 1 };

    constexpr explicit VersionWriter(unsigned char* out) : m_out(out) {}
    constexpr std::size_t Size() const { return m_pos; }

    // Opens a block; close it with End(the returned start) after its value and children.
    constexpr std::size_t Begin(std::u16string_view key, std::uint16_t valueLength, std::uint16_t type)
    {
        Pad();
        const std::size_t start = m_pos;
        Word(0);
        Word(valueLength);
        Word(type);
        Text(key);
        Pad();
        return start;
    }
    constexpr void End(std::size_t start) { Patch(start, static_cast<std::uint16_t>(m_pos - start)); }

    constexpr void Byte(unsigned value)
    {
        if (m_out)
            m_out[m_pos] = static_cast<unsigned char>(value);
        ++m_pos;
    }
    constexpr void Word(std::uint16_t value)
    {
        Byte(value & 0xFF);
        Byte(value >> 8);
    }
    constexpr void Dword(std::uint32_t value)
    {
        Word(static_cast<std::uint16_t>(value & 0xFFFF));
        Word(static_cast<std::uint16_t>(value >> 16));
    }
    // UTF-16 text and its terminating zero.
    constexpr void Text(std::u16string_view text)
    {
        for (char16_t c : text)
            Word(c);
        Word(0);
    }
    constexpr void Pad()
    {
        while (m_pos % 4 != 0)
            Byte(0);
    }

    // A string block: key = value (the value length counts characters with the zero).
    constexpr void String(std::u16string_view key, std::u16string_view value)
    {
        const std::size_t start = Begin(key, static_cast<std::uint16_t>(value.size() + 1), kText);
        Text(value);
        End(start);
    }

private:
    constexpr void Patch(std::size_t at, std::uint16_t value)
    {
        if (!m_out)
            return;
        m_out[at] = static_cast<unsigned char>(value & 0xFF);
        m_out[at + 1] = static_cast<unsigned char>(value >> 8);
    }

    unsigned char* m_out;
    std::size_t m_pos = 0;
};

struct VersionString {
    std::u16string_view key;
    std::u16string_view value;
};

struct VersionLayout {
    std::array<std::uint16_t, 4> fileVersion;     // major, minor, patch, build
    std::array<std::uint16_t, 4> productVersion;
    std::uint16_t language;   // 0x0409: English (United States)
    std::uint16_t codePage;   // 0x04E4: 1252
    std::u16string_view table;  // "040904E4"
    std::array<VersionString, 6> strings;
};

constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;

// Writes the whole resource; returns its size.
constexpr std::size_t WriteVersionResource(const VersionLayout& layout, unsigned char* out)
{
    VersionWriter w(out);
    const std::size_t root = w.Begin(u"VS_VERSION_INFO", 52, VersionWriter::kBinary);
    w.Dword(kFixedInfoSignature);
    w.Dword(0x00010000);  // structure version 1.0
    w.Dword(static_cast<std::uint32_t>(layout.fileVersion[0]) << 16 | layout.fileVersion[1]);
    w.Dword(static_cast<std::uint32_t>(layout.fileVersion[2]) << 16 | layout.fileVersion[3]);
    w.Dword(static_cast<std::uint32_t>(layout.productVersion[0]) << 16 | layout.productVersion[1]);
    w.Dword(static_cast<std::uint32_t>(layout.productVersion[2]) << 16 | layout.productVersion[3]);
    w.Dword(0x3F);       // flags mask
    w.Dword(0);          // flags
    w.Dword(0);          // operating system: none of those the layout names
    w.Dword(1);          // file type: application
    w.Dword(0);          // subtype
    w.Dword(0);          // date, high
    w.Dword(0);          // date, low
    const std::size_t stringInfo = w.Begin(u"StringFileInfo", 0, VersionWriter::kText);
    const std::size_t table = w.Begin(layout.table, 0, VersionWriter::kText);
    for (const VersionString& s : layout.strings) {
        if (!s.key.empty())
            w.String(s.key, s.value);
    }
    w.End(table);
    w.End(stringInfo);
    const std::size_t varInfo = w.Begin(u"VarFileInfo", 0, VersionWriter::kText);
    const std::size_t translation = w.Begin(u"Translation", 4, VersionWriter::kBinary);
    w.Word(layout.language);
    w.Word(layout.codePage);
    w.End(translation);
    w.End(varInfo);
    w.End(root);
    return w.Size();
}

template <std::size_t N>
constexpr std::array<unsigned char, N> VersionResourceBytes(const VersionLayout& layout)
{
    std::array<unsigned char, N> bytes{};
    WriteVersionResource(layout, bytes.data());
    return bytes;
}

} // namespace gaugeloft::update
