#pragma once

// The version information of an executable. The build writes it into an ELF section of its
// own (kVersionSection) in the layout of versionlayout.h; GetVersionInfoValue reads it back
// from any file, reading only the ELF header, the section headers and that section.

#include <QByteArray>
#include <QString>

#include <functional>

namespace gaugeloft::update {

inline constexpr char kVersionSection[] = ".vs_version_info";

// The string `name` ("FileVersion", "CompanyName"...) of the first translation; empty when
// the file is not ELF, has no such section, no translation or no such string. Never fails
// on a truncated or hostile file.
QString GetVersionInfoValue(const QString& fileName, const QString& name);

// The same on a resource already read.
QString VersionResourceValue(const QByteArray& resource, const QString& name);

// The value bytes of the block at `path` ("\VarFileInfo\Translation"; keys ignore case), and
// its type and value length as written. False when there is no such block.
struct VersionBlockValue {
    QByteArray bytes;
    int type = 0;
    int valueLength = 0;
};
bool QueryVersionResource(const QByteArray& resource, const QString& path, VersionBlockValue* value);

// Reads `size` bytes at `offset` into `out`; false when that cannot be done.
using ReadAt = std::function<bool(quint64 offset, char* out, qsizetype size)>;

// The contents of the first section called `sectionName` in an ELF file of `fileSize` bytes
// (32 or 64 bits, either byte order), at most `maxBytes`; empty when there is none.
QByteArray ElfSectionContents(const ReadAt& read, quint64 fileSize, const QByteArray& sectionName, qsizetype maxBytes);

} // namespace gaugeloft::update
