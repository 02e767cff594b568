#include "sources/snapshotsource.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <functional>
#include <random>
#include <string>

using namespace gaugeloft::sources;

namespace {

// One line per instance: name=value pairs, values tagged by type so a number read as an
// integer, or a string "null", cannot pass for the expected value.
std::string dump(const SourceObjectSet& set)
{
    QStringList lines;
    for (const SourceInstance& instance : set) {
        QStringList parts;
        if (instance.names.size() != instance.values.size())
            return "<names and values differ in length>";
        for (qsizetype i = 0; i < instance.names.size(); ++i) {
            const QVariant& v = instance.values[i];
            QString text;
            if (v.isNull())
                text = QStringLiteral("null");
            else if (v.typeId() == QMetaType::QString)
                text = QLatin1Char('"') + v.toString() + QLatin1Char('"');
            else if (v.typeId() == QMetaType::Double)
                text = QString::number(v.toDouble(), 'g', 17);
            else if (v.typeId() == QMetaType::Bool)
                text = v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
            else
                text = QStringLiteral("?") + QString::fromLatin1(v.typeName());
            parts << instance.names[i] + QLatin1Char('=') + text;
        }
        lines << parts.join(QLatin1Char(','));
    }
    return lines.join(QLatin1Char('\n')).toStdString();
}

SourceObjectSet junkSet()
{
    return {SourceInstance{{QStringLiteral("Junk")}, {QVariant(1)}}};
}

struct ParseCase {
    const char* label;
    QByteArray json;
    const char* className;
    bool ok;
    const char* expected;  // dump() of the result when ok
};

QByteArray nested(int depth)
{
    return QByteArray(depth, '[') + QByteArray(depth, ']');
}

std::vector<ParseCase> parseCases()
{
    return {
        {"order kept, all properties", R"({"Hardware":[
            {"Name":"CPU","Identifier":"/intelcpu/0","Parent":"","HardwareType":"CPU"},
            {"Name":"Board","Identifier":"/mainboard","Parent":"","HardwareType":"Motherboard"}]})",
         "Hardware", true,
         "HardwareType=\"CPU\",Identifier=\"/intelcpu/0\",Name=\"CPU\",Parent=\"\"\n"
         "HardwareType=\"Motherboard\",Identifier=\"/mainboard\",Name=\"Board\",Parent=\"\""},
        {"numbers are doubles, integers too", R"({"Sensor":[{"Value":1.5,"Min":0,"Max":-2e300}]})",
         "Sensor", true, "Max=-2.0000000000000001e+300,Min=0,Value=1.5"},
        {"huge integer literal", R"({"Sensor":[{"Value":123456789012345678901234567890}]})",
         "Sensor", true, "Value=1.2345678901234568e+29"},
        {"class name in other case", R"({"Hardware":[{"Name":"A"}]})", "hARDWARE", true,
         "Name=\"A\""},
        {"document key in other case", R"({"sensor":[{"Name":"A"}]})", "Sensor", true,
         "Name=\"A\""},
        {"exact spelling wins", R"({"SENSOR":[{"Name":"upper"}],"Sensor":[{"Name":"exact"}]})",
         "Sensor", true, "Name=\"exact\""},
        {"null, bool, nested values", R"({"Sensor":[{"a":null,"b":true,"c":false,"d":[1,2],"e":{"x":1},"f":"null"}]})",
         "Sensor", true, "a=null,b=true,c=false,d=null,e=null,f=\"null\""},
        {"escapes and non-ASCII text", R"({"Sensor":[{"Name":"Temp\u00e9rature \"1\"","Unit":"°C"}]})",
         "Sensor", true, "Name=\"Température \"1\"\",Unit=\"°C\""},
        {"non-object elements skipped", R"({"Sensor":[1,"x",null,[{"Name":"in array"}],{"Name":"kept"},true]})",
         "Sensor", true, "Name=\"kept\""},
        {"empty object instance kept", R"({"Sensor":[{},{"Name":"B"}]})", "Sensor", true,
         "\nName=\"B\""},
        {"empty class array", R"({"Sensor":[]})", "Sensor", true, ""},
        {"deep nesting inside a value", "{\"Sensor\":[{\"Name\":\"n\",\"Deep\":" + nested(500) + "}]}",
         "Sensor", true, "Deep=null,Name=\"n\""},
        {"other class present only", R"({"Hardware":[{"Name":"A"}]})", "Sensor", false, ""},
        {"class is not an array", R"({"Sensor":{"Name":"A"}})", "Sensor", false, ""},
        {"class is null", R"({"Sensor":null})", "Sensor", false, ""},
        {"top-level array", R"([{"Sensor":[]}])", "Sensor", false, ""},
        {"top-level string", R"("Sensor")", "Sensor", false, ""},
        {"top-level null", "null", "Sensor", false, ""},
        {"empty bytes", "", "Sensor", false, ""},
        {"whitespace only", " \n\t ", "Sensor", false, ""},
        {"truncated", R"({"Sensor":[{"Name":"A","Value":1.)", "Sensor", false, ""},
        {"trailing garbage", R"({"Sensor":[]} x)", "Sensor", false, ""},
        {"number out of range", R"({"Sensor":[{"Value":1e999}]})", "Sensor", false, ""},
        {"too deeply nested", "{\"Sensor\":" + nested(200000) + "}", "Sensor", false, ""},
        {"binary garbage", QByteArray("\x00\xff{\x01\"Sensor\"\x00:[", 15), "Sensor", false, ""},
        {"empty class name", R"({"Sensor":[]})", "", false, ""},
    };
}

} // namespace

TEST(SnapshotParse, Documents)
{
    for (const ParseCase& c : parseCases()) {
        SCOPED_TRACE(c.label);
        SourceObjectSet out = junkSet();
        EXPECT_EQ(ParseSnapshot(c.json, QString::fromUtf8(c.className), out), c.ok);
        if (c.ok)
            EXPECT_EQ(dump(out), std::string(c.expected));
        else
            EXPECT_TRUE(out.empty());
    }
}

TEST(SnapshotParse, SameShapedNeighboursShareNames)
{
    const QByteArray json = R"({"Sensor":[
        {"Name":"a","Value":1},{"Name":"b","Value":2},
        {"Name":"c","Value":3,"Max":4},
        {"Name":"d","Value":5},{"Name":"e","Value":6}]})";
    SourceObjectSet out;
    ASSERT_TRUE(ParseSnapshot(json, kSensorClass, out));
    ASSERT_EQ(out.size(), 5u);
    auto shared = [&](size_t i, size_t j) {
        return out[i].names.constData() == out[j].names.constData();
    };
    EXPECT_TRUE(shared(0, 1));
    EXPECT_FALSE(shared(1, 2));
    EXPECT_FALSE(shared(2, 3));
    EXPECT_TRUE(shared(3, 4));
    EXPECT_EQ(out[3].names, out[0].names);
    EXPECT_EQ(out[2].names, (QStringList{"Max", "Name", "Value"}));
}

// Every strict prefix of a document is rejected, and mutated or random bytes never crash
// and never leave a half-filled result.
TEST(SnapshotParse, DamagedBytes)
{
    const QByteArray valid = R"({"Hardware":[{"Name":"CPU","Identifier":"/intelcpu/0"}],)"
                             R"("Sensor":[{"Name":"Core","Value":41.5,"Min":null,"Ok":true},[1,{"x":2}]]})";
    SourceObjectSet out;
    ASSERT_TRUE(ParseSnapshot(valid, kSensorClass, out));
    for (qsizetype n = 0; n < valid.size(); ++n) {
        out = junkSet();
        EXPECT_FALSE(ParseSnapshot(valid.left(n), kSensorClass, out)) << n;
        EXPECT_TRUE(out.empty()) << n;
    }

    std::mt19937 random(20240611);
    auto check = [&](const QByteArray& bytes) {
        out = junkSet();
        const bool ok = ParseSnapshot(bytes, kSensorClass, out);
        if (!ok) {
            EXPECT_TRUE(out.empty());
        }
        for (const SourceInstance& instance : out)
            EXPECT_EQ(instance.names.size(), instance.values.size());
    };
    for (int round = 0; round < 3000; ++round) {
        QByteArray mutated = valid;
        const int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits; ++e)
            mutated[static_cast<qsizetype>(random() % mutated.size())] = static_cast<char>(random());
        check(mutated);
        QByteArray noise(static_cast<qsizetype>(random() % 64), '\0');
        for (char& ch : noise)
            ch = "{}[]\":,0123456789.eE-+ntrufalsSensor \\\x80\xff"[random() % 40];
        check(noise);
    }
}

namespace {

class SnapshotFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString path(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }
    static void write(const QString& file, const QByteArray& bytes)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    QTemporaryDir m_dir;
};

const QByteArray kSmall = R"({"Hardware":[{"Name":"CPU","Identifier":"/intelcpu/0"}],)"
                          R"("Sensor":[{"Name":"Core","Parent":"/intelcpu/0","Value":40}]})";

// A valid document padded with spaces to exactly `size` bytes.
QByteArray padded(qint64 size)
{
    QByteArray bytes = kSmall;
    bytes.append(QByteArray(static_cast<qsizetype>(size) - bytes.size(), ' '));
    return bytes;
}

} // namespace

TEST_F(SnapshotFiles, FileStates)
{
    struct Case {
        const char* label;
        const char* file;
        std::function<void(const QString&)> make;  // creates the file, or nothing
        bool ok;
    };
    const std::vector<Case> cases = {
        {"readable", "ok.json", [](const QString& p) { write(p, kSmall); }, true},
        {"missing", "missing.json", [](const QString&) {}, false},
        {"empty", "empty.json", [](const QString& p) { write(p, ""); }, false},
        {"garbage", "garbage.json", [](const QString& p) { write(p, "\x01\x02not json"); }, false},
        {"directory", "dir.json", [](const QString& p) { ASSERT_TRUE(QDir().mkpath(p)); }, false},
        {"fifo", "fifo.json",
         [](const QString& p) { ASSERT_EQ(::mkfifo(QFile::encodeName(p).constData(), 0600), 0); }, false},
        {"at the size limit", "limit.json",
         [](const QString& p) { write(p, padded(SnapshotSource::kMaxFileBytes)); }, true},
        {"one byte over the limit", "over.json",
         [](const QString& p) { write(p, padded(SnapshotSource::kMaxFileBytes + 1)); }, false},
        {"empty path", "", [](const QString&) {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const QString file = *c.file ? path(c.file) : QString();
        c.make(file);
        SnapshotSource source(file);
        SourceObjectSet hardware = junkSet();
        SourceObjectSet sensors = junkSet();
        EXPECT_EQ(source.Enumerate(kHardwareClass, hardware), c.ok);
        EXPECT_EQ(source.Enumerate(kSensorClass, sensors), c.ok);
        if (c.ok) {
            EXPECT_EQ(dump(hardware), "Identifier=\"/intelcpu/0\",Name=\"CPU\"");
            EXPECT_EQ(dump(sensors), "Name=\"Core\",Parent=\"/intelcpu/0\",Value=40");
        } else {
            EXPECT_TRUE(hardware.empty());
            EXPECT_TRUE(sensors.empty());
        }
        SourceObjectSet other = junkSet();
        EXPECT_FALSE(source.Enumerate(QStringLiteral("Processor"), other));
        EXPECT_TRUE(other.empty());
    }
}

TEST_F(SnapshotFiles, UnreadableFile)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads any file";
    const QString file = path("locked.json");
    write(file, kSmall);
    ASSERT_TRUE(QFile::setPermissions(file, QFileDevice::WriteOwner));
    SnapshotSource source(file);
    SourceObjectSet out = junkSet();
    EXPECT_FALSE(source.Enumerate(kSensorClass, out));
    EXPECT_TRUE(out.empty());
}

// The file is read again at every enumeration and every refresh: a running provider can
// stop, come back and change its readings.
TEST_F(SnapshotFiles, FollowsFileChanges)
{
    const QString file = path("live.json");
    SnapshotSource source(file);
    std::unique_ptr<SensorRefresher> refresher = source.CreateRefresher();
    ASSERT_NE(refresher, nullptr);
    EXPECT_EQ(refresher->AddEnum(QStringLiteral("hardware")), 1);
    EXPECT_EQ(refresher->AddEnum(kSensorClass), 2);
    EXPECT_EQ(refresher->AddEnum(QStringLiteral("Processor")), -1);
    ASSERT_EQ(refresher->Count(), 2);

    struct Step {
        const char* label;
        QByteArray contents;  // empty: the file is removed
        bool ok;              // enumerations answer
        bool refreshOk;
        const char* hardware;
        const char* sensors;
    };
    const std::vector<Step> steps = {
        {"no file yet", "", false, false, "", ""},
        {"first snapshot", kSmall, true, true, "Identifier=\"/intelcpu/0\",Name=\"CPU\"",
         "Name=\"Core\",Parent=\"/intelcpu/0\",Value=40"},
        {"value changed",
         R"({"Hardware":[{"Name":"CPU","Identifier":"/intelcpu/0"}],"Sensor":[{"Name":"Core","Value":42.25},{"Name":"Pkg","Value":null}]})",
         true, true, "Identifier=\"/intelcpu/0\",Name=\"CPU\"", "Name=\"Core\",Value=42.25\nName=\"Pkg\",Value=null"},
        {"sensor class gone", R"({"Hardware":[{"Name":"CPU"}]})", true, false, "Name=\"CPU\"", nullptr},
        {"broken by an editor", R"({"Hardware":[{"Name":"CPU"}],"Sensor":[)", false, false, "", ""},
        {"removed", "", false, false, "", ""},
        {"back again", kSmall, true, true, "Identifier=\"/intelcpu/0\",Name=\"CPU\"",
         "Name=\"Core\",Parent=\"/intelcpu/0\",Value=40"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.label);
        if (s.contents.isEmpty())
            QFile::remove(file);
        else
            write(file, s.contents);

        SourceObjectSet hardware = junkSet();
        SourceObjectSet sensors = junkSet();
        EXPECT_EQ(source.Enumerate(kHardwareClass, hardware), s.ok);
        EXPECT_EQ(dump(hardware), std::string(s.hardware));
        const bool sensorsOk = source.Enumerate(kSensorClass, sensors);
        if (s.sensors) {
            EXPECT_EQ(sensorsOk, s.ok);
            EXPECT_EQ(dump(sensors), std::string(s.sensors));
        } else {
            EXPECT_FALSE(sensorsOk);
            EXPECT_TRUE(sensors.empty());
        }

        if (s.refreshOk) {
            ASSERT_NO_THROW(refresher->Refresh());
            ASSERT_TRUE(refresher->Item(1)->isSet);
            EXPECT_EQ(dump(refresher->Item(1)->objectSet), dump(hardware));
            EXPECT_EQ(dump(refresher->Item(2)->objectSet), dump(sensors));
        } else {
            EXPECT_THROW(refresher->Refresh(), SourceError);
        }
    }
}

TEST_F(SnapshotFiles, RefresherOutlivesSource)
{
    const QString file = path("snap.json");
    write(file, kSmall);
    std::unique_ptr<SensorRefresher> refresher;
    {
        SnapshotSource source(file);
        refresher = source.CreateRefresher();
    }
    ASSERT_EQ(refresher->AddEnum(kSensorClass), 1);
    ASSERT_NO_THROW(refresher->Refresh());
    EXPECT_EQ(dump(refresher->Item(1)->objectSet), "Name=\"Core\",Parent=\"/intelcpu/0\",Value=40");
}
