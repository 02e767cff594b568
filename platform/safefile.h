#pragma once

// Reading and writing the program's own files so that nothing the user saved is lost.
//
// Writing: the data goes unbuffered into a new temporary file beside the target (created
// exclusively), is synced to the disk, and only then renamed over the target; any failure
// leaves the old file untouched and reports the system's reason ("No space left on device").
// Only regular files are ever replaced: a directory, device, FIFO or socket in the file's
// place (directly or behind a symbolic link) is refused. A link to a regular file is written
// through, so the link stays.
//
// Reading: opened without blocking, checked to be a regular file and read up to a cap, so a
// FIFO, a device or a huge file never freezes or bloats the program.

#include <QByteArray>
#include <QString>

#include <functional>

namespace gaugeloft::platform {

enum class NewFileAccess {
    Shared,   // a new file gets the usual mode (0666 less the umask)
    Private,  // the user's alone (0600), and an existing file loses group and other rights
};

// False with the reason when the file was not replaced; `data` may be empty.
bool WriteFileSafely(const QString& path, const QByteArray& data, QString* reason,
                     NewFileAccess access = NewFileAccess::Shared);

enum class ReadStatus { Read, Missing, Failed };

// Read: `data` holds the whole file. Missing: there is no such file (`data` empty).
// Failed: it cannot be read, is not a regular file or is larger than `maxBytes`; `reason` says why.
ReadStatus ReadRegularFile(const QString& path, qint64 maxBytes, QByteArray* data, QString* reason = nullptr);

// The system's text for an errno value.
QString SystemReason(int error);

// Creates the folder and missing parents (new ones with `mode`). False with the reason.
bool MakeFolders(const QString& folder, unsigned mode, QString* reason);

// True when `path` names a regular file (a link to one counts).
bool IsRegularFile(const QString& path);
// True when anything is there (behind a link: when the link leads somewhere).
bool PathExists(const QString& path);

// How a caller writes its file; tests put a failing writer in. The default is WriteFileSafely.
using FileWriter = std::function<bool(const QString& path, const QByteArray& data, QString* reason)>;

} // namespace gaugeloft::platform
