#include "sources/remoteaddress.h"

namespace gaugeloft::sources {

RemoteAddress ParseRemoteAddress(const QString& text)
{
    RemoteAddress result;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        result.problem = QStringLiteral("Please enter the address of the provider, such as http://localhost:8085/.");
        return result;
    }
    const QUrl url(trimmed, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        result.problem = QStringLiteral("\"%1\" is not a web address. Please enter an address that starts with "
                                        "http:// or https://, such as http://localhost:8085/.")
                             .arg(trimmed);
        return result;
    }
    if (url.host().isEmpty()) {
        result.problem = QStringLiteral("The address \"%1\" names no computer.").arg(trimmed);
        return result;
    }
    if (!url.userInfo().isEmpty()) {
        result.problem = QStringLiteral("The address must not hold a user name or password.");
        return result;
    }
    if (url.hasFragment()) {
        result.problem = QStringLiteral("The address \"%1\" must not end with a #fragment.").arg(trimmed);
        return result;
    }
    result.url = url;
    return result;
}

QUrl ResolveInFolder(const QUrl& address, const QString& name)
{
    QUrl folder = address;
    QString path = folder.path();
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    folder.setPath(path);
    folder.setQuery(QString());
    return folder.resolved(QUrl(name));
}

} // namespace gaugeloft::sources
