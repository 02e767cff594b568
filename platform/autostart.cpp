#include "platform/autostart.h"

#include "platform/nativepath.h"
#include "platform/safefile.h"
#include "platform/xdgpaths.h"

#include <QStringList>

#include <algorithm>

#include <cerrno>
#include <unistd.h>

namespace gaugeloft::platform {

namespace {

constexpr qint64 kMaxEntrySize = 1024 * 1024;

// Characters that make an Exec argument need quotes.
bool IsReserved(QChar c)
{
    return QStringView(u" \t\n\"'\\><~|&;$*?#()`").contains(c);
}

// One Exec argument: quoted when needed, % doubled, then escaped as a desktop-entry string.
QString ExecArgument(const QString& arg)
{
    QString quoted;
    if (arg.isEmpty() || std::any_of(arg.begin(), arg.end(), IsReserved)) {
        quoted = u'"';
        for (QChar c : arg) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                quoted += u'\\';
            quoted += c;
        }
        quoted += u'"';
    } else {
        quoted = arg;
    }
    QString out;
    for (QChar c : quoted) {
        switch (c.unicode()) {
        case u'%': out += QLatin1String("%%"); break;
        case u'\\': out += QLatin1String("\\\\"); break;
        case u'\n': out += QLatin1String("\\n"); break;
        case u'\t': out += QLatin1String("\\t"); break;
        case u'\r': out += QLatin1String("\\r"); break;
        default: out += c;
        }
    }
    return out;
}

QString UnescapeString(QStringView value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'\\' || i + 1 >= value.size()) {
            out += value[i];
            continue;
        }
        switch (value[++i].unicode()) {
        case u's': out += u' '; break;
        case u'n': out += u'\n'; break;
        case u't': out += u'\t'; break;
        case u'r': out += u'\r'; break;
        case u'\\': out += u'\\'; break;
        default: out += u'\\'; out += value[i];
        }
    }
    return out;
}

// The program an Exec line starts (its first argument), or empty when the line is malformed.
QString ExecProgram(const QString& exec)
{
    QString arg;
    bool started = false;
    bool quoted = false;
    qsizetype i = 0;
    for (; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == u'\\' && i + 1 < exec.size() && QStringView(u"\"`$\\").contains(exec[i + 1]))
                arg += exec[++i];
            else if (c == u'"')
                quoted = false;
            else
                arg += c;
        } else if (c == u' ' || c == u'\t' || c == u'\n') {
            if (started)
                break;
        } else if (c == u'"') {
            quoted = started = true;
        } else {
            arg += c;
            started = true;
        }
    }
    if (quoted)
        return {};
    arg.replace(QLatin1String("%%"), QLatin1String("%"));
    return arg;
}

struct Entry {
    QString exec;
    bool hidden = false;
    bool gnomeEnabled = true;
};

bool ReadEntry(const QString& path, Entry* entry)
{
    QByteArray data;
    if (ReadRegularFile(path, kMaxEntrySize, &data) != ReadStatus::Read)
        return false;
    const QString text = QString::fromUtf8(data);
    bool inMain = false;
    bool hasExec = false;
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inMain = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!inMain || eq < 0)
            continue;
        const QStringView key = line.left(eq).trimmed();
        const QString value = UnescapeString(line.mid(eq + 1).trimmed());
        if (key == QLatin1String("Exec") && !hasExec) {
            entry->exec = value;
            hasExec = true;
        } else if (key == QLatin1String("Hidden")) {
            entry->hidden = value == QLatin1String("true");
        } else if (key == QLatin1String("X-GNOME-Autostart-enabled")) {
            entry->gnomeEnabled = value != QLatin1String("false");
        }
    }
    return hasExec;
}

} // namespace

QString AutostartPath()
{
    return ConfigHome() + QStringLiteral("/autostart/Gaugeloft.desktop");
}

bool AutostartEnabled(const QString& executable)
{
    Entry entry;
    if (executable.isEmpty() || !ReadEntry(AutostartPath(), &entry))
        return false;
    return !entry.hidden && entry.gnomeEnabled && ExecProgram(entry.exec) == executable;
}

QString AutostartRefusal(const QString& executable)
{
    if (executable.isEmpty())
        return QStringLiteral("No program to start");
    if (!PathIsUtf8(executable))
        return QStringLiteral("The program's path %1 is not valid UTF-8, which a desktop entry cannot name")
            .arg(QString::fromUtf8(NativePath(executable)));  // shown with replacement characters
    if (executable.contains(u'%'))
        return QStringLiteral("The program's path %1 holds a \"%\", which desktop sessions do not start")
            .arg(executable);
    return {};
}

bool SetAutostart(bool enabled, const QString& executable, QString* error)
{
    const auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    const QString path = AutostartPath();
    if (!enabled) {
        if (::unlink(NativePath(path).constData()) != 0 && errno != ENOENT)
            return fail(QStringLiteral("Cannot remove %1: %2").arg(path, SystemReason(errno)));
        return true;
    }
    if (const QString refusal = AutostartRefusal(executable); !refusal.isEmpty())
        return fail(refusal);
    QString reason;
    if (!MakeFolders(FolderOf(path), 0700, &reason))
        return fail(QStringLiteral("Cannot create the folder %1: %2").arg(FolderOf(path), reason));

    const QString text = QStringLiteral(
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Gaugeloft\n"
        "Comment=Hardware sensors dashboard\n"
        "Exec=%1\n"
        "Icon=gaugeloft\n"
        "Terminal=false\n"
        "X-GNOME-Autostart-enabled=true\n").arg(ExecArgument(executable));
    if (!WriteFileSafely(path, text.toUtf8(), &reason))
        return fail(QStringLiteral("Cannot write %1: %2").arg(path, reason));
    return true;
}

} // namespace gaugeloft::platform
