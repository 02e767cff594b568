#pragma once

// How a run reaches the update server: the proxy from the user's settings or the component's
// own, the saved proxy credentials, and the index request that retries when a server closes
// the connection without answering.

#include "update/proxycredentials.h"
#include "update/systemproxy.h"
#include "update/webclient.h"
#include "update/webupdatetypes.h"

#include <functional>

namespace gaugeloft::update {

struct ProxyChoice {
    TMyProxyMode Mode = pmAuto;
    QString Host {};  // pmManual
    int Port = 0;  // pmManual
};

// Sets the client's proxy: none; the user's (pmAuto; credentials in its address become the
// client's); or the component's host and port (pmManual, when both are set). The client keeps
// a user name and password it already has. A user setting with a bad port throws
// ConversionError.
void ApplyProxy(WebClient& client, const ProxyChoice& choice,
                const EnvironmentReader& environment = EnvironmentValue);

struct IndexAnswer {
    bool Ok = false;
    QString Text;
    QString Error;
    int Status = 0;
    bool Cancelled = false;  // the transfer was ended on purpose (WebClient::Disconnect)
};

// GET of the index. Before each attempt, a proxy without a user name gets the saved
// credentials (`loadCredentials`); an answerless close is tried again, at most 3 times.
// Never throws: a failure to read the credentials is the answer's error.
IndexAnswer FetchIndex(WebClient& client, const QUrl& url, const std::function<ProxyCredentials()>& loadCredentials);

constexpr int kMostRetriesAfterClose = 3;

} // namespace gaugeloft::update
