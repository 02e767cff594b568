#include "platform/settingsstore.h"

#include "platform/nativepath.h"
#include "platform/regformat.h"
#include "platform/safefile.h"
#include "platform/xdgpaths.h"

#include <QDateTime>

#include <cerrno>
#include <cstdio>
#include <utility>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gaugeloft::platform {

namespace {

using regformat::Document;
using regformat::Kind;

constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;

QByteArray Native(const QString& path) { return NativePath(path); }

// An flock held on `path` (created when missing) for the object's lifetime.
class FileLock {
public:
    FileLock(const QString& path, bool exclusive)
    {
        const QByteArray name = Native(path);
        m_fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600);
        if (m_fd < 0 && !exclusive)
            m_fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
        if (m_fd < 0) {
            m_error = errno;
            return;
        }
        int rc;
        do
            rc = ::flock(m_fd, exclusive ? LOCK_EX : LOCK_SH);
        while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            m_error = errno;
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~FileLock()
    {
        if (m_fd >= 0)
            ::close(m_fd); // drops the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool Held() const { return m_fd >= 0; }
    QString Reason() const { return SystemReason(m_error); }

private:
    int m_fd = -1;
    int m_error = 0;
};

enum class FileState { Missing, Parsed, Corrupt, Unreadable };

struct Loaded {
    FileState state = FileState::Missing;
    Document doc;
    QString reason;  // why an unreadable file could not be read
};

// An empty file counts as no file; one that is not a regular file or cannot be opened is
// unreadable (and never replaced); one too large to be ours counts as corrupt.
Loaded Load(const QString& path)
{
    Loaded result;
    QByteArray data;
    QString reason;
    switch (ReadRegularFile(path, kMaxFileSize, &data, &reason)) {
    case ReadStatus::Missing:
        result.state = FileState::Missing;
        return result;
    case ReadStatus::Failed: {
        struct stat st {};
        const bool tooLarge = ::stat(Native(path).constData(), &st) == 0 && S_ISREG(st.st_mode)
            && st.st_size > kMaxFileSize;
        result.state = tooLarge ? FileState::Corrupt : FileState::Unreadable;
        result.reason = reason;
        return result;
    }
    case ReadStatus::Read:
        break;
    }
    if (data.isEmpty())
        result.state = FileState::Missing;
    else
        result.state = regformat::Parse(data, &result.doc, nullptr) ? FileState::Parsed : FileState::Corrupt;
    return result;
}

QString FullPath(const QString& key)
{
    return regformat::NormalizePath(QLatin1String(regformat::kCurrentUser) + u'\\' + key);
}

const regformat::Value* FindValue(const Document& doc, const QString& key, const QString& name)
{
    const regformat::Section* section = doc.Find(FullPath(key));
    return section ? section->Find(name) : nullptr;
}

[[noreturn]] void ThrowInvalidType(const QString& name)
{
    throw SettingsError(QStringLiteral("Invalid data type for '%1'").arg(name));
}

[[noreturn]] void ThrowNotSaved(const QString& name, const QString& reason)
{
    QString message = QStringLiteral("Failed to set data for '%1'").arg(name);
    if (!reason.isEmpty())
        message += u'\n' + reason;
    throw SettingsError(message);
}

// Moves the file to an unused name beside it: the new name, or empty.
QString SetAside(const QString& path, QString* reason)
{
    const QString base = path + QStringLiteral(".corrupt-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n <= 1000; ++n) {
        const QString candidate = n == 1 ? base : base + QStringLiteral("-%1").arg(n);
        const QByteArray from = Native(path);
        const QByteArray to = Native(candidate);
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
            return candidate;
        if (errno == EEXIST)
            continue;
        if (errno != EINVAL && errno != ENOSYS) {
            *reason = SystemReason(errno);
            return {};
        }
        // No RENAME_NOREPLACE here; other writers wait on our lock anyway.
        struct stat st {};
        if (::lstat(to.constData(), &st) == 0)
            continue;
        if (::rename(from.constData(), to.constData()) == 0)
            return candidate;
        *reason = SystemReason(errno);
        return {};
    }
    *reason = QStringLiteral("No free name to keep the unreadable file under");
    return {};
}

} // namespace

QString SettingsStore::DefaultPath()
{
    return ConfigHome() + QStringLiteral("/Marrowind/registry.reg");
}

SettingsStore::SettingsStore(QString path)
    : m_path(std::move(path))
{
}

namespace {

Loaded LoadShared(const QString& path)
{
    // Without the lock (no folder yet, read-only folder) the read goes on: saves are atomic.
    const FileLock lock(path + QStringLiteral(".lock"), false);
    Loaded loaded = Load(path);
    if (loaded.state != FileState::Parsed)
        loaded.doc = {};
    return loaded;
}

// Read-modify-write under the exclusive lock. `change` returns false when it changed nothing
// (nothing is written then).
bool ChangeFile(const QString& path, const QString& name,
    const std::function<bool(const QString&, const QByteArray&, QString*)>& writer, QString* setAside,
    const std::function<bool(Document&)>& change)
{
    QString reason;
    if (!MakeFolders(FolderOf(path), 0700, &reason))
        ThrowNotSaved(name, reason);
    const FileLock lock(path + QStringLiteral(".lock"), true);
    if (!lock.Held())
        ThrowNotSaved(name, lock.Reason());
    Loaded loaded = Load(path);
    if (loaded.state == FileState::Unreadable)
        ThrowNotSaved(name, loaded.reason);
    if (loaded.state == FileState::Corrupt)
        loaded.doc = {};
    if (!change(loaded.doc))
        return false;
    const QByteArray data = regformat::Print(loaded.doc);

    QString aside;
    if (loaded.state == FileState::Corrupt) {
        aside = SetAside(path, &reason);
        if (aside.isEmpty())
            ThrowNotSaved(name, reason);
    }
    bool saved = false;
    try {
        saved = writer ? writer(path, data, &reason) : WriteFileSafely(path, data, &reason, NewFileAccess::Private);
    } catch (...) {
        saved = false;
    }
    if (!saved) {
        if (!aside.isEmpty())
            ::rename(Native(aside).constData(), Native(path).constData());
        ThrowNotSaved(name, reason);
    }
    if (!aside.isEmpty())
        *setAside = aside;
    return true;
}

// A key is one line of the file: `[path]`.
bool ValidKey(const QString& key)
{
    return !key.contains(u'\n');
}

} // namespace

bool SettingsStore::KeyExists(const QString& key) const
{
    const QString full = FullPath(key);
    if (full == QLatin1String(regformat::kCurrentUser))
        return true;
    return LoadShared(m_path).doc.HasKeyOrBelow(full);
}

QStringList SettingsStore::ValueNames(const QString& key) const
{
    const Loaded loaded = LoadShared(m_path);
    QStringList names;
    if (const regformat::Section* section = loaded.doc.Find(FullPath(key))) {
        for (const regformat::Value& value : section->Values())
            names.append(value.name);
    }
    return names;
}

std::optional<SettingsValue> SettingsStore::Read(const QString& key, const QString& name) const
{
    const Loaded loaded = LoadShared(m_path);
    const regformat::Value* value = FindValue(loaded.doc, key, name);
    if (!value)
        return std::nullopt;
    SettingsValue out;
    switch (value->kind) {
    case Kind::String:
        out.Type = SettingsType::String;
        out.Text = value->text;
        return out;
    case Kind::DWord:
        out.Type = SettingsType::DWord;
        out.Number = value->number;
        return out;
    case Kind::Binary:
        out.Type = SettingsType::Binary;
        out.Bytes = value->bytes;
        return out;
    case Kind::Other:
        break;
    }
    return std::nullopt;
}

std::optional<QString> SettingsStore::ReadString(const QString& key, const QString& name) const
{
    const Loaded loaded = LoadShared(m_path);
    const regformat::Value* value = FindValue(loaded.doc, key, name);
    if (!value)
        return std::nullopt;
    if (value->kind != Kind::String)
        ThrowInvalidType(name);
    return value->text;
}

std::optional<std::uint32_t> SettingsStore::ReadDWord(const QString& key, const QString& name) const
{
    const Loaded loaded = LoadShared(m_path);
    const regformat::Value* value = FindValue(loaded.doc, key, name);
    if (!value)
        return std::nullopt;
    if (value->kind != Kind::DWord)
        ThrowInvalidType(name);
    return value->number;
}

std::optional<QByteArray> SettingsStore::ReadBinary(const QString& key, const QString& name) const
{
    const Loaded loaded = LoadShared(m_path);
    const regformat::Value* value = FindValue(loaded.doc, key, name);
    if (!value)
        return std::nullopt;
    if (value->kind != Kind::Binary)
        ThrowInvalidType(name);
    return value->bytes;
}

namespace {

void Put(const QString& path, const decltype(SettingsStore::Writer)& writer, QString* setAside,
    const QString& key, regformat::Value value)
{
    if (!ValidKey(key))
        ThrowNotSaved(value.name, QStringLiteral("A key name holds a line break"));
    const QString name = value.name;
    ChangeFile(path, name, writer, setAside, [&](Document& doc) {
        const QString full = FullPath(key);
        const bool created = !doc.Find(full);
        return doc.Add(full).Set(std::move(value)) || created;
    });
}

} // namespace

void SettingsStore::WriteString(const QString& key, const QString& name, const QString& value)
{
    regformat::Value v;
    v.name = name;
    v.kind = Kind::String;
    v.text = value;
    Put(m_path, Writer, &m_setAside, key, std::move(v));
}

void SettingsStore::WriteDWord(const QString& key, const QString& name, std::uint32_t value)
{
    regformat::Value v;
    v.name = name;
    v.kind = Kind::DWord;
    v.number = value;
    Put(m_path, Writer, &m_setAside, key, std::move(v));
}

void SettingsStore::WriteBinary(const QString& key, const QString& name, const QByteArray& value)
{
    regformat::Value v;
    v.name = name;
    v.kind = Kind::Binary;
    v.bytes = value;
    Put(m_path, Writer, &m_setAside, key, std::move(v));
}

bool SettingsStore::DeleteValue(const QString& key, const QString& name)
{
    return ChangeFile(m_path, name, Writer, &m_setAside, [&](Document& doc) {
        regformat::Section* section = doc.Find(FullPath(key));
        return section && section->Remove(name);
    });
}

bool SettingsStore::DeleteKey(const QString& key)
{
    if (FullPath(key) == QLatin1String(regformat::kCurrentUser))
        return false;  // never the whole hive
    return ChangeFile(m_path, key, Writer, &m_setAside,
                      [&](Document& doc) { return doc.RemoveKeyAndBelow(FullPath(key)); });
}

QString SettingsStore::TakeSetAsideNotice()
{
    return std::exchange(m_setAside, QString());
}

} // namespace gaugeloft::platform
