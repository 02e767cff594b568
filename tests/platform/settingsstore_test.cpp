#include "platform/regformat.h"
#include "platform/settingsstore.h"
#include "support/fullfilesystem.h"
#include "support/scopedenv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace gaugeloft::platform;

namespace {

const QString kKey = QStringLiteral("Software\\Marrowind\\Gaugeloft");

using gaugeloft::testing::ScopedEnv;

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void PutFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(data), data.size());
}

// The message of the SettingsError `action` throws.
QString ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const SettingsError& error) {
        return error.Message();
    }
    return QStringLiteral("<no error>");
}

QByteArray Bytes(int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes.append(static_cast<char>(i * 7 + 3));
    return bytes;
}

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QTemporaryDir m_dir;
    ScopedEnv m_xdg{"XDG_CONFIG_HOME", m_dir.path().toLocal8Bit()};
    QString m_path = SettingsStore::DefaultPath();
    SettingsStore m_store{m_path};
};

TEST(SettingsStorePath, FollowsXdgConfigHome)
{
    const ScopedEnv home("HOME", "/home/tester");
    const struct {
        QByteArray xdg; // null: unset
        QString expected;
    } cases[] = {
        {"/tmp/cfg", "/tmp/cfg/Marrowind/registry.reg"},
        {"/tmp/cfg/", "/tmp/cfg/Marrowind/registry.reg"},
        {QByteArray(), "/home/tester/.config/Marrowind/registry.reg"},
        {"", "/home/tester/.config/Marrowind/registry.reg"},
        {"relative/cfg", "/home/tester/.config/Marrowind/registry.reg"},
    };
    for (const auto& c : cases) {
        const ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
        EXPECT_EQ(SettingsStore::DefaultPath(), c.expected) << c.xdg.constData();
    }
}

TEST_F(SettingsStoreTest, RoundTripsEachType)
{
    const auto text = [](const QString& t) { SettingsValue v; v.Type = SettingsType::String; v.Text = t; return v; };
    const auto number = [](std::uint32_t n) { SettingsValue v; v.Type = SettingsType::DWord; v.Number = n; return v; };
    const auto bytes = [](const QByteArray& b) { SettingsValue v; v.Type = SettingsType::Binary; v.Bytes = b; return v; };
    const std::vector<std::pair<QString, SettingsValue>> cases = {
        {"Quotes", text(QStringLiteral("C:\\Program Files\\\"x\" \\\\server\\ end\\"))},
        {"Unicode", text(QStringLiteral("Temperatur \u00fcber 90 \u00b0C \u65e5\u672c \U0001F321"))},
        {"Lines", text(QStringLiteral("one\ntwo\r\nthree\ttab \\n not a break"))},
        {"Empty", text(QString())},
        {"", text(QStringLiteral("the default value"))},
        {"[Odd] = name \"quoted\" \\", text(QStringLiteral("x"))},
        {"Zero", number(0)},
        {"Max", number(0xFFFFFFFFu)},
        {"Answer", number(42)},
        {"NoBytes", bytes(QByteArray())},
        {"OneByte", bytes(QByteArray(1, '\0'))},
        {"ManyBytes", bytes(Bytes(300))},
    };
    for (const auto& [name, value] : cases) {
        switch (value.Type) {
        case SettingsType::String: m_store.WriteString(kKey, name, value.Text); break;
        case SettingsType::DWord: m_store.WriteDWord(kKey, name, value.Number); break;
        case SettingsType::Binary: m_store.WriteBinary(kKey, name, value.Bytes); break;
        }
    }
    const SettingsStore other(m_path);
    QStringList names;
    for (const auto& [name, value] : cases) {
        SCOPED_TRACE(name.toStdString());
        names.append(name);
        const std::optional<SettingsValue> read = other.Read(kKey, name);
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(read->Type, value.Type);
        switch (value.Type) {
        case SettingsType::String:
            EXPECT_EQ(read->Text, value.Text);
            EXPECT_EQ(other.ReadString(kKey, name), value.Text);
            break;
        case SettingsType::DWord:
            EXPECT_EQ(read->Number, value.Number);
            EXPECT_EQ(other.ReadDWord(kKey, name), value.Number);
            break;
        case SettingsType::Binary:
            EXPECT_EQ(read->Bytes, value.Bytes);
            EXPECT_EQ(other.ReadBinary(kKey, name), value.Bytes);
            break;
        }
    }
    EXPECT_EQ(other.ValueNames(kKey), names);
}

TEST_F(SettingsStoreTest, WritesRegeditText)
{
    m_store.WriteDWord(kKey, "Hide in Taskbar", 1);
    m_store.WriteString(kKey, "Name", "text with \\ backslash and \" quote");
    m_store.WriteString(kKey, "", "default");
    m_store.WriteBinary(kKey, "Blob", Bytes(30));
    m_store.WriteDWord("Software\\Marrowind", "Other", 0x2a);
    m_store.WriteDWord(kKey, "Hide in Taskbar", 0); // in place
    const QByteArray expected = "Windows Registry Editor Version 5.00\n"
                                "\n"
                                "[HKEY_CURRENT_USER\\Software\\Marrowind]\n"
                                "\"Other\"=dword:0000002a\n"
                                "\n"
                                "[HKEY_CURRENT_USER\\Software\\Marrowind\\Gaugeloft]\n"
                                "\"Hide in Taskbar\"=dword:00000000\n"
                                "\"Name\"=\"text with \\\\ backslash and \\\" quote\"\n"
                                "@=\"default\"\n"
                                "\"Blob\"=hex:03,0a,11,18,1f,26,2d,34,3b,42,49,50,57,5e,65,6c,73,7a,81,88,8f,\\\n"
                                "  96,9d,a4,ab,b2,b9,c0,c7,ce\n"
                                "\n";
    EXPECT_EQ(FileBytes(m_path), expected);
}

TEST_F(SettingsStoreTest, NamesAndKeysIgnoreLetterCase)
{
    m_store.WriteDWord(kKey, "Hide in Taskbar", 1);
    m_store.WriteDWord("SOFTWARE\\marrowind\\GAUGELOFT", "HIDE IN TASKBAR", 2);
    EXPECT_EQ(m_store.ReadDWord("software\\Marrowind\\gaugeloft", "hide in taskbar"), 2u);
    EXPECT_EQ(m_store.ValueNames("Software\\MARROWIND\\Gaugeloft"), QStringList{"Hide in Taskbar"});
    EXPECT_TRUE(FileBytes(m_path).contains("[HKEY_CURRENT_USER\\Software\\Marrowind\\Gaugeloft]\n"
                                           "\"Hide in Taskbar\"=dword:00000002\n"));
    EXPECT_TRUE(m_store.DeleteValue("SOFTWARE\\MARROWIND\\GAUGELOFT", "hIDE iN tASKBAR"));
    EXPECT_TRUE(m_store.ValueNames(kKey).isEmpty());
}

TEST_F(SettingsStoreTest, MissingKeysAndValues)
{
    EXPECT_FALSE(m_store.KeyExists(kKey));
    EXPECT_TRUE(m_store.ValueNames(kKey).isEmpty());
    EXPECT_FALSE(m_store.Read(kKey, "Name").has_value());
    EXPECT_FALSE(m_store.ReadString(kKey, "Name").has_value());
    EXPECT_FALSE(m_store.DeleteValue(kKey, "Name"));
    EXPECT_FALSE(QFileInfo::exists(m_path)) << "reads and no-op deletes write nothing";

    m_store.WriteString(kKey, "Name", "x");
    for (const char* key : {"Software\\Marrowind\\Gaugeloft", "Software\\Marrowind", "Software", "",
             "\\Software\\\\Marrowind\\Gaugeloft\\"})
        EXPECT_TRUE(m_store.KeyExists(key)) << key;
    for (const char* key : {"Software\\Marrowind\\Gauge", "Software\\Marrowind\\Gaugeloft\\Sub", "Software\\Other"})
        EXPECT_FALSE(m_store.KeyExists(key)) << key;
    EXPECT_EQ(m_store.ReadString("\\Software\\\\Marrowind\\Gaugeloft\\", "Name"), "x");
    EXPECT_FALSE(m_store.ReadString(kKey, "Other").has_value());
    EXPECT_FALSE(m_store.ReadString("Software\\Other", "Name").has_value());
    EXPECT_FALSE(m_store.ReadString("Software\\Marrowind", "Name").has_value());

    EXPECT_TRUE(m_store.DeleteValue(kKey, "Name"));
    EXPECT_FALSE(m_store.DeleteValue(kKey, "Name"));
    EXPECT_FALSE(m_store.Read(kKey, "Name").has_value());
    EXPECT_TRUE(m_store.KeyExists(kKey)) << "the key stays when its last value goes";
}

TEST_F(SettingsStoreTest, DeletingAKeyTakesTheKeysBelowItAndNothingElse)
{
    const QString apps = QStringLiteral("Software\\MARROWIND\\Ravelwick\\Apps");
    m_store.WriteString(apps, "LastUser", "me");
    m_store.WriteString(apps + "\\{A}", "", "/opt/a");
    m_store.WriteString(apps + "\\{A}\\Deeper", "x", "y");
    m_store.WriteString(apps + "\\{A}2", "", "/opt/a2");
    m_store.WriteString(apps + "\\{B}", "", "/opt/b");

    EXPECT_TRUE(m_store.DeleteKey(apps + "\\{a}"));  // letter case does not matter
    EXPECT_FALSE(m_store.KeyExists(apps + "\\{A}"));
    EXPECT_FALSE(m_store.KeyExists(apps + "\\{A}\\Deeper"));
    EXPECT_EQ(m_store.ReadString(apps + "\\{A}2", ""), "/opt/a2");
    EXPECT_EQ(m_store.ReadString(apps + "\\{B}", ""), "/opt/b");
    EXPECT_EQ(m_store.ReadString(apps, "LastUser"), "me");

    EXPECT_FALSE(m_store.DeleteKey(apps + "\\{A}")) << "gone already";
    EXPECT_FALSE(m_store.DeleteKey(QString())) << "never the whole hive";
    EXPECT_EQ(m_store.ReadString(apps, "LastUser"), "me");
}

TEST_F(SettingsStoreTest, WrongTypeIsInvalidDataType)
{
    m_store.WriteString(kKey, "Text", "x");
    m_store.WriteDWord(kKey, "Number", 1);
    m_store.WriteBinary(kKey, "Bytes", "x");
    const std::vector<std::pair<QString, std::function<void(const QString&)>>> readers = {
        {"Text", [&](const QString& n) { (void)m_store.ReadString(kKey, n); }},
        {"Number", [&](const QString& n) { (void)m_store.ReadDWord(kKey, n); }},
        {"Bytes", [&](const QString& n) { (void)m_store.ReadBinary(kKey, n); }},
    };
    for (const auto& [readerType, read] : readers) {
        for (const QString name : {"Text", "Number", "Bytes"}) {
            const QString expected = name == readerType ? "<no error>" : "Invalid data type for '" + name + "'";
            EXPECT_EQ(ErrorOf([&] { read(name); }), expected) << readerType.toStdString();
        }
    }
}

TEST_F(SettingsStoreTest, FailedSaveThrowsAndKeepsTheFile)
{
    m_store.WriteString(kKey, "Name", "old");
    const QByteArray good = FileBytes(m_path);
    const QByteArray corrupt = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=dword:1\n";
    int writes = 0;
    m_store.Writer = [&](const QString&, const QByteArray&, QString* error) {
        ++writes;
        *error = "disk full";
        return false;
    };
    for (const QByteArray& before : {good, corrupt}) {
        PutFile(m_path, before);
        const std::vector<std::function<void()>> changes = {
            [&] { m_store.WriteString(kKey, "Name", "new"); },
            [&] { m_store.WriteDWord(kKey, "Name", 5); },
            [&] { m_store.WriteBinary(kKey, "Name", "new"); },
            [&] { m_store.WriteString("Software\\New", "Name", "new"); },
        };
        for (const auto& change : changes)
            EXPECT_EQ(ErrorOf(change), "Failed to set data for 'Name'\ndisk full");
        if (before == good) {
            EXPECT_EQ(ErrorOf([&] { m_store.DeleteValue(kKey, "Name"); }), "Failed to set data for 'Name'\ndisk full");
        }
        EXPECT_EQ(FileBytes(m_path), before);
        EXPECT_EQ(QDir(m_dir.path() + "/Marrowind").entryList(QDir::Files), (QStringList{"registry.reg", "registry.reg.lock"}));
        EXPECT_TRUE(m_store.TakeSetAsideNotice().isEmpty());
    }
    EXPECT_EQ(writes, 9);

    // A key that cannot be written into the file fails before anything is written.
    m_store.Writer = nullptr;
    EXPECT_EQ(ErrorOf([&] { m_store.WriteDWord("Software\nInjected", "Name", 1); }),
              "Failed to set data for 'Name'\nA key name holds a line break");
    EXPECT_EQ(FileBytes(m_path), corrupt);
}

TEST_F(SettingsStoreTest, FailsWhenTheFileCannotBeWritten)
{
    const QString blocker = m_dir.filePath("plain-file");
    PutFile(blocker, "x");
    const QString folderInPlace = m_dir.filePath("cfg/Marrowind/registry.reg");
    QDir().mkpath(folderInPlace);
    const struct {
        QString path;
        const char* reason;
    } cases[] = {
        {blocker + "/Marrowind/registry.reg", "Not a directory"},
        {folderInPlace, "Is a directory"},
    };
    for (const auto& c : cases) {
        SettingsStore store(c.path);
        EXPECT_FALSE(store.KeyExists(kKey));
        EXPECT_EQ(ErrorOf([&] { store.WriteDWord(kKey, "Value", 1); }),
                  QStringLiteral("Failed to set data for 'Value'\n") + c.reason) << c.path.toStdString();
    }
    EXPECT_EQ(FileBytes(blocker), "x");
    EXPECT_TRUE(QFileInfo(folderInPlace).isDir());
}

TEST_F(SettingsStoreTest, CorruptFileReadsEmptyAndIsSetAsideOnWrite)
{
    const QByteArray header = "Windows Registry Editor Version 5.00\n";
    const QByteArray good = header + "\n[HKEY_CURRENT_USER\\Software\\Marrowind\\Gaugeloft]\n\"Kept\"=dword:00000001\n";
    QByteArray utf16 = "\xff\xfe";
    utf16 += QStringEncoder(QStringEncoder::Utf16LE).encode(QString::fromUtf8(good));
    const struct {
        const char* what;
        QByteArray data;
    } cases[] = {
        {"garbage", QByteArray("\x7f" "ELF\x02\x01\x00\x00 binary junk", 20) + good},
        {"old header", "REGEDIT4\n" + good.mid(header.size())},
        {"header not first", "\n" + good},
        {"no header", good.mid(header.size())},
        {"stray line", good + "Kept=1\n"},
        {"value before any key", header + "\"Kept\"=dword:00000001\n" + good.mid(header.size())},
        {"unterminated string", good + "\"Name\"=\"text\n"},
        {"unterminated name", good + "\"Name=\"text\"\n"},
        {"unknown escape", good + "\"Path\"=\"C:\\Temp\"\n"},
        {"no equals sign", good + "\"Name\" \"text\"\n"},
        {"bad hex digit", good + "\"Blob\"=hex:01,0g\n"},
        {"three hex digits", good + "\"Blob\"=hex:01,002\n"},
        {"empty hex byte", good + "\"Blob\"=hex:01,,02\n"},
        {"hex continued past the end", good + "\"Blob\"=hex:01,02,\\\n"},
        {"bad type number", good + "\"Blob\"=hex(x):01\n"},
        {"short dword", good + "\"N\"=dword:1234567\n"},
        {"long dword", good + "\"N\"=dword:123456789\n"},
        {"unknown type", good + "\"N\"=qword:0000000000000001\n"},
        {"trailing text", good + "\"N\"=\"x\" y\n"},
        {"empty key", good + "[]\n"},
        {"unclosed key", good + "[HKEY_CURRENT_USER\\Software\n"},
        {"key deletion", good + "[-HKEY_CURRENT_USER\\Software]\n"},
        {"invalid UTF-8", good + "\"Name\"=\"\xc3\x28\"\n"},
        {"odd UTF-16", utf16 + "\n"},
        {"over 4 MiB", good + "; " + QByteArray(4 * 1024 * 1024, 'x') + "\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(m_dir.path() + "/Marrowind").removeRecursively();
        PutFile(m_path, c.data);
        SettingsStore store(m_path);
        EXPECT_FALSE(store.KeyExists(kKey));
        EXPECT_TRUE(store.ValueNames(kKey).isEmpty());
        EXPECT_FALSE(store.ReadDWord(kKey, "Kept").has_value());
        EXPECT_FALSE(store.DeleteValue(kKey, "Kept"));
        EXPECT_TRUE(store.TakeSetAsideNotice().isEmpty());
        EXPECT_EQ(FileBytes(m_path), c.data);

        store.WriteDWord(kKey, "New", 7);
        const QString aside = store.TakeSetAsideNotice();
        EXPECT_TRUE(aside.startsWith(m_path + ".corrupt-")) << aside.toStdString();
        EXPECT_TRUE(FileBytes(aside) == c.data);
        EXPECT_TRUE(store.TakeSetAsideNotice().isEmpty());
        EXPECT_EQ(store.ReadDWord(kKey, "New"), 7u);
        EXPECT_EQ(store.ValueNames(kKey), QStringList{"New"});
        store.WriteDWord(kKey, "New", 8);
        EXPECT_TRUE(store.TakeSetAsideNotice().isEmpty());

        // Set aside again: a new name, the first one untouched.
        PutFile(m_path, c.data);
        store.WriteDWord(kKey, "New", 9);
        const QString second = store.TakeSetAsideNotice();
        EXPECT_FALSE(second.isEmpty());
        EXPECT_NE(second, aside);
        EXPECT_TRUE(FileBytes(second) == c.data);
        EXPECT_TRUE(FileBytes(aside) == c.data);
    }
}

TEST_F(SettingsStoreTest, KeepsOtherTypesAndRootsThroughRewrite)
{
    const QByteArray before = "Windows Registry Editor Version 5.00\n"
                              "\n"
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Marrowind]\n"
                              "\"InstallDir\"=\"C:\\\\Program Files\\\\Gaugeloft\"\n"
                              "\n"
                              "[HKEY_CURRENT_USER\\Software\\Marrowind\\Gaugeloft]\n"
                              "\"Path\"=hex(2):25,00,55,00,53,00,45,00,52,00,25,00,00,00\n"
                              "\"List\"=hex(7):61,00,00,00,62,00,00,00,63,00,00,00,64,00,00,00,65,00,00,00,66,\\\n"
                              "  00,00,00,00,00\n"
                              "\"Big\"=hex(b):01,00,00,00,00,00,00,80\n"
                              "\"None\"=hex(0):\n"
                              "\"Kept\"=dword:00000001\n"
                              "\n"
                              "[HKEY_USERS\\.DEFAULT\\Software]\n"
                              "@=hex(2):00,00\n";
    PutFile(m_path, before);
    EXPECT_EQ(m_store.ValueNames(kKey), (QStringList{"Path", "List", "Big", "None", "Kept"}));
    EXPECT_FALSE(m_store.Read(kKey, "Path").has_value());
    EXPECT_EQ(ErrorOf([&] { (void)m_store.ReadString(kKey, "Path"); }), "Invalid data type for 'Path'");
    EXPECT_EQ(ErrorOf([&] { (void)m_store.ReadBinary(kKey, "Big"); }), "Invalid data type for 'Big'");
    // Other roots are not readable.
    EXPECT_FALSE(m_store.ReadString("SOFTWARE\\Marrowind", "InstallDir").has_value());
    EXPECT_FALSE(m_store.KeyExists("HKEY_LOCAL_MACHINE\\SOFTWARE\\Marrowind"));
    EXPECT_FALSE(m_store.KeyExists(".DEFAULT"));

    m_store.WriteDWord(kKey, "Added", 2);
    EXPECT_TRUE(m_store.TakeSetAsideNotice().isEmpty());
    regformat::Document expected;
    regformat::Document after;
    ASSERT_TRUE(regformat::Parse(before, &expected, nullptr));
    ASSERT_TRUE(regformat::Parse(FileBytes(m_path), &after, nullptr));
    regformat::Section* section = after.Find("HKEY_CURRENT_USER\\" + kKey);
    ASSERT_NE(section, nullptr);
    EXPECT_TRUE(section->Remove("Added"));
    EXPECT_TRUE(after == expected);
    EXPECT_TRUE(FileBytes(m_path).contains("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Marrowind]\n"
                                           "\"InstallDir\"=\"C:\\\\Program Files\\\\Gaugeloft\"\n"));
    EXPECT_TRUE(FileBytes(m_path).contains("\"Big\"=hex(b):01,00,00,00,00,00,00,80\n\"None\"=hex(0):\n"));
    EXPECT_TRUE(FileBytes(m_path).contains("[HKEY_USERS\\.DEFAULT\\Software]\n@=hex(2):00,00\n"));

    // A handled type written over one that is not replaces it in place.
    m_store.WriteString(kKey, "PATH", "%USERPROFILE%");
    EXPECT_EQ(m_store.ReadString(kKey, "Path"), "%USERPROFILE%");
    EXPECT_EQ(m_store.ValueNames(kKey).first(), "Path");
}

TEST_F(SettingsStoreTest, ReadsHandWrittenRegeditFiles)
{
    const QString text = QStringLiteral(
        "Windows Registry Editor Version 5.00\n"
        "\n"
        "; written by hand\n"
        "[HKEY_CURRENT_USER\\Software\\Marrowind]\n"
        "\n"
        "[hkey_current_user\\Software\\Marrowind\\Gaugeloft]   \n"
        "@=\"default\"\n"
        "\"Name\"=\"text with \\\\ backslash and \\\" quote \u00e9\"\n"
        "  \"Hide in Taskbar\" = dword:0000002A\n"
        "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\n"
        "  16,17,18,19,1A,1B,1C,1D,1E,1F,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,\\\n"
        "  2e,2f\n"
        "\"Empty\"=hex:\n"
        "\"Name\"=\"replaced\"\n"
        "\n"
        "[HKEY_CURRENT_USER\\Software\\Marrowind\\GAUGELOFT]\n"
        "\"Later\"=dword:ffffffff\n");
    QByteArray blob;
    for (int i = 0; i < 0x30; ++i)
        blob.append(static_cast<char>(i));
    const auto crlf = [](QString s) { return s.replace("\n", "\r\n"); };
    const struct {
        const char* what;
        QByteArray data;
    } cases[] = {
        {"UTF-8", text.toUtf8()},
        {"UTF-8 with BOM and CRLF", "\xef\xbb\xbf" + crlf(text).toUtf8()},
        {"UTF-16LE with BOM and CRLF", "\xff\xfe" + QByteArray(QStringEncoder(QStringEncoder::Utf16LE).encode(crlf(text)))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PutFile(m_path, c.data);
        EXPECT_EQ(m_store.ReadString(kKey, ""), "default");
        EXPECT_EQ(m_store.ReadString(kKey, "name"), "replaced");
        EXPECT_EQ(m_store.ReadDWord(kKey, "Hide in Taskbar"), 42u);
        EXPECT_EQ(m_store.ReadBinary(kKey, "Blob"), blob);
        EXPECT_EQ(m_store.ReadBinary(kKey, "Empty"), QByteArray());
        EXPECT_EQ(m_store.ReadDWord(kKey, "Later"), 0xFFFFFFFFu);
        EXPECT_EQ(m_store.ValueNames(kKey), (QStringList{"", "Name", "Hide in Taskbar", "Blob", "Empty", "Later"}));
        EXPECT_TRUE(m_store.KeyExists("Software\\Marrowind"));

        // Printing and parsing again gives the same settings.
        regformat::Document doc;
        regformat::Document again;
        QString error;
        ASSERT_TRUE(regformat::Parse(c.data, &doc, &error)) << error.toStdString();
        ASSERT_TRUE(regformat::Parse(regformat::Print(doc), &again, &error)) << error.toStdString();
        EXPECT_TRUE(doc == again);
        EXPECT_EQ(doc.sections.begin()->second.Path(), "HKEY_CURRENT_USER\\Software\\Marrowind");
        EXPECT_EQ(std::next(doc.sections.begin())->second.Path(), "HKEY_CURRENT_USER\\Software\\Marrowind\\Gaugeloft");
    }
}

constexpr int kChildWrites = 100;

TEST_F(SettingsStoreTest, TwoProcessesWritingAtOnceLoseNothing)
{
    const QStringList prefixes = {"First", "Second"};
    std::vector<std::unique_ptr<QProcess>> children;
    for (const QString& prefix : prefixes) {
        auto child = std::make_unique<QProcess>();
        child->setProcessChannelMode(QProcess::MergedChannels);
        child->start(QStringLiteral(GAUGELOFT_SETTINGS_WRITER),
                     {m_path, kKey, prefix, QString::number(kChildWrites)});
        children.push_back(std::move(child));
    }
    for (const auto& child : children) {
        ASSERT_TRUE(child->waitForFinished(120000));
        const QByteArray output = child->readAll();
        EXPECT_EQ(child->exitStatus(), QProcess::NormalExit) << output.constData();
        EXPECT_EQ(child->exitCode(), 0) << output.constData();
    }
    EXPECT_EQ(m_store.ValueNames(kKey).size(), 2 * kChildWrites);
    for (const QString& prefix : prefixes) {
        for (int i = 0; i < kChildWrites; ++i)
            EXPECT_EQ(m_store.ReadDWord(kKey, prefix + QString::number(i)), static_cast<std::uint32_t>(i)) << prefix.toStdString() << i;
    }
    EXPECT_TRUE(m_store.TakeSetAsideNotice().isEmpty());
}

// Every size of store file, from a hundred bytes to past 64 KiB, on a full file system: the
// change fails with the reason and the file is as it was.
TEST(SettingsStoreFullDisk, FailsWithTheReasonAndKeepsTheFile)
{
    gaugeloft::testing::FullFileSystem disk;
    ASSERT_TRUE(disk.Ready());
    SCOPED_TRACE(disk.Kind());
    SettingsStore store(disk.FilePath("registry.reg"));
    store.WriteDWord(kKey, "Show Fahrenheit", 0);
    for (const int size : {100, 1000, 4000, 16000, 17000, 65536}) {
        SCOPED_TRACE(size);
        disk.Free();
        store.WriteBinary(kKey, "Padding", QByteArray(size / 3, 'p'));  // hex: three bytes each
        const QByteArray before = FileBytes(store.Path());
        disk.Fill();
        EXPECT_EQ(ErrorOf([&] { store.WriteDWord(kKey, "Show Fahrenheit", 1); }),
                  "Failed to set data for 'Show Fahrenheit'\n" + disk.ExpectedReason());
        EXPECT_EQ(FileBytes(store.Path()), before);
        EXPECT_EQ(store.ReadDWord(kKey, "Show Fahrenheit"), 0u);
        EXPECT_EQ(disk.Entries(), QStringList({"registry.reg", "registry.reg.lock"}));
    }
}

} // namespace
