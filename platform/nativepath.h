#pragma once

// File names as the kernel keeps them (bytes) inside QString without losing any: valid UTF-8
// decodes as usual and every byte that is not part of valid UTF-8 becomes one lone surrogate
// U+DC80..U+DCFF, which NativePath turns back into that byte. So a program folder whose name
// is not valid UTF-8 still names the right files.

#include <QByteArray>
#include <QString>

namespace gaugeloft::platform {

QString PathFromNative(const QByteArray& native);
QByteArray NativePath(const QString& path);

// False when the path holds bytes that are not valid UTF-8 (desktop files cannot name it).
bool PathIsUtf8(const QString& path);

// The running program, from /proc/self/exe (empty when it cannot be read).
QString ExecutablePath();

// The folder part of an absolute or relative path ("." for a bare name, "/" for the root).
QString FolderOf(const QString& path);

} // namespace gaugeloft::platform
