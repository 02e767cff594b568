#pragma once

// Names for the files a web update downloads: "<folder>/_webu042.cab" and the like, each file
// created at once, exclusively (never through an existing file or a symbolic link) and readable
// by the user only, so another user of a shared /tmp can neither take nor plant it.

#include <QFile>
#include <QString>

namespace gaugeloft::update {

// The folder downloads go to: the system's temporary folder ($TMPDIR or /tmp).
QString TempFolder();

// `folder` + the first five characters of `tempFile` ("_webupd$" when empty) + ".exe": the
// base whose extension each name replaces ("_webu.exe" by default).
QString TempBase(const QString& folder, const QString& tempFile);

// `path` with the extension of its file name (from the last dot on) replaced by `extension`.
QString ChangeExtension(const QString& path, const QString& extension);

// The extension of a remote file's name, dot included; empty when it has none.
QString RemoteExtension(const QString& fileName);

// Creates the first free name of base's folder from `start` (1..999) upwards, the base's
// extension replaced by three digits and `extension`, and opens it in `file` for writing.
// Returns the path, or an empty string with `error` set ("Could not create a temporary file
// in <folder>") when every number up to 999 is taken or the folder refuses new files.
QString MakeTempName(const QString& base, const QString& extension, int start, QFile& file, QString* error);

} // namespace gaugeloft::update
