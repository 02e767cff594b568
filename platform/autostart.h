#pragma once

// Starting the program with the desktop session: a per-user XDG autostart entry.

#include <QString>

namespace gaugeloft::platform {

// The per-user XDG autostart entry: ${XDG_CONFIG_HOME:-~/.config}/autostart/Gaugeloft.desktop
QString AutostartPath();

// True exactly when the entry exists and its Exec names `executable` (exact comparison after
// undoing desktop-entry quoting; arguments after it do not matter). An entry switched off with
// Hidden=true or X-GNOME-Autostart-enabled=false does not count.
bool AutostartEnabled(const QString& executable);

// Writes the entry (atomically; Type=Application, Name=Gaugeloft, Exec=<executable, quoted by the
// desktop-entry rules when it has spaces or special characters>, Icon=gaugeloft, Terminal=false,
// X-GNOME-Autostart-enabled=true, Comment) or removes it. False with a reason on failure.
// A program path the desktop could not start (not valid UTF-8, or holding "%", which
// GLib-based sessions refuse even when escaped) is refused.
bool SetAutostart(bool enabled, const QString& executable, QString* error);

// Why an entry for `executable` cannot be written, or empty when it can.
QString AutostartRefusal(const QString& executable);

} // namespace gaugeloft::platform
