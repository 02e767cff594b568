#include "ui/mainwebupdate.h"

#include "platform/nativepath.h"
#include "ui/mainform.h"
#include "ui/simplewebupdateform.h"
#include "update/installedcopy.h"
#include "update/updaterun.h"
#include "update/versioninfo.h"

#include <QTimer>

namespace gaugeloft {

QString UpdatesRootFromEnvironment()
{
    QString root = qEnvironmentVariable("GAUGELOFT_UPDATES_ROOT").trimmed();
    if (root.isEmpty())
        return MainWebUpdate::kDefaultUpdatesRoot;
    if (!root.endsWith(u'/'))
        root += u'/';
    return root;
}

MainWebUpdate::MainWebUpdate(TMainForm& window, platform::SettingsStore& store, const QString& executablePath)
    : m_window(window)
    , m_progress(std::make_unique<TSimpleWebUpdateForm>(&window))
{
    update::WebUpdateHost host;
    host.Store = &store;
    host.ExecutablePath = executablePath;
    host.ApplicationTitle = QStringLiteral("Gaugeloft");
    // the native window's id once it exists; 0 before
    host.WindowId = [&window] { return static_cast<quint32>(window.internalWinId()); };
    host.FileInfo = [](const QString& file, const QString& name) { return update::GetVersionInfoValue(file, name); };
    host.InstalledCopy = [executablePath] { return update::IsInstalledCopy(platform::FolderOf(executablePath)); };
    host.Terminate = [this](int) { m_terminated = true; };
    // after a handed-over update: the way the tray menu's Exit ends the program, once the run
    // has returned
    host.Quit = [&window] { QTimer::singleShot(0, &window, [&window] { window.Exit1Click(); }); };
    m_component = std::make_unique<update::TMyWebUpdate>(std::move(host));

    // the main window's own settings
    update::TMyWebUpdate& c = *m_component;
    c.UpdatesRoot = UpdatesRootFromEnvironment();
    c.SetupParams = QStringLiteral("--silent");
    c.AutoContinue = true;
    c.SetUseGlobalCatalog(true);
    c.SetIndexName(QStringLiteral("Tallyvane"));
    c.WaitMutex = QStringLiteral("TALLYVANE_MUTEX");
    c.SetCheckGUID(kCheckGuid);
    c.CheckMode = update::cmSilent;
    c.StartupDelay = 3000;
    c.SetStartupCheck(true);
    c.Run = [this](bool installedCopy) {
        return update::RunUpdate(*m_component, *m_progress, m_client, installedCopy);
    };
    // the About window's "Check For Updates...": interactive from then on
    window.CheckForUpdates = [this] {
        m_component->CheckMode = update::cmNormal;
        m_component->Execute();
    };
}

MainWebUpdate::~MainWebUpdate()
{
    m_window.CheckForUpdates = nullptr;
    // the component writes its last catalog entry before the window it names goes
    m_component.reset();
}

bool MainWebUpdate::Load(const QStringList& arguments)
{
    m_component->Loaded(arguments);
    return !m_terminated;
}

} // namespace gaugeloft
