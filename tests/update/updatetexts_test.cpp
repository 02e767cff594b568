#include "platform/numberformat.h"
#include "update/updatetexts.h"

#include <gtest/gtest.h>

namespace gaugeloft::update {
namespace {

// English separators for the duration of a test.
class EnglishNumbers : public testing::Test {
protected:
    EnglishNumbers() { NumberLocale::SetCurrent(NumberLocale {}); }
    ~EnglishNumbers() override { NumberLocale::SetCurrent(m_saved); }

private:
    NumberLocale m_saved = NumberLocale::Current();
};

using FormatSizeTest = EnglishNumbers;

TEST_F(FormatSizeTest, EachUnitFromStrictlyAboveItsSize)
{
    const struct {
        qint64 size;
        const char* text;
    } cases[] = {
        {0, "0 bytes"},
        {1024, "1,024 bytes"},
        {1025, "1 KB"},
        {1536, "2 KB"},
        {1048576, "1,024 KB"},
        {1048577, "1.0 MB"},
        {2457600, "2.3 MB"},
        {1073741824, "1,024.0 MB"},
        {1073741825, "1.00 GB"},
        {5000000000, "4.66 GB"},
        {-1, "-1 bytes"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatSize(c.size), c.text) << c.size;
}

TEST(DayNumbers, CountFromTheEndOf1899)
{
    EXPECT_DOUBLE_EQ(ToDayNumber(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0);
    EXPECT_DOUBLE_EQ(ToDayNumber(QDateTime(QDate(1900, 1, 1), QTime(18, 0))), 2.75);
    EXPECT_DOUBLE_EQ(ToDayNumber(QDateTime(QDate(2023, 7, 15), QTime(12, 0))), 45122.5);
}

using ConfirmationTest = EnglishNumbers;

TEST_F(ConfirmationTest, TheReleasePhraseFollowsTheIndexDate)
{
    const double now = ToDayNumber(QDateTime(QDate(2026, 12, 10), QTime(10, 0)));
    const double second = 1.0 / 86400;
    const struct {
        const char* name;
        double created;
        const char* phrase;
    } cases[] = {
        {"no date", 0, "is available"},
        {"one second ahead", now + second, "is available"},
        {"now exactly", now, "is available"},
        {"earlier today", now - 0.25, "has been released today"},
        {"yesterday at 23:59", ToDayNumber(QDateTime(QDate(2026, 12, 9), QTime(23, 59))), "has been released 1 day ago"},
        {"three days ago", now - 3, "has been released 3 days ago"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ConfirmationFacts facts {QStringLiteral("Gaugeloft"), QStringLiteral("2.1.0.7"), QString(), c.created, now,
                                 2457600, false};
        EXPECT_EQ(ConfirmationText(facts),
                  QStringLiteral("<b>Gaugeloft</b> has been updated. New version <b>2.1.0.7</b> %1. Estimated download "
                                 "size is 2.3 MB.<br><br><b>Would you like to download and install it now?</b>")
                      .arg(QString::fromUtf8(c.phrase)));
    }
}

TEST_F(ConfirmationTest, HomePageLinkRestartWarningAndCaption)
{
    ConfirmationFacts facts {QStringLiteral("Gaugeloft"), QStringLiteral("2.1.0.7"),
                             QStringLiteral("https://example.org/gaugeloft"), 0, 45000, 100, true};
    const QString text = ConfirmationText(facts);
    EXPECT_TRUE(text.contains("New version <b>2.1.0.7</b> is <a href=\"https://example.org/gaugeloft\">available</a>. "
                              "Estimated download size is 100 bytes."))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith("<br><br>*The application will be restarted automatically. Save your data prior continue, "
                              "or it will be lost."));
    facts.Created = 44990;
    EXPECT_TRUE(ConfirmationText(facts).contains("has been <a href=\"https://example.org/gaugeloft\">released</a> 10 days ago."));
    EXPECT_EQ(ConfirmationCaption("Gaugeloft"), "Update Found for Gaugeloft");
    EXPECT_EQ(NoUpdateStatusText("Gaugeloft"),
              "Please check again later when a new version of Gaugeloft might be available.");
}

// The offered version comes from the network: it is shown as text, never as markup.
TEST_F(ConfirmationTest, MarkupInTheOfferedVersionStaysText)
{
    ConfirmationFacts facts {QStringLiteral("A & B"), QStringLiteral("2.0<a href=x>"), QString(), 0, 1, 1, false};
    const QString text = ConfirmationText(facts);
    EXPECT_TRUE(text.startsWith("<b>A &amp; B</b> has been updated. New version <b>2.0&lt;a href=x&gt;</b>"))
        << text.toStdString();
}

} // namespace
} // namespace gaugeloft::update
