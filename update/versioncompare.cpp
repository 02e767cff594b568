#include "update/versioncompare.h"

#include <array>

namespace gaugeloft::update {

namespace {

std::array<qint32, 4> VersionNumbers(const QString& text)
{
    const QString version = text.isEmpty() ? QStringLiteral("0.0.0.0") : text;
    std::array<qint32, 4> numbers {};
    qsizetype position = 0;
    for (qint32& number : numbers) {
        QString digits;
        while (position < version.size()) {
            const QChar c = version.at(position++);
            if (c == u'.' || c == u',')
                break;
            if (c >= u'0' && c <= u'9')
                digits += c;
        }
        bool ok = false;
        number = digits.toInt(&ok, 10);
        if (!ok)
            throw ConversionError(QStringLiteral("'%1' is not a valid integer value").arg(digits).toStdString());
    }
    return numbers;
}

} // namespace

int CompareVersions(const QString& a, const QString& b)
{
    const std::array<qint32, 4> left = VersionNumbers(a);
    const std::array<qint32, 4> right = VersionNumbers(b);
    for (size_t i = 0; i < left.size(); ++i) {
        if (left[i] != right[i])
            return left[i] < right[i] ? -1 : 1;
    }
    return 0;
}

} // namespace gaugeloft::update
