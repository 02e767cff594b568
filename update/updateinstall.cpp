#include "update/updateinstall.h"

#include <QProcess>

namespace gaugeloft::update {

int UpdaterFlags(TMyCheckMode mode)
{
    return mode == cmNormal ? 4 : 4 | 1 | 2;
}

QStringList UpdaterArguments(const QString& package, const QString& executable, const QString& mutex,
                             const QString& archive, int flags)
{
    return {QStringLiteral("/s:") + package, QStringLiteral("/d:") + executable, QStringLiteral("/m:") + mutex,
            QStringLiteral("/z:") + archive, QStringLiteral("/a:%1").arg(flags)};
}

QStringList ReplacementScriptLines(bool withArchive)
{
    QStringList lines {
        QStringLiteral("#!/bin/sh"),
        QStringLiteral("# WebUpdate script -- this file is safe to delete!"),
        QStringLiteral("sleep 1"),
        QStringLiteral("chmod --reference=\"$2\" -- \"$1\"; mv -f -- \"$1\" \"$2\""),
    };
    if (withArchive) {
        lines << QStringLiteral("cabextract -q -d . \"$4\"") << QStringLiteral("sleep 1")
              << QStringLiteral("rm -f -- \"$4\"");
    }
    lines << QStringLiteral("sleep 1") << QStringLiteral("nohup \"$2\" \"$3\" >/dev/null 2>&1 &");
    return lines;
}

QByteArray ReplacementScript(bool withArchive)
{
    return ReplacementScriptLines(withArchive).join(u'\n').toUtf8() + '\n';
}

QStringList ScriptArguments(const QString& script, const QString& package, const QString& executable,
                            const QString& archive)
{
    return {script, package, executable, QStringLiteral("/cleanu;") + script, archive};
}

QStringList SetupArguments(const QString& setupParams)
{
    return QProcess::splitCommand(setupParams);
}

} // namespace gaugeloft::update
