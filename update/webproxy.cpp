#include "update/webproxy.h"

#include <exception>

namespace gaugeloft::update {

void ApplyProxy(WebClient& client, const ProxyChoice& choice, const EnvironmentReader& environment)
{
    ProxySettings& proxy = client.Proxy;
    const auto none = [&] {
        proxy.BasicAuth = false;
        proxy.Host.clear();
        proxy.Port = 0;
        proxy.Socks = false;
    };
    switch (choice.Mode) {
    case pmAuto: {
        const SystemProxy user = ReadSystemProxy(environment);
        if (!user.Found) {
            none();
            return;
        }
        proxy.BasicAuth = true;
        proxy.Host = user.Host;
        proxy.Port = user.Port;
        proxy.Socks = user.Socks;
        if (!user.User.isEmpty()) {
            proxy.User = user.User;
            proxy.Password = user.Password;
        }
        return;
    }
    case pmManual:
        if (choice.Host.isEmpty() || choice.Port == 0) {
            none();
            return;
        }
        proxy.BasicAuth = true;
        proxy.Host = choice.Host;
        proxy.Port = choice.Port;
        proxy.Socks = false;
        return;
    case pmNone:
    default:
        none();
        return;
    }
}

IndexAnswer FetchIndex(WebClient& client, const QUrl& url, const std::function<ProxyCredentials()>& loadCredentials)
{
    IndexAnswer answer;
    for (int attempt = 0; attempt <= kMostRetriesAfterClose; ++attempt) {
        ProxySettings& proxy = client.Proxy;
        if (!proxy.Host.isEmpty() && proxy.Port != 0 && proxy.User.isEmpty() && loadCredentials) {
            try {
                const ProxyCredentials saved = loadCredentials();
                proxy.User = saved.User;
                proxy.Password = saved.Password;
            } catch (const std::exception& error) {
                answer.Error = QString::fromUtf8(error.what());
                return answer;
            }
        }
        const TransferResult result = client.GetText(url, &answer.Text);
        answer.Status = result.Status;
        answer.Cancelled = result.Cancelled;
        if (result.Ok) {
            answer.Ok = true;
            answer.Error.clear();
            return answer;
        }
        answer.Error = result.Error;
        answer.Text.clear();
        if (!result.ClosedGracefully)
            return answer;
    }
    return answer;
}

} // namespace gaugeloft::update
