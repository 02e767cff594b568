#pragma once

// The address of a remote provider as the user types it: an http or https URL naming a host,
// such as "http://gaming-pc:8085/" or "https://metrics.example.org/prometheus/".

#include <QString>
#include <QUrl>

namespace gaugeloft::sources {

struct RemoteAddress {
    QUrl url;        // valid when `problem` is empty
    QString problem; // why the text is refused, in words for the user
};

// Checks a typed address. Surrounding blanks are ignored; the scheme must be http or https,
// a host must be named, and no user name or password may be part of it.
RemoteAddress ParseRemoteAddress(const QString& text);

// `name` resolved against an address as a folder: "http://h:8085" and "http://h:8085/" both
// give "http://h:8085/data.json"; "http://h/lhm/" gives "http://h/lhm/data.json".
QUrl ResolveInFolder(const QUrl& address, const QString& name);

} // namespace gaugeloft::sources
