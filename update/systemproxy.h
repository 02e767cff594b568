#pragma once

// The user's proxy settings, from the environment as Linux programs read them: http_proxy,
// all_proxy and https_proxy (lower case first, then upper case), taken in that order. A value
// is "scheme://[user[:password]@]host:port[/]" or "host:port"; a socks scheme (socks://,
// socks5://, socks5h://, socks4://) names a SOCKS5 proxy.

#include <QString>

#include <functional>

namespace gaugeloft::update {

struct SystemProxy {
    bool Found = false;
    QString Host;
    int Port = 0;
    bool Socks = false;
    QString User;      // from the address, when it holds one
    QString Password;
};

// Reads one environment variable; empty when unset.
using EnvironmentReader = std::function<QString(const char* name)>;
QString EnvironmentValue(const char* name);

// Found when one of the variables is set and not empty. A port that is missing or not a number
// throws ConversionError with the port text.
SystemProxy ReadSystemProxy(const EnvironmentReader& environment = EnvironmentValue);

} // namespace gaugeloft::update
