#pragma once

// What the file-reading fuzz targets share: a failed check aborts (libFuzzer keeps the input),
// and a folder of the run's own, in memory where possible, removed at exit.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cstdlib>
#include <unistd.h>

namespace gaugeloft::fuzz {

inline void Check(bool ok)
{
    if (!ok)
        std::abort();
}

class TempFolder {
public:
    explicit TempFolder(const char* prefix)
    {
        const QByteArray base = QFileInfo(QStringLiteral("/dev/shm")).isDir() ? "/dev/shm/" : "/tmp/";
        QByteArray name = base + prefix + ".XXXXXX";
        Check(::mkdtemp(name.data()) != nullptr);
        m_path = QFile::decodeName(name);
    }
    ~TempFolder() { QDir(m_path).removeRecursively(); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const QString& Path() const { return m_path; }

private:
    QString m_path;
};

} // namespace gaugeloft::fuzz
