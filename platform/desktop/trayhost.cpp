#include "platform/desktop/trayhost.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QVariant>

namespace gaugeloft::platform {

bool StatusNotifierHostPresent()
{
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(watcher))
        return false;
    QDBusInterface properties(watcher, QStringLiteral("/StatusNotifierWatcher"), watcher, bus);
    return properties.isValid() && properties.property("IsStatusNotifierHostRegistered").toBool();
}

}  // namespace gaugeloft::platform
