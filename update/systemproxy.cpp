#include "update/systemproxy.h"

#include "update/versioncompare.h"

#include <QUrl>

namespace gaugeloft::update {

namespace {

// The first of the two spellings that is set.
QString EitherCase(const EnvironmentReader& environment, const char* lower, const char* upper)
{
    const QString value = environment(lower).trimmed();
    return value.isEmpty() ? environment(upper).trimmed() : value;
}

SystemProxy ParseProxy(QString value)
{
    SystemProxy proxy;
    proxy.Found = true;
    if (const qsizetype scheme = value.indexOf(QStringLiteral("://")); scheme >= 0) {
        proxy.Socks = value.left(scheme).startsWith(QStringLiteral("socks"), Qt::CaseInsensitive);
        value = value.mid(scheme + 3);
    }
    if (const qsizetype slash = value.indexOf(u'/'); slash >= 0)
        value.truncate(slash);
    if (const qsizetype at = value.lastIndexOf(u'@'); at >= 0) {
        const QString userInfo = value.left(at);
        value = value.mid(at + 1);
        const qsizetype colon = userInfo.indexOf(u':');
        proxy.User = QUrl::fromPercentEncoding(userInfo.left(colon < 0 ? userInfo.size() : colon).toUtf8());
        if (colon >= 0)
            proxy.Password = QUrl::fromPercentEncoding(userInfo.mid(colon + 1).toUtf8());
    }
    // host:port, or [v6 address]:port
    const qsizetype bracket = value.startsWith(u'[') ? value.indexOf(u']') : -1;
    const qsizetype colon = value.indexOf(u':', bracket < 0 ? 0 : bracket);
    const QString portText = colon < 0 ? QString() : value.mid(colon + 1);
    proxy.Host = colon < 0 ? value : value.left(colon);
    if (bracket > 0)
        proxy.Host = proxy.Host.mid(1, bracket - 1);
    bool ok = false;
    proxy.Port = portText.toInt(&ok, 10);
    if (!ok || proxy.Port < 0 || proxy.Port > 65535)
        throw ConversionError(QStringLiteral("'%1' is not a valid integer value").arg(portText).toStdString());
    return proxy;
}

} // namespace

QString EnvironmentValue(const char* name)
{
    return qEnvironmentVariable(name);
}

SystemProxy ReadSystemProxy(const EnvironmentReader& environment)
{
    for (const auto& [lower, upper] : {std::pair {"http_proxy", "HTTP_PROXY"}, std::pair {"all_proxy", "ALL_PROXY"},
                                       std::pair {"https_proxy", "HTTPS_PROXY"}}) {
        const QString value = EitherCase(environment, lower, upper);
        if (!value.isEmpty())
            return ParseProxy(value);
    }
    return {};
}

} // namespace gaugeloft::update
