#include "update/updateindex.h"
#include "update/versioncompare.h"

#include <gtest/gtest.h>

namespace gaugeloft::update {
namespace {

TEST(CompareVersions, ReadsFourNumbersSkippingWhatIsNotADigit)
{
    const struct {
        const char* a;
        const char* b;
        int expected;
    } cases[] = {
        {"2.1.0.7", "2.0.9.99", 1},
        {"2.1.0.7", "2.1.0.10", -1},
        {"2.1.0.10", "2.1.0.10", 0},
        {"1, 0, 0, 12", "1.0.0.12", 0},
        {"2.1.0.7b", "2.1.0.7", 0},
        {"v2.1.0.7", "2.1.0.7", 0},
        {"", "0.0.0.0", 0},
        {"", "0.0.0.1", -1},
        {"1.2.3.4.5", "1.2.3.4", 0},
        {"1.2.3.4.999", "1.2.3.4.0", 0},
        {"10.0.0.0", "9.99.99.99", 1},
        {"2147483647.0.0.0", "2147483646.9.9.9", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
        EXPECT_EQ(CompareVersions(QString::fromUtf8(c.a), QString::fromUtf8(c.b)), c.expected);
        EXPECT_EQ(CompareVersions(QString::fromUtf8(c.b), QString::fromUtf8(c.a)), -c.expected);
    }
}

TEST(CompareVersions, FewerThanFourNumbersOrOneTooLargeIsAConversionError)
{
    for (const char* bad : {"1.2.3", "1", "a.b.c.d", "1..2.3", "2147483648.0.0.0", "99999999999999999999.1.1.1"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(CompareVersions(QString::fromUtf8(bad), QStringLiteral("1.0.0.0")), ConversionError);
        EXPECT_THROW(CompareVersions(QStringLiteral("1.0.0.0"), QString::fromUtf8(bad)), ConversionError);
    }
    try {
        CompareVersions(QStringLiteral("1.2.3"), QStringLiteral("1.0.0.0"));
    } catch (const ConversionError& error) {
        EXPECT_STREQ(error.what(), "'' is not a valid integer value");
    }
}

TEST(UpdateIndex, TheAddressTakesTheTitleWhenNoNameIsGiven)
{
    const QString root = QStringLiteral("https://downloads.example/gaugeloft/");
    EXPECT_EQ(IndexUrl(root, QString(), QStringLiteral("My App_X")), root + "My-App-X.xml");
    EXPECT_EQ(IndexUrl(root, QStringLiteral("Tallyvane"), QStringLiteral("Gaugeloft")), root + "Tallyvane.xml");
    EXPECT_EQ(IndexUrl(root, QStringLiteral("a b_c"), QString()), root + "a-b-c.xml");
}

const QString kFullIndex = QStringLiteral(
    "<update version=1.0 created=45123.5>\n"
    "<setup file=setup-2.1.sh version=2.1.0.7 size=2457600>\n"
    "<portable file=app-2.1 version=2.1.0.8 size=1536000 deploy=extras-2.1.tar>\n"
    "<notes> <b>New:</b> faster start &amp; less memory.<br>Fixed: tray icon. </notes>\n"
    "</update>\n");

TEST(UpdateIndex, AnInstalledCopyTakesTheSetupProgramAndAnotherThePortablePackage)
{
    const UpdateIndex installed = ReadUpdateIndex(kFullIndex, umAuto, true);
    EXPECT_TRUE(installed.Found);
    EXPECT_FALSE(installed.Portable);
    EXPECT_EQ(installed.File, "setup-2.1.sh");
    EXPECT_EQ(installed.Version, "2.1.0.7");
    EXPECT_EQ(installed.Size, 2457600);
    EXPECT_EQ(installed.Archive, "") << "only portable packages keep their archive";
    EXPECT_DOUBLE_EQ(installed.Created, 45123.5);
    EXPECT_EQ(installed.Notes, "<b>New:</b> faster start & less memory.<br>Fixed: tray icon.");

    const UpdateIndex portable = ReadUpdateIndex(kFullIndex, umAuto, false);
    EXPECT_TRUE(portable.Found);
    EXPECT_TRUE(portable.Portable);
    EXPECT_EQ(portable.File, "app-2.1");
    EXPECT_EQ(portable.Version, "2.1.0.8");
    EXPECT_EQ(portable.Archive, "extras-2.1.tar");
    EXPECT_EQ(portable.Size, 1536000);
}

TEST(UpdateIndex, ThePackageKindFollowsTheModeAndTheCopy)
{
    const QString setupOnly = QStringLiteral("<update version=1.0 created=1><setup file=s.sh version=2.0.0.0 size=10>");
    const QString portableOnly = QStringLiteral("<update version=1.0 created=1><portable file=p version=3.0.0.0 size=20>");
    const struct {
        const char* name;
        const QString& index;
        TMyUpdateMode mode;
        bool installed;
        bool found;
        bool portable;
    } cases[] = {
        {"portable only, auto, installed copy: falls back to it", portableOnly, umAuto, true, true, true},
        {"setup only, auto, portable copy: falls back to it", setupOnly, umAuto, false, true, false},
        {"setup only, setup mode, portable copy: nothing", setupOnly, umSetup, false, false, false},
        {"setup only, setup mode, installed copy", setupOnly, umSetup, true, true, false},
        {"portable only, portable mode, installed copy: nothing", portableOnly, umPortable, true, false, false},
        {"portable only, setup mode: never read", portableOnly, umSetup, false, false, false},
        {"both, portable mode, installed copy: nothing", kFullIndex, umPortable, true, false, false},
        {"both, setup mode, portable copy: nothing", kFullIndex, umSetup, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const UpdateIndex index = ReadUpdateIndex(c.index, c.mode, c.installed);
        EXPECT_EQ(index.Found, c.found);
        if (c.found) {
            EXPECT_EQ(index.Portable, c.portable);
        }
    }
}

TEST(UpdateIndex, PackageDetailsAndTheirGaps)
{
    const struct {
        const char* name;
        const char* index;
        bool found;
        const char* version;
        qint32 size;
        double created;
    } cases[] = {
        {"a file without a version is not found", "<update version=1.0 created=2><setup file=s.sh size=5>", false, "", 5, 2},
        {"a version without a file is not found", "<setup version=1.0.0.0>", false, "1.0.0.0", 0, 0},
        {"a size that is not a number stays 0", "<setup file=s version=1.0.0.0 size=big>", true, "1.0.0.0", 0, 0},
        {"the last setup element counts", "<setup file=a version=1.0.0.0 size=1><setup file=b version=2.0.0.0>", true,
         "2.0.0.0", 0, 0},
        {"no update element: created stays 0", "<setup file=s version=1.2.3.4>", true, "1.2.3.4", 0, 0},
        {"quoted values keep their blanks", "<SETUP FILE=\"my setup.sh\" Version=\"1.0.0.1\" SIZE=\"7\">", true,
         "1.0.0.1", 7, 0},
        {"nothing at all", "", false, "", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const UpdateIndex index = ReadUpdateIndex(QString::fromUtf8(c.index), umAuto, true);
        EXPECT_EQ(index.Found, c.found);
        EXPECT_EQ(index.Version, QString::fromUtf8(c.version));
        EXPECT_EQ(index.Size, c.size);
        EXPECT_DOUBLE_EQ(index.Created, c.created);
    }
}

TEST(UpdateIndex, AWrongIndexVersionOrAMalformedDateStopsTheRun)
{
    for (const char* index : {"<update version=2.0 created=1>", "<update created=1>", "<update version=1.00 created=1>",
                              "<update version=\"1.0 \" created=1>"}) {
        SCOPED_TRACE(index);
        try {
            ReadUpdateIndex(QString::fromUtf8(index), umAuto, true);
            ADD_FAILURE() << "read";
        } catch (const IndexError& error) {
            EXPECT_STREQ(error.what(), "Invalid or unsupported Index version specified");
        }
    }
    for (const char* index : {"<update version=1.0>", "<update version=1.0 created=soon>",
                              "<update version=1.0 created=45123,5>", "<update version=1.0 created=inf>"}) {
        SCOPED_TRACE(index);
        EXPECT_THROW(ReadUpdateIndex(QString::fromUtf8(index), umAuto, true), ConversionError);
    }
}

TEST(UpdateIndex, NotesKeepTheirMarkupAndLoseLineBreaks)
{
    const UpdateIndex index = ReadUpdateIndex(
        QStringLiteral("<notes>\r\n  First line<br>\n<a href=\"https://x/\">more</a> &lt;3\t</notes> after"), umAuto, true);
    EXPECT_EQ(index.Notes, "First line<br><a href=\"https://x/\">more</a> <3");
}

} // namespace
} // namespace gaugeloft::update
