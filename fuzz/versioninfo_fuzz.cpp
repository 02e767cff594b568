// libFuzzer target for the version reader: any bytes, as an ELF file (in memory and on disk,
// which must agree) and as a version resource, give a value or nothing, never a fault.

#include "fuzz/fuzzfolder.h"
#include "update/versioninfo.h"

#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace gaugeloft::update;

namespace {

#define Check(condition)                                                                         \
    do {                                                                                         \
        if (!(condition)) {                                                                      \
            std::fprintf(stderr, "versioninfo_fuzz.cpp:%d: failed: %s\n", __LINE__, #condition); \
            std::abort();                                                                        \
        }                                                                                        \
    } while (false)

const QString kNames[] = {QStringLiteral("FileVersion"), QStringLiteral("CompanyName"), QString()};

void CheckResource(const QByteArray& resource)
{
    for (const QString& name : kNames)
        Check(VersionResourceValue(resource, name).size() <= resource.size() / 2);
    for (const char* path : {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904e4\\FileVersion", "\\a\\b\\c\\d"}) {
        VersionBlockValue value;
        if (QueryVersionResource(resource, QString::fromLatin1(path), &value))
            Check(value.bytes.size() <= resource.size());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const gaugeloft::fuzz::TempFolder folder("versioninfo_fuzz");
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const QByteArray section = ElfSectionContents(
        [&input](quint64 offset, char* out, qsizetype length) {
            if (offset > quint64(input.size()) || quint64(length) > quint64(input.size()) - offset)
                return false;
            std::memcpy(out, input.constData() + offset, static_cast<size_t>(length));
            return true;
        },
        quint64(input.size()), kVersionSection, 1 << 20);
    Check(section.isEmpty() || input.contains(section));
    CheckResource(section);
    CheckResource(input);

    const QString path = folder.Path() + QStringLiteral("/input");
    QFile file(path);
    Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    Check(file.write(input) == input.size());
    file.close();
    for (const QString& name : kNames)
        Check(GetVersionInfoValue(path, name) == VersionResourceValue(section, name));
    return 0;
}
