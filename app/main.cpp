#include "platform/settingsstore.h"
#include "platform/nativepath.h"
#include "platform/sourcehub.h"
#include "sensors/provider.h"
#include "ui/appicon.h"
#include "ui/mainform.h"
#include "ui/optionsform.h"

#include <QApplication>
#include <QSystemTrayIcon>

#include <cstdio>

namespace {

bool HasDisplay()
{
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY")
        || qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char** argv)
{
    if (!HasDisplay()) {
        std::fputs("Gaugeloft needs a desktop session: no DISPLAY or WAYLAND_DISPLAY is set.\n"
                    "Run it from a desktop, or without one under xvfb-run.\n",
                    stderr);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Gaugeloft"));
    QApplication::setWindowIcon(gaugeloft::GaugeloftIcon());

    gaugeloft::platform::LinuxSourceHub hub;
    gaugeloft::ProviderState provider(hub);

    gaugeloft::platform::SettingsStore store(gaugeloft::platform::SettingsStore::DefaultPath());
    // hidden until the first poll has detected
    gaugeloft::TMainForm window(provider);
    // the options next: they set the provider up
    auto* options = new gaugeloft::TOptionsForm(store, gaugeloft::platform::ExecutablePath(), &window);
    options->LoadSettings();
    window.SetOptionsForm(options);
    window.SetSettingsNotice([&store] {
        const QString setAside = store.TakeSetAsideNotice();
        if (setAside.isEmpty())
            return QString();
        return QStringLiteral("The settings file could not be read. It was kept as %1, "
                              "and new settings were saved.").arg(setAside);
    });

    window.TrayIcon()->show();  // for the whole run
    window.Timer1().start();
    return app.exec();
}
