#include "platform/sourcehub.h"
#include "sensors/provider.h"
#include "ui/appicon.h"
#include "ui/mainform.h"

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

    // hidden until the first poll has detected
    gaugeloft::TMainForm window(provider);
    // what the Options dialog sets up at start, at its defaults for now: provider 0
    provider.SetupProvider(0);

    window.TrayIcon()->show();  // for the whole run
    window.Timer1().start();
    return app.exec();
}
