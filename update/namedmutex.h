#pragma once

// The program's named mutex on Linux: an exclusive flock on a lock file named after the
// mutex, per user like a session mutex: $XDG_RUNTIME_DIR/<name>.lock, or
// <temporary folder>/<name>-<uid>.lock when XDG_RUNTIME_DIR is not set. The descriptor is
// close-on-exec, so a program started by this one never holds the lock.
//
// One lock per process, kept from WaitForNamedMutex until ReleaseNamedMutex or the exit.

#include <QString>

namespace gaugeloft::update {

// The file that stands for `name` (with `suffix`: ".lock" for the lock, ".socket" for the
// local socket of the running copy). "/" and control characters in the name become "_".
QString NamedMutexPath(const QString& name, const QString& suffix = QStringLiteral(".lock"));

// Takes the mutex, waiting up to `timeoutMs` (negative: without limit) by polling without
// busy looping. True when it is held; asking again for the mutex already held is true at
// once. A lock file that is not a regular file of this user is refused.
bool WaitForNamedMutex(const QString& name, int timeoutMs);

// Releases and closes the held mutex, if any. Runs at exit too.
void ReleaseNamedMutex();

} // namespace gaugeloft::update
