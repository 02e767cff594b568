#include "platform/inifile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>


#include <string>
#include <vector>

using gaugeloft::platform::IniFile;

namespace {

std::string Str(const QString& s)
{
    return s.toStdString();
}

std::string Str(const QByteArray& b)
{
    return b.toStdString();
}

QByteArray Bytes(const char* text, size_t size)
{
    return QByteArray(text, qsizetype(size));
}

// A file with a bit of everything the reader has to get right.
const QByteArray kSample = QByteArrayLiteral(
    "top=before any section\n"
    "[Gauges]\n"
    "Width = 3 \n"
    " Title =\t CPU load\t\n"
    ";hidden=1\n"
    "#hidden2=1\n"
    "=orphan\n"
    "[broken\n"
    "Width=99\n"
    "[ \xC3\x84rger ]\n"
    "Gr\xC3\xB6\xC3\x9F" "e=gro\xC3\x9F\n"
    "[gauges]\n"
    "Extra=1\n"
    "[Empty]\n"
    "blank=\n");

TEST(IniFile, ReadsStringsAndDefaults)
{
    const IniFile ini = IniFile::FromText(kSample);
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        { "Gauges", "Width", "3" },
        { "GAUGES", " width\t", "3" },         // case and blanks do not matter; first entry wins
        { "gauges", "title", "CPU load" },     // value trimmed of spaces and tabs
        { "\xC3\x84RGER", "GR\xC3\x96\xC3\x9F" "E", "gro\xC3\x9F" }, // non-ASCII letter case
        { "Empty", "blank", "" },
        { "Gauges", "Extra", "<default>" },    // only the first [gauges] counts
        { "Gauges", "hidden", "<default>" },
        { "Gauges", ";hidden", "<default>" },  // comments are not entries
        { "Gauges", "#hidden2", "<default>" },
        { "Gauges", "", "<default>" },         // "=orphan" is not an entry
        { "", "top", "<default>" },            // lines before any section belong to none
        { "broken", "Width", "<default>" },    // "[broken" is not a header
        { "Empty", "none", "<default>" },
        { "Missing", "Width", "<default>" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.section) + " / " + c.key);
        EXPECT_EQ(Str(ini.ReadString(QString::fromUtf8(c.section), QString::fromUtf8(c.key),
                                     QStringLiteral("<default>"))),
                  c.expected);
        EXPECT_EQ(ini.HasKey(QString::fromUtf8(c.section), QString::fromUtf8(c.key)),
                  std::string(c.expected) != "<default>");
    }
    EXPECT_TRUE(ini.HasSection(QStringLiteral(" gauges ")));
    EXPECT_TRUE(ini.HasSection(QStringLiteral("EMPTY")));
    EXPECT_FALSE(ini.HasSection(QStringLiteral("broken")));
    EXPECT_FALSE(ini.HasSection(QString()));
    EXPECT_FALSE(IniFile().HasSection(QStringLiteral("Gauges")));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Missing"), QStringLiteral("x"), -7), -7);
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("Gauges"), QStringLiteral("nothing"), true));
}

TEST(IniFile, ReadsIntegersAndBooleans)
{
    struct Case {
        const char* value;
        int integer;  // with the default 42
        bool boolean; // with the default true
    };
    const Case cases[] = {
        { "12", 12, true },
        { "-3", -3, true },
        { "+4", 4, true },
        { "0", 0, false },
        { "1", 1, true },
        { "2", 2, true },
        { "x", 42, true },
        { "007", 7, true },
        { "0x1F", 31, true },
        { "0XfF", 255, true },
        { "0xFFFFFFFF", -1, true },
        { "0x80000000", -2147483647 - 1, true },
        { "0x00000000", 0, false },
        { "0x123456789", 42, true },
        { "0x", 42, true },
        { "0xG", 42, true },
        { "-0x1", 42, true },
        { "12abc", 42, true },
        { "1.5", 42, true },
        { "", 42, true },
        { " 7 ", 7, true },
        { "- 7", 42, true },
        { "+", 42, true },
        { "2147483647", 2147483647, true },
        { "-2147483648", -2147483647 - 1, true },
        { "2147483648", 42, true },
        { "99999999999", 42, true },
        { "-99999999999999999999999", 42, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("value \"") + c.value + "\"");
        const IniFile ini = IniFile::FromText(QByteArray("[S]\nk=") + c.value + "\n");
        EXPECT_EQ(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("k"), 42), c.integer);
        EXPECT_EQ(ini.ReadBool(QStringLiteral("S"), QStringLiteral("k"), true), c.boolean);
        // The default only shows through when the value is not a number.
        EXPECT_EQ(ini.ReadBool(QStringLiteral("S"), QStringLiteral("k"), false),
                  c.integer == 42 ? false : c.boolean);
    }
}

TEST(IniFile, CutsLongStrings)
{
    for (const int length : { 2046, 2047, 2048, 5000 }) {
        SCOPED_TRACE(length);
        const QByteArray value(length, 'v');
        const IniFile ini = IniFile::FromText("[S]\nk=  " + value + "  \n");
        EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("k"), {}).size(),
                  std::min(length, IniFile::kMaxStringLength));
    }
    // Never half of a surrogate pair.
    QByteArray value(IniFile::kMaxStringLength - 1, 'v');
    value += "\xF0\x9F\x98\x80"; // U+1F600: two UTF-16 units, the second beyond the limit
    const IniFile ini = IniFile::FromText("[S]\nk=" + value);
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("k"), {}).size(), IniFile::kMaxStringLength - 1);
}

struct Write {
    QString section;
    QString key;
    QString value;
};

struct WriteCase {
    const char* name;
    QByteArray input;
    std::vector<Write> writes;
    QByteArray expected;
};

TEST(IniFile, WritesKeepTheRestOfTheFile)
{
    const auto s = [](const char* text) { return QString::fromUtf8(text); };
    // QString::fromUtf8() would drop a leading byte order mark.
    const auto bom = [](const char* text) { return QChar(0xFEFF) + QString::fromUtf8(text); };
    const WriteCase cases[] = {
        { "replace in place, key spelling and blanks kept",
          "[A]\nx=1\n Key = old \ny=2\n",
          { { s("a"), s("KEY"), s("new") } },
          "[A]\nx=1\n Key = new\ny=2\n" },
        { "append after the last entry, before what trails the section",
          "[A]\nx=1\n\n; about B\n[B]\nz=1\n",
          { { s("A"), s("y"), s("2") } },
          "[A]\nx=1\ny=2\n\n; about B\n[B]\nz=1\n" },
        { "append to a section without entries",
          "[A]\n; note\n[B]\n",
          { { s("A"), s("y"), s("2") }, { s("B"), s("z"), s("3") } },
          "[A]\ny=2\n; note\n[B]\nz=3\n" },
        { "append to the last line of a file without a final line break",
          "[A]\nx=1",
          { { s("A"), s("y"), s("2") } },
          "[A]\nx=1\ny=2\n" },
        { "new sections at the end",
          "[A]\nx=1\n",
          { { s("B"), s("k"), s("v") }, { s(" C "), s(" k "), s(" v ") } },
          "[A]\nx=1\n[B]\nk=v\n[C]\nk= v \n" },
        { "new section after a file without a final line break",
          "; only a comment",
          { { s("B"), s("k"), s("v") } },
          "; only a comment\n[B]\nk=v\n" },
        { "new section in an empty file",
          "",
          { { s("B"), s("k"), s("v") } },
          "[B]\nk=v\n" },
        { "the first of duplicate sections and keys is written",
          "[A]\nk=1\nk=2\n[a]\nk=3\nj=4\n",
          { { s("A"), s("K"), s("9") }, { s("A"), s("j"), s("5") } },
          "[A]\nk=9\nk=2\nj=5\n[a]\nk=3\nj=4\n" },
        { "line breaks in values become spaces",
          "[A]\nk=1\n",
          { { s("A"), s("k"), s("a\r\nb\nc\rd") } },
          "[A]\nk=a  b c d\n" },
        { "CRLF file stays CRLF",
          "[A]\r\nx=1\r\n",
          { { s("A"), s("x"), s("2") }, { s("A"), s("y"), s("3") }, { s("B"), s("k"), s("v") } },
          "[A]\r\nx=2\r\ny=3\r\n[B]\r\nk=v\r\n" },
        { "the first line break sets the style",
          "; c\n[A]\r\nx=1",
          { { s("A"), s("y"), s("2") } },
          "; c\n[A]\r\nx=1\ny=2\n" },
        { "CRLF file without a final line break",
          "[A]\r\nx=1",
          { { s("B"), s("k"), s("v") } },
          "[A]\r\nx=1\r\n[B]\r\nk=v\r\n" },
        { "BOM kept",
          "\xEF\xBB\xBF[A]\nx=1\n",
          { { s("A"), s("x"), s("2") } },
          "\xEF\xBB\xBF[A]\nx=2\n" },
        { "BOM alone",
          "\xEF\xBB\xBF",
          { { s("B"), s("k"), s("v") } },
          "\xEF\xBB\xBF[B]\nk=v\n" },
        { "a leading U+FEFF belongs to names and values",
          "[A]\n\xEF\xBB\xBF[k=1\n",
          { { s("A"), bom("[k"), bom("v") }, { bom("B"), bom("j"), s("w") } },
          "[A]\n\xEF\xBB\xBF[k=\xEF\xBB\xBFv\n[\xEF\xBB\xBF" "B]\n\xEF\xBB\xBFj=w\n" },
        { "unknown lines kept byte for byte",
          "\xFF\xFE junk\n[A]\n; comment=1\n\xC3\x28 bad=\xE2\x82\n no equals\n=orphan\n[unclosed\n  # x=3\nx=1\n\t\n[B]",
          { { s("A"), s("x"), s("2") }, { s("A"), s("n"), s("3") }, { s("B"), s("m"), s("4") } },
          "\xFF\xFE junk\n[A]\n; comment=1\n\xC3\x28 bad=\xE2\x82\n no equals\n=orphan\n[unclosed\n  # x=3\nx=2\nn=3\n\t\n[B]\nm=4\n" },
        { "names that could not be read back are not written",
          "[A]\nx=1",
          { { s("A"), s(""), s("v") }, { s("A"), s(" \t"), s("v") }, { s("A"), s("a=b"), s("v") },
            { s("A"), s("a\nb"), s("v") }, { s("A"), s(";k"), s("v") }, { s("A"), s("#k"), s("v") },
            { s("A"), s("[k"), s("v") }, { s("a]b"), s("k"), s("v") }, { s("a\nb"), s("k"), s("v") } },
          "[A]\nx=1" },
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        IniFile ini = IniFile::FromText(c.input);
        for (const Write& w : c.writes)
            ini.WriteString(w.section, w.key, w.value);
        const QByteArray text = ini.ToText();
        EXPECT_EQ(Str(text), Str(c.expected));
        const IniFile again = IniFile::FromText(text);
        EXPECT_EQ(Str(again.ToText()), Str(text));
        for (const Write& w : c.writes) {
            if (c.input == c.expected)
                break; // nothing written
            QString expected = w.value;
            expected.replace(u'\r', u' ').replace(u'\n', u' ');
            expected = expected.trimmed();
            EXPECT_EQ(Str(ini.ReadString(w.section, w.key, {})), Str(expected)) << Str(w.key);
            EXPECT_EQ(Str(again.ReadString(w.section, w.key, {})), Str(expected)) << Str(w.key);
        }
    }
}

TEST(IniFile, WritesIntegersAndBooleans)
{
    IniFile ini;
    ini.WriteInteger(QStringLiteral("S"), QStringLiteral("min"), -2147483647 - 1);
    ini.WriteInteger(QStringLiteral("S"), QStringLiteral("n"), 42);
    ini.WriteBool(QStringLiteral("S"), QStringLiteral("yes"), true);
    ini.WriteBool(QStringLiteral("S"), QStringLiteral("no"), false);
    EXPECT_EQ(Str(ini.ToText()), "[S]\nmin=-2147483648\nn=42\nyes=1\nno=0\n");
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("s"), QStringLiteral("MIN"), 0), -2147483647 - 1);
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("s"), QStringLiteral("yes"), false));
    EXPECT_FALSE(ini.ReadBool(QStringLiteral("s"), QStringLiteral("no"), true));
}

TEST(IniFile, RoundTripsAnyBytes)
{
    QByteArray everyByte;
    for (int i = 0; i < 256; ++i)
        everyByte.append(char(i));
    const char withNuls[] = "[A\0B]\nk\0=v\0w\n\0\n[A]\nk=1";
    const QByteArray inputs[] = {
        "",
        "\n",
        "\r\n",
        "\r",
        "\n\r\n\r\r\n\n",
        "[",
        "]",
        "=",
        "[]",
        "[]\n=x\n",
        "\xEF\xBB\xBF",
        "\xEF\xBB",
        "\xEF\xBB\xBF\xEF\xBB\xBF[A]\n",
        "\xEF\xBB\xBF\r\n [Win] \r\n Key = Value \r\n\r\n;end",
        "[A]\nx=1\r\n\ty=2\r\r\nz=3\r",
        "[A] trailing text\n[B]]\nk==v==\n",
        Bytes(withNuls, sizeof withNuls - 1),
        everyByte,
        everyByte + everyByte + "\n[" + everyByte,
        "[A]\nk=" + QByteArray(1 << 20, 'x'),
        QByteArray(1 << 16, '\n'),
        QByteArray(1 << 16, '['),
    };
    for (const QByteArray& input : inputs) {
        SCOPED_TRACE(Str(input.left(40).toHex()));
        const IniFile ini = IniFile::FromText(input);
        EXPECT_EQ(ini.ToText(), input);
        ini.ReadString(QStringLiteral("A"), QStringLiteral("k"), {});
        ini.ReadInteger(QStringLiteral("A"), QStringLiteral("x"), 0);
    }
    const IniFile ini = IniFile::FromText(Bytes(withNuls, sizeof withNuls - 1));
    EXPECT_EQ(Str(ini.ReadString(QString::fromUtf8("A\0B", 3), QString::fromUtf8("k\0", 2), {})),
              std::string("v\0w", 3));
    EXPECT_EQ(Str(ini.ReadString(QStringLiteral("A"), QStringLiteral("k"), {})), "1");
    // A last line "key=value\r" means the same before and after a line break is added.
    IniFile stray = IniFile::FromText("[A]\nk=v\r");
    EXPECT_EQ(Str(stray.ReadString(QStringLiteral("A"), QStringLiteral("k"), {})), "v");
    stray.WriteString(QStringLiteral("A"), QStringLiteral("j"), QStringLiteral("w"));
    EXPECT_EQ(Str(stray.ToText()), "[A]\nk=v\r\nj=w\n");
    EXPECT_EQ(Str(stray.ReadString(QStringLiteral("A"), QStringLiteral("k"), {})), "v");
}


} // namespace
