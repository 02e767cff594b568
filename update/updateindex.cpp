#include "update/updateindex.h"

#include "update/hyperparse.h"
#include "update/versioncompare.h"


#include <cmath>
#include <optional>

namespace gaugeloft::update {

namespace {

const QString kUpdate = QStringLiteral("UPDATE");
const QString kSetup = QStringLiteral("SETUP");
const QString kPortable = QStringLiteral("PORTABLE");
const QString kNotes = QStringLiteral("NOTES");
const QString kNotesEnd = QStringLiteral("/NOTES");

double CreatedDate(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw ConversionError(QStringLiteral("'%1' is not a valid floating point value").arg(text).toStdString());
    return value;
}

void ReadPackage(const THtmlInfo& element, bool portable, UpdateIndex& index)
{
    index.File = element.ParamValue(QStringLiteral("file"));
    index.Version = element.ParamValue(QStringLiteral("version"));
    index.Archive = element.ParamValue(QStringLiteral("deploy"));
    bool ok = false;
    const qint32 size = element.ParamValue(QStringLiteral("size")).toInt(&ok, 10);
    if (ok)
        index.Size = size;
    index.Found = !index.File.isEmpty() && !index.Version.isEmpty();
    index.Portable = portable;
}

// Blanks and control characters off both ends.
QString TrimBlanks(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first).unicode() <= u' ')
        ++first;
    while (last > first && text.at(last - 1).unicode() <= u' ')
        --last;
    return text.mid(first, last - first);
}

} // namespace

QString IndexUrl(const QString& updatesRoot, const QString& indexName, const QString& applicationTitle)
{
    QString name = indexName.isEmpty() ? applicationTitle : indexName;
    name.replace(u' ', u'-').replace(u'_', u'-');
    return updatesRoot + name + QStringLiteral(".xml");
}

UpdateIndex ReadUpdateIndex(const QString& text, TMyUpdateMode mode, bool installedCopy)
{
    THyperParse parser;
    parser.Parse(text);
    UpdateIndex index;
    std::optional<size_t> setup;
    std::optional<size_t> portable;
    bool inNotes = false;
    const std::vector<THtmlInfo>& items = parser.Items();
    for (size_t i = 0; i < items.size(); ++i) {
        const THtmlInfo& item = items[i];
        if (item.IsTag && item.Name == kUpdate) {
            if (item.ParamValue(QStringLiteral("version")) != QStringLiteral("1.0"))
                throw IndexError("Invalid or unsupported Index version specified");
            index.Created = CreatedDate(item.ParamValue(QStringLiteral("created")));
        } else if (item.IsTag && item.Name == kSetup && mode != umPortable) {
            setup = i;
        } else if (item.IsTag && item.Name == kPortable && mode != umSetup) {
            portable = i;
        } else if (item.IsTag && item.Name == kNotes) {
            inNotes = true;
        } else if (item.IsTag && item.Name == kNotesEnd) {
            inNotes = false;
        } else if (inNotes) {
            index.Notes += item.IsTag ? QLatin1Char('<') + item.Text + QLatin1Char('>') : item.Text;
        }
    }
    index.Notes = TrimBlanks(index.Notes);

    if (setup && installedCopy)
        ReadPackage(items[*setup], false, index);
    if (portable && !installedCopy)
        ReadPackage(items[*portable], true, index);
    if (mode == umAuto && !index.Found && setup)
        ReadPackage(items[*setup], false, index);
    if (mode == umAuto && !index.Found && portable)
        ReadPackage(items[*portable], true, index);
    if (!index.Portable)
        index.Archive.clear();
    return index;
}

} // namespace gaugeloft::update
