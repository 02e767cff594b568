#include "app/commandline.h"
#include "platform/desktop/x11images.h"
#include "platform/settingsstore.h"
#include "platform/nativepath.h"
#include "sources/sourcehub.h"
#include "sensors/provider.h"
#include "ui/appicon.h"
#include "ui/mainform.h"
#include "ui/mainwebupdate.h"
#include "ui/optionsform.h"
#include "update/instancechannel.h"

#include <QApplication>
#include <QSystemTrayIcon>

#include <cstdio>
#include <memory>

namespace {

bool HasDisplay()
{
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY")
        || qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char** argv)
{
    if (const std::optional<int> exitCode = gaugeloft::HandleInformationOptions(argc, argv))
        return *exitCode;
    if (!HasDisplay()) {
        std::fputs("Gaugeloft needs a desktop session: no DISPLAY or WAYLAND_DISPLAY is set.\n"
                    "Run it from a desktop, or without one under xvfb-run.\n",
                    stderr);
        return 2;
    }
    gaugeloft::platform::X11SocketImages socketImages;
    QApplication app(argc, argv);
    socketImages.Release();  // read by now; programs started from here make their own choice
    QApplication::setApplicationName(QStringLiteral("Gaugeloft"));
    // the installed menu entry (resources/), which Wayland desktops match windows with
    QApplication::setDesktopFileName(QStringLiteral("example.marrowind.gaugeloft"));
    QApplication::setWindowIcon(gaugeloft::GaugeloftIcon());

    gaugeloft::sources::LinuxSourceHub hub;
    gaugeloft::ProviderState provider(hub);

    gaugeloft::platform::SettingsStore store(gaugeloft::platform::SettingsStore::DefaultPath());
    // hidden until the first poll has detected
    gaugeloft::SystemDesktop desktop;
    gaugeloft::TMainForm window(provider, desktop);
    // the update component loads first: one copy per user (a copy started meanwhile shows this
    // one's window and waits for it to end; a restart after an update only waits), the
    // start-up check armed, the catalog entry written
    auto webUpdate = std::make_unique<gaugeloft::MainWebUpdate>(window, store, gaugeloft::platform::ExecutablePath());
    if (!webUpdate->Load(QCoreApplication::arguments().mid(1))) {
        std::fputs("Gaugeloft is already running.\n", stderr);
        return 1;
    }
    gaugeloft::update::InstanceListener instanceListener(webUpdate->Component().WaitMutex);
    instanceListener.Listen();
    // the options next: they set the provider up
    auto* options = new gaugeloft::TOptionsForm(store, gaugeloft::platform::ExecutablePath(), &window);
    options->LoadSettings();
    webUpdate->Component().SetStartupCheck(options->StartupCheck);  // "Do Web Update"
    window.SetOptionsForm(options);
    window.SetSettingsNotice([&store] {
        const QString setAside = store.TakeSetAsideNotice();
        if (setAside.isEmpty())
            return QString();
        return QStringLiteral("The settings file could not be read. It was kept as %1, "
                              "and new settings were saved.").arg(setAside);
    });

    QObject::connect(&instanceListener, &gaugeloft::update::InstanceListener::ShowRequested, &window,
                     &gaugeloft::TMainForm::Show1Click);

    window.TrayIcon()->show();  // for the whole run
    window.Timers().StartPollTimer();
    return app.exec();
}
