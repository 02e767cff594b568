#include "app/treewindow.h"
#include "platform/sourcehub.h"

#include <QApplication>

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
    QApplication::setApplicationDisplayName(QStringLiteral("Gaugeloft"));

    gaugeloft::platform::LinuxSourceHub hub;
    gaugeloft::ProviderState provider(hub);
    provider.SetupProvider(0);

    gaugeloft::TreeWindow window(provider);
    window.Detect();
    window.show();
    return app.exec();
}
