#include "update/versioninfo.h"
#include "update/versionlayout.h"

#include "platform/nativepath.h"
#include "update/elfimage.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstring>
#include <functional>
#include <sys/stat.h>

namespace gaugeloft::update {
namespace {

using gaugeloft::testing::ElfImage;
using gaugeloft::testing::ElfSection;
using gaugeloft::testing::ElfShape;

using Blocks = std::function<void(VersionWriter&)>;

QByteArray Resource(const Blocks& write)
{
    VersionWriter counter(nullptr);
    write(counter);
    QByteArray bytes(static_cast<qsizetype>(counter.Size()), '\0');
    VersionWriter writer(reinterpret_cast<unsigned char*>(bytes.data()));
    write(writer);
    return bytes;
}

constexpr VersionLayout kLayout{
    {1, 2, 3, 4},
    {1, 2, 3, 0},
    0x0409,
    0x04E4,
    u"040904E4",
    {{{u"CompanyName", u"Marrowind"}, {u"FileVersion", u"1.2.3.4"}, {u"Comments", u""}}},
};


QByteArray LayoutResource(const VersionLayout& layout)
{
    QByteArray bytes(static_cast<qsizetype>(WriteVersionResource(layout, nullptr)), '\0');
    WriteVersionResource(layout, reinterpret_cast<unsigned char*>(bytes.data()));
    return bytes;
}

// A root with the given children after an empty fixed part.
Blocks Root(const Blocks& children)
{
    return [children](VersionWriter& w) {
        const auto root = w.Begin(u"VS_VERSION_INFO", 0, VersionWriter::kBinary);
        children(w);
        w.End(root);
    };
}

Blocks Table(std::u16string_view key, std::u16string_view name, std::u16string_view value)
{
    return [=](VersionWriter& w) {
        const auto info = w.Begin(u"StringFileInfo", 0, VersionWriter::kText);
        const auto table = w.Begin(key, 0, VersionWriter::kText);
        w.String(name, value);
        w.End(table);
        w.End(info);
    };
}

Blocks Translations(std::initializer_list<std::uint16_t> words)
{
    const std::vector<std::uint16_t> list(words);
    return [list](VersionWriter& w) {
        const auto info = w.Begin(u"VarFileInfo", 0, VersionWriter::kText);
        const auto translation = w.Begin(u"Translation", static_cast<std::uint16_t>(list.size() * 2), VersionWriter::kBinary);
        for (std::uint16_t word : list)
            w.Word(word);
        w.End(translation);
        w.End(info);
    };
}

Blocks Both(const Blocks& a, const Blocks& b)
{
    return [a, b](VersionWriter& w) {
        a(w);
        b(w);
    };
}

struct ResourceCase {
    const char* name;
    QByteArray resource;
    QString query;
    QString value;
};

class VersionResource : public ::testing::TestWithParam<ResourceCase> {};

TEST_P(VersionResource, GivesTheFirstTranslationsString)
{
    EXPECT_EQ(VersionResourceValue(GetParam().resource, GetParam().query), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    VersionInfo, VersionResource,
    ::testing::Values(
        ResourceCase{"Layout", LayoutResource(kLayout), QStringLiteral("FileVersion"), QStringLiteral("1.2.3.4")},
        ResourceCase{"NamesIgnoreCase", LayoutResource(kLayout), QStringLiteral("companyname"), QStringLiteral("Marrowind")},
        ResourceCase{"NoSuchName", LayoutResource(kLayout), QStringLiteral("ProductName"), QString()},
        ResourceCase{"EmptyName", LayoutResource(kLayout), QString(), QString()},
        ResourceCase{"EmptyValue", LayoutResource(kLayout), QStringLiteral("Comments"), QString()},
        ResourceCase{"NoResource", QByteArray(), QStringLiteral("FileVersion"), QString()},
        ResourceCase{"NoTranslation", Resource(Root(Table(u"040904E4", u"FileVersion", u"9"))),
                     QStringLiteral("FileVersion"), QString()},
        ResourceCase{"TranslationTooShort",
                     Resource(Root(Both(Table(u"040904E4", u"FileVersion", u"9"), Translations({0x0409})))),
                     QStringLiteral("FileVersion"), QString()},
        ResourceCase{"LowerCaseTable",
                     Resource(Root(Both(Table(u"040704b0", u"FileVersion", u"9"), Translations({0x0407, 0x04B0})))),
                     QStringLiteral("FileVersion"), QStringLiteral("9")},
        ResourceCase{"OnlyTheFirstTranslation",
                     Resource(Root(Both(Table(u"040904E4", u"FileVersion", u"9"),
                                        Translations({0x0407, 0x04B0, 0x0409, 0x04E4})))),
                     QStringLiteral("FileVersion"), QString()},
        ResourceCase{"ZeroValueLength",
                     Resource(Root(Both(
                         [](VersionWriter& w) {
                             const auto info = w.Begin(u"StringFileInfo", 0, VersionWriter::kText);
                             const auto table = w.Begin(u"040904E4", 0, VersionWriter::kText);
                             const auto s = w.Begin(u"FileVersion", 0, VersionWriter::kText);
                             w.Text(u"hidden");
                             w.End(s);
                             w.End(table);
                             w.End(info);
                         },
                         Translations({0x0409, 0x04E4})))),
                     QStringLiteral("FileVersion"), QString()},
        ResourceCase{"ValueLongerThanItsBlock",
                     Resource(Root(Both(Translations({0x0409, 0x04E4}),
                                        [](VersionWriter& w) {
                                            const auto info = w.Begin(u"StringFileInfo", 0, VersionWriter::kText);
                                            const auto table = w.Begin(u"040904E4", 0, VersionWriter::kText);
                                            const auto s = w.Begin(u"FileVersion", 500, VersionWriter::kText);
                                            w.Word(u'7');
                                            w.Word(u'8');  // no terminating zero
                                            w.End(s);
                                            w.End(table);
                                            w.End(info);
                                        }))),
                     QStringLiteral("FileVersion"), QStringLiteral("78")}),
    [](const auto& info) { return std::string(info.param.name); });

QString OwnExecutable()
{
    return platform::ExecutablePath();
}

TEST(VersionInfo, ReadsTheBuildsOwnSection)
{
    const QString exe = OwnExecutable();
    const QString fileVersion = GetVersionInfoValue(exe, QStringLiteral("FileVersion"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^%1\\.\\d+$")
                                       .arg(QRegularExpression::escape(QStringLiteral(GAUGELOFT_PROJECT_VERSION))))
                    .match(fileVersion)
                    .hasMatch())
        << qPrintable(fileVersion);
    EXPECT_EQ(GetVersionInfoValue(exe, QStringLiteral("ProductVersion")), QStringLiteral(GAUGELOFT_PROJECT_VERSION));
    EXPECT_EQ(GetVersionInfoValue(exe, QStringLiteral("ProductName")), QStringLiteral("Gaugeloft"));
    EXPECT_EQ(GetVersionInfoValue(exe, QStringLiteral("CompanyName")), QStringLiteral("Marrowind"));
    EXPECT_FALSE(GetVersionInfoValue(exe, QStringLiteral("FileDescription")).isEmpty());
    EXPECT_FALSE(GetVersionInfoValue(exe, QStringLiteral("LegalCopyright")).isEmpty());
    EXPECT_EQ(GetVersionInfoValue(exe, QStringLiteral("PrivateBuild")), QString());
}

TEST(VersionInfo, OwnSectionTakesTheEnglishCodePage1252Path)
{
    QFile exe(OwnExecutable());
    ASSERT_TRUE(exe.open(QIODevice::ReadOnly));
    const QByteArray bytes = exe.readAll();
    const QByteArray resource = ElfSectionContents(
        [&bytes](quint64 offset, char* out, qsizetype size) {
            std::memcpy(out, bytes.constData() + offset, static_cast<size_t>(size));
            return true;
        },
        quint64(bytes.size()), kVersionSection, 1 << 20);
    VersionBlockValue translation;
    ASSERT_TRUE(QueryVersionResource(resource, QStringLiteral("\\VarFileInfo\\Translation"), &translation));
    ASSERT_EQ(translation.bytes, QByteArray("\x09\x04\xE4\x04", 4));
    VersionBlockValue direct;
    ASSERT_TRUE(QueryVersionResource(resource, QStringLiteral("\\StringFileInfo\\040904e4\\FileVersion"), &direct));
    EXPECT_EQ(direct.type, 1);
    // the fixed part carries the same numbers as the FileVersion string
    VersionBlockValue fixed;
    ASSERT_TRUE(QueryVersionResource(resource, QStringLiteral("\\"), &fixed));
    ASSERT_EQ(fixed.bytes.size(), 52);
    const auto dword = [&fixed](int at) {
        quint32 v = 0;
        for (int i = 3; i >= 0; --i)
            v = v << 8 | static_cast<unsigned char>(fixed.bytes[at + i]);
        return v;
    };
    EXPECT_EQ(dword(0), kFixedInfoSignature);
    const QString fromFixed = QStringLiteral("%1.%2.%3.%4")
                                  .arg(dword(8) >> 16).arg(dword(8) & 0xFFFF).arg(dword(12) >> 16).arg(dword(12) & 0xFFFF);
    EXPECT_EQ(fromFixed, GetVersionInfoValue(OwnExecutable(), QStringLiteral("FileVersion")));
}

class VersionFiles : public ::testing::Test {
protected:
    QString Write(const QString& name, const QByteArray& bytes)
    {
        QFile file(m_dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::NewOnly));
        file.write(bytes);
        return file.fileName();
    }
    QTemporaryDir m_dir;
};

TEST_F(VersionFiles, CraftedElfFilesOfEveryShape)
{
    const QByteArray resource = LayoutResource(kLayout);
    for (bool wide : {true, false}) {
        for (bool bigEndian : {false, true}) {
            for (bool extended : {false, true}) {
                const ElfShape shape{wide, bigEndian, extended};
                const QByteArray elf = ElfImage::Make(
                    {{".text", QByteArray(40, '\x90')}, {".vs_version_info", resource}, {".data", "x"}}, shape);
                const QString path = Write(QStringLiteral("elf-%1-%2-%3").arg(wide).arg(bigEndian).arg(extended), elf);
                EXPECT_EQ(GetVersionInfoValue(path, QStringLiteral("FileVersion")), QStringLiteral("1.2.3.4"))
                    << wide << bigEndian << extended;
            }
        }
    }
}

TEST_F(VersionFiles, EmptyWithoutTheSection)
{
    const QByteArray resource = LayoutResource(kLayout);
    const QString noSection = Write(QStringLiteral("plain"), ElfImage::Make({{".text", "abc"}}));
    const QString noBits = Write(QStringLiteral("nobits"), ElfImage::Make({{".vs_version_info", resource, 8}}));
    const QString longerName = Write(QStringLiteral("longer"), ElfImage::Make({{".vs_version_info2", resource}}));
    const QString notElf = Write(QStringLiteral("text"), "just text, longer than an ELF header would be, and more......");
    const QString empty = Write(QStringLiteral("empty"), QByteArray());
    const QString fifo = m_dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);  // must not block
    for (const QString& path : {noSection, noBits, longerName, notElf, empty, fifo, m_dir.path(),
                                m_dir.filePath(QStringLiteral("missing")), QStringLiteral("/bin/sh")})
        EXPECT_EQ(GetVersionInfoValue(path, QStringLiteral("FileVersion")), QString()) << qPrintable(path);
}

QByteArray FromMemory(const QByteArray& file)
{
    return ElfSectionContents(
        [&file](quint64 offset, char* out, qsizetype size) {
            if (offset > quint64(file.size()) || quint64(size) > quint64(file.size()) - offset)
                return false;
            std::memcpy(out, file.constData() + offset, static_cast<size_t>(size));
            return true;
        },
        quint64(file.size()), kVersionSection, 1 << 20);
}

TEST(VersionInfo, TruncatedAndDamagedFilesGiveTheSectionOrNothing)
{
    const QByteArray resource = LayoutResource(kLayout);
    for (bool wide : {true, false}) {
        const QByteArray elf = ElfImage::Make({{".vs_version_info", resource}}, ElfShape{wide, !wide, false});
        ASSERT_EQ(FromMemory(elf), resource);
        for (qsizetype size = 0; size < elf.size(); ++size)
            EXPECT_TRUE(FromMemory(elf.left(size)).isEmpty()) << size;  // the headers are at the end
        for (qsizetype at = 0; at < elf.size(); ++at) {
            for (char flip : {'\x01', '\x80', '\xFF'}) {
                QByteArray damaged = elf;
                damaged[at] = static_cast<char>(damaged[at] ^ flip);
                const QByteArray section = FromMemory(damaged);
                VersionResourceValue(section, QStringLiteral("FileVersion"));  // must not fail
            }
        }
    }
    for (qsizetype size = 0; size <= resource.size(); ++size) {
        const QString value = VersionResourceValue(resource.left(size), QStringLiteral("FileVersion"));
        EXPECT_TRUE(value.isEmpty() || value == QStringLiteral("1.2.3.4")) << size;
    }
}

TEST(VersionInfo, HostileHeadersAreRefused)
{
    const QByteArray elf = ElfImage::Make({{".vs_version_info", LayoutResource(kLayout)}});
    const auto patched = [&elf](int at, int width, quint64 value) {
        QByteArray bytes = elf;
        for (int i = 0; i < width; ++i)
            bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
        return bytes;
    };
    EXPECT_TRUE(FromMemory(patched(ElfImage::TableOffsetField(true), 8, ~quint64(0) - 10)).isEmpty());
    EXPECT_TRUE(FromMemory(patched(ElfImage::TableOffsetField(true), 8, 0)).isEmpty());
    EXPECT_TRUE(FromMemory(patched(ElfImage::CountField(true), 2, 0xFF00)).isEmpty());
    EXPECT_TRUE(FromMemory(patched(ElfImage::EntrySizeField(true), 2, 8)).isEmpty());
    EXPECT_TRUE(FromMemory(patched(62, 2, 0xFFFE)).isEmpty());  // names index past the table
}

} // namespace
} // namespace gaugeloft::update
