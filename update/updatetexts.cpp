#include "update/updatetexts.h"

#include "platform/numberformat.h"

#include <cmath>

namespace gaugeloft::update {

namespace {

constexpr qint64 kGigabyte = 1073741824;
constexpr qint64 kMegabyte = 1048576;
constexpr qint64 kKilobyte = 1024;

// Text from the index inside markup: its own "<", ">" and "&" stay text.
QString MarkupText(QString text)
{
    return text.replace(u'&', QStringLiteral("&amp;")).replace(u'<', QStringLiteral("&lt;")).replace(u'>', QStringLiteral("&gt;"));
}

// "released" or "available", linked to the home page when there is one.
QString Linked(const QString& word, const QString& homePage)
{
    if (homePage.isEmpty())
        return word;
    QString address = homePage;
    address.replace(u'"', QStringLiteral("&quot;"));
    return QStringLiteral("<a href=\"") + address + QStringLiteral("\">") + word + QStringLiteral("</a>");
}

QString ReleasePhrase(const ConfirmationFacts& facts)
{
    if (facts.Created == 0 || !(facts.Now > facts.Created))
        return QStringLiteral("is ") + Linked(QStringLiteral("available"), facts.HomePage);
    const double days = std::floor(facts.Now) - std::floor(facts.Created);
    QString when;
    if (days < 1)
        when = QStringLiteral("today");
    else if (days < 2)
        when = QStringLiteral("1 day ago");
    else
        when = QStringLiteral("%1 days ago").arg(static_cast<qint64>(days));
    return QStringLiteral("has been ") + Linked(QStringLiteral("released"), facts.HomePage) + QLatin1Char(' ') + when;
}

} // namespace

QString FormatSize(qint64 size)
{
    if (size > kGigabyte)
        return FormatPattern(u"%.2n GB", static_cast<double>(size) / kGigabyte);
    if (size > kMegabyte)
        return FormatPattern(u"%.1n MB", static_cast<double>(size) / kMegabyte);
    if (size > kKilobyte)
        return FormatPattern(u"%.0n KB", static_cast<double>(size) / kKilobyte);
    return FormatPattern(u"%.0n bytes", static_cast<double>(size));
}

double ToDayNumber(const QDateTime& local)
{
    static const QDate kDayZero(1899, 12, 30);
    return static_cast<double>(kDayZero.daysTo(local.date())) + local.time().msecsSinceStartOfDay() / 86400000.0;
}

QString ConfirmationText(const ConfirmationFacts& facts)
{
    QString text = QStringLiteral("<b>") + MarkupText(facts.ApplicationTitle)
                   + QStringLiteral("</b> has been updated. New version <b>") + MarkupText(facts.OfferedVersion)
                   + QStringLiteral("</b> ") + ReleasePhrase(facts) + QStringLiteral(". Estimated download size is ")
                   + FormatSize(facts.Size)
                   + QStringLiteral(".<br><br><b>Would you like to download and install it now?</b>");
    if (facts.AutoRestart)
        text += QStringLiteral("<br><br>*The application will be restarted automatically. "
                               "Save your data prior continue, or it will be lost.");
    return text;
}

QString ConfirmationCaption(const QString& applicationTitle)
{
    return QStringLiteral("Update Found for ") + applicationTitle;
}

QString NoUpdateStatusText(const QString& applicationTitle)
{
    return QStringLiteral("Please check again later when a new version of %1 might be available.").arg(applicationTitle);
}

} // namespace gaugeloft::update
