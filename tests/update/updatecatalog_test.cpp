#include "platform/settingsstore.h"
#include "update/updatecatalog.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include <cstring>

namespace gaugeloft::update {
namespace {

TEST(CatalogGuid, TextFormAndEmptiness)
{
    EXPECT_EQ(CatalogGuidText("{6f9619ff-8b86-d011-b42d-00c04fc964ff}"), "{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
    EXPECT_EQ(CatalogGuidText(" 6f9619ff-8b86-d011-b42d-00c04fc964ff "), "{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
    for (const char* bad : {"", "abc", "{00000000-0000-0000-0000-000000000000}", "{6f9619ff-8b86-d011-b42d}"})
        EXPECT_FALSE(CatalogGuidText(QString::fromUtf8(bad))) << bad;
    for (const char* empty : {"", "  ", "{00000000-0000-0000-0000-000000000000}"})
        EXPECT_TRUE(IsCheckGUIDEmpty(QString::fromUtf8(empty))) << empty;
    EXPECT_FALSE(IsCheckGUIDEmpty("{6F9619FF-8B86-D011-B42D-00C04FC964FF}"));
    const QString fresh = NewCatalogGuid();
    EXPECT_EQ(fresh.size(), 38);
    EXPECT_EQ(CatalogGuidText(fresh), fresh);
    EXPECT_NE(NewCatalogGuid(), fresh);
}

class CatalogTest : public testing::Test {
protected:
    QTemporaryDir folder;
    platform::SettingsStore store {folder.filePath("registry.reg")};
    UpdateCatalog catalog {store};
    const QString guid = QStringLiteral("{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
    const QString key = QStringLiteral("Software\\MARROWIND\\Ravelwick\\Apps\\") + guid;

    CatalogEntry Entry(double lastCheck) const
    {
        return {"/opt/gaugeloft/gaugeloft", "Gaugeloft", "0.1.0.12", "https://example.org/updates/", "--silent",
                "Tallyvane", "", "TALLYVANE_MUTEX", lastCheck, 4242};
    }
    QByteArray Bytes(double day) const
    {
        quint64 bits = 0;
        std::memcpy(&bits, &day, sizeof bits);
        QByteArray bytes(8, '\0');
        qToLittleEndian(bits, bytes.data());
        return bytes;
    }
};

TEST_F(CatalogTest, AnEntryHoldsEveryValueInItsType)
{
    EXPECT_FALSE(catalog.IsRegistered(guid, "/opt/gaugeloft/gaugeloft"));
    catalog.Register(guid, Entry(45000.25));
    EXPECT_EQ(store.ValueNames(key), QStringList({"", "Title", "Version", "UpdateURL", "RunParams", "WebIndex",
                                                  "TempFile", "Mutex", "LastCheck", "PID"}));
    EXPECT_EQ(store.ReadString(key, ""), "/opt/gaugeloft/gaugeloft");
    EXPECT_EQ(store.ReadString(key, "UpdateURL"), "https://example.org/updates/");
    EXPECT_EQ(store.ReadBinary(key, "LastCheck"), Bytes(45000.25)) << "a little-endian double";
    EXPECT_EQ(store.ReadDWord(key, "PID"), 4242u);
    EXPECT_TRUE(catalog.IsRegistered(guid, "/OPT/gaugeloft/GAUGELOFT")) << "letter case aside";
    EXPECT_FALSE(catalog.IsRegistered(guid, "/usr/bin/gaugeloft"));
    EXPECT_EQ(catalog.StoredLastCheck(guid), 45000.25);

    catalog.Unregister(guid);
    EXPECT_FALSE(store.KeyExists(key));
}

TEST_F(CatalogTest, ALaterStoredCheckSurvivesRegistration)
{
    catalog.Register(guid, Entry(46000));
    catalog.Register(guid, Entry(45000));
    EXPECT_EQ(catalog.StoredLastCheck(guid), 46000);
    catalog.Register(guid, Entry(47000.5));
    EXPECT_EQ(catalog.StoredLastCheck(guid), 47000.5);
}

// Another program may have written anything there: it is ignored, never a failure.
TEST_F(CatalogTest, ALastCheckThatIsNotEightBytesIsIgnored)
{
    catalog.Register(guid, Entry(45000));
    for (const auto& write : std::vector<std::function<void()>> {
             [&] { store.WriteBinary(key, "LastCheck", QByteArray(7, '\1')); },
             [&] { store.WriteBinary(key, "LastCheck", QByteArray(9, '\1')); },
             [&] { store.WriteString(key, "LastCheck", "yesterday"); },
             [&] { store.WriteDWord(key, "LastCheck", 7); },
         }) {
        write();
        EXPECT_FALSE(catalog.StoredLastCheck(guid));
        EXPECT_NO_THROW(catalog.Register(guid, Entry(45001)));
        EXPECT_EQ(catalog.StoredLastCheck(guid), 45001);
    }
}

} // namespace
} // namespace gaugeloft::update
