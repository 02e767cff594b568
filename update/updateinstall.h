#pragma once

// Handing a downloaded update over to what replaces the program: the setup program itself, an
// updater beside the program, or a small shell script the run writes. Only the texts and the
// arguments live here; the run (updaterun.cpp) decides which and starts it.

#include "update/webupdatetypes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace gaugeloft::update {

// The updater a portable copy may keep beside its executable.
inline constexpr const char* kUpdaterName = "Updater";
// The tool that unpacks a portable package's cabinet archive.
inline constexpr const char* kCabinetTool = "cabextract";

// The updater's last argument: 4 in cmNormal, 7 in the other modes.
int UpdaterFlags(TMyCheckMode mode);

// "/s:<package>", "/d:<executable>", "/m:<mutex>", "/z:<archive>", "/a:<flags>", each one
// argument of its own.
QStringList UpdaterArguments(const QString& package, const QString& executable, const QString& mutex,
                             const QString& archive, int flags);

// The replacement script, run by /bin/sh with the arguments of ScriptArguments: it waits a
// second, moves the package ($1) over the executable ($2) with the executable's permissions,
// with an archive ($4) unpacks it into
// its folder and removes it, and starts the new program with "/cleanu;<script>" ($3). Six lines,
// nine with an archive. The paths are its arguments, never part of its text.
QStringList ReplacementScriptLines(bool withArchive);
QByteArray ReplacementScript(bool withArchive);

// The arguments of /bin/sh for the script: the script, then $1 to $4 (the archive empty when
// there is none).
QStringList ScriptArguments(const QString& script, const QString& package, const QString& executable,
                            const QString& archive);

// The setup program's parameters as a shell would split them (quotes and backslashes), without
// a shell ever seeing them.
QStringList SetupArguments(const QString& setupParams);

} // namespace gaugeloft::update
