// libFuzzer target for the update index and version texts: any bytes are read as an index in
// every mode and for both kinds of copy, and compared as versions. Only the two documented
// errors may come out, and what is read keeps the reader's promises.

#include "update/updateindex.h"
#include "update/versioncompare.h"

#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace gaugeloft::update;

namespace {

#define Check(condition)                                                                         \
    do {                                                                                         \
        if (!(condition)) {                                                                      \
            std::fprintf(stderr, "updateindex_fuzz.cpp:%d: failed: %s\n", __LINE__, #condition); \
            std::abort();                                                                        \
        }                                                                                        \
    } while (false)

void ReadIndex(const QString& text)
{
    for (TMyUpdateMode mode : {umSetup, umPortable, umAuto}) {
        for (bool installed : {false, true}) {
            try {
                const UpdateIndex index = ReadUpdateIndex(text, mode, installed);
                Check(index.Found == (!index.File.isEmpty() && !index.Version.isEmpty()));
                Check(index.Portable || index.Archive.isEmpty());
                Check(std::isfinite(index.Created));
                Check(index.Notes.isEmpty() || (index.Notes.front().unicode() > 32 && index.Notes.back().unicode() > 32));
                if (mode == umSetup && index.Found)
                    Check(!index.Portable);
                if (mode == umPortable && index.Found)
                    Check(index.Portable);
            } catch (const IndexError&) {
            } catch (const ConversionError&) {
            }
        }
    }
}

void CompareHalves(const QString& text)
{
    const QString a = text.left(text.size() / 2);
    const QString b = text.mid(text.size() / 2);
    try {
        const int forward = CompareVersions(a, b);
        Check(forward >= -1 && forward <= 1);
        Check(CompareVersions(b, a) == -forward);
        Check(CompareVersions(a, a) == 0);
    } catch (const ConversionError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    ReadIndex(text);
    CompareHalves(text);
    return 0;
}
