#pragma once

// Which kind of tray shows the application's icon. A StatusNotifierItem host (KDE Plasma,
// GNOME's AppIndicator extension, waybar) reports a click on the icon as one activation and
// never a double click; an XEmbed tray reports clicks and double clicks.

namespace gaugeloft::platform {

// True when the session has a StatusNotifierItem host, which Qt then shows the icon through:
// the watcher org.kde.StatusNotifierWatcher is on the session bus and says a host is registered.
bool StatusNotifierHostPresent();

}  // namespace gaugeloft::platform
