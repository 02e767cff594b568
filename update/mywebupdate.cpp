#include "update/mywebupdate.h"

#include "platform/nativepath.h"
#include "update/instancechannel.h"
#include "update/updatetexts.h"

#include <QDateTime>
#include <QFileInfo>

#include <unistd.h>

namespace gaugeloft::update {

namespace {

bool g_updateBusy = false;

const QString kCleanupPrefix = QStringLiteral("/cleanu;");

} // namespace

bool UpdateBusy()
{
    return g_updateBusy;
}

TMyWebUpdate::TMyWebUpdate(WebUpdateHost host, QObject* parent)
    : QObject(parent)
    , m_host(std::move(host))
{
    m_checkGuid = NewCatalogGuid();
    m_startupTimer.setSingleShot(true);
    m_startupTimer.setObjectName(QStringLiteral("Timer1"));
    connect(&m_startupTimer, &QTimer::timeout, this, [this] { Execute(); });
}

TMyWebUpdate::~TMyWebUpdate()
{
    // the entry says the program has ended
    m_ending = true;
    RefreshCatalog();
}

void TMyWebUpdate::SetUseGlobalCatalog(bool use)
{
    m_useGlobalCatalog = use;
    if (!m_loading && use != IsRegisteredInCatalog())
        RegisterInCatalog(use);
}

void TMyWebUpdate::SetCheckGUID(const QString& text)
{
    if (!m_loading && text != m_checkGuid && IsRegisteredInCatalog() && !IsCheckGUIDEmpty(m_checkGuid))
        UnregisterFromCatalog();
    m_checkGuid = CatalogGuidText(text).value_or(NewCatalogGuid());
    RefreshCatalog();
}

void TMyWebUpdate::SetStartupCheck(bool check)
{
    m_startupCheck = check;
    m_startupTimer.stop();
    if (check && !IsBusy() && !m_loading)
        m_startupTimer.start(StartupDelay);
}

void TMyWebUpdate::SetIndexName(const QString& name)
{
    // without its extension: from the last "." of the file name on
    const qsizetype slash = std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
    const qsizetype dot = name.lastIndexOf(u'.');
    m_indexName = dot > slash ? name.left(dot) : name;
}

void TMyWebUpdate::Loaded(const QStringList& arguments)
{
    if (!WaitMutex.isEmpty()) {
        // a copy started meanwhile shows this one's window; a restart after an update only waits
        const bool restarted = !arguments.isEmpty() && arguments.first().startsWith(kCleanupPrefix, Qt::CaseInsensitive);
        if (!StartSingleInstance(WaitMutex, MutexWaitMs, !restarted)) {
            if (m_host.Terminate)
                m_host.Terminate(1);
            return;
        }
    }
    m_loading = false;
    m_startupTimer.setInterval(StartupDelay);
    LoadLastCheck();
    RefreshCatalog();
    if (m_startupCheck)
        m_startupTimer.start(StartupDelay);

    // the replacement script of an update, left behind by the copy that started this one
    if (!arguments.isEmpty() && arguments.first().startsWith(kCleanupPrefix, Qt::CaseInsensitive)) {
        const QString script = arguments.first().mid(kCleanupPrefix.size());
        const QFileInfo info(script);
        if (info.isFile() && info.suffix().compare(QStringLiteral("sh"), Qt::CaseInsensitive) == 0) {
            QTimer::singleShot(kCleanupDelayMs, Qt::PreciseTimer, this, [script] {
                ::unlink(platform::NativePath(script).constData());
            });
        }
    }
}

bool TMyWebUpdate::Execute()
{
    if (IsBusy())
        return false;
    ++m_busy;
    m_startupTimer.stop();  // a check asked for meanwhile stands for the start-up check
    if (g_updateBusy) {
        --m_busy;
        return false;
    }
    m_results = {};
    const bool installed = m_host.InstalledCopy && m_host.InstalledCopy();
    g_updateBusy = true;
    RunResult result;
    try {
        result = Run ? Run(installed) : RunResult {true};
    } catch (...) {
        result = {};  // a run reports its own failures; nothing may leave here
    }
    g_updateBusy = false;
    --m_busy;
    m_results = result;
    if (!result.Aborted) {
        LastCheck = ToDayNumber(m_host.Now());
        RefreshCatalog();
    }
    return result.Completed && !result.Aborted;
}

QString TMyWebUpdate::VersionToCompare() const
{
    if (!CurrentVersion.isEmpty() || !m_host.FileInfo)
        return CurrentVersion;
    return m_host.FileInfo(m_host.ExecutablePath, QStringLiteral("FileVersion"));
}

ProxyCredentials TMyWebUpdate::LoadProxyCredentials() const
{
    if (!m_host.Store)
        return {};
    return update::LoadProxyCredentials(*m_host.Store, GetUserSidString());
}

bool TMyWebUpdate::IsRegisteredInCatalog() const
{
    if (!m_host.Store)
        return false;
    return UpdateCatalog(*m_host.Store).IsRegistered(m_checkGuid, m_host.ExecutablePath);
}

void TMyWebUpdate::WriteCatalogEntry(quint32 pid)
{
    CatalogEntry entry;
    entry.ExecutablePath = m_host.ExecutablePath;
    entry.Title = m_host.ApplicationTitle;
    entry.Version = m_host.FileInfo ? m_host.FileInfo(m_host.ExecutablePath, QStringLiteral("FileVersion")) : QString();
    entry.UpdateUrl = UpdatesRoot;
    entry.RunParams = SetupParams;
    entry.WebIndex = m_indexName;
    entry.TempFile = TempFile;
    entry.Mutex = WaitMutex;
    entry.LastCheck = LastCheck;
    entry.Pid = pid;
    UpdateCatalog(*m_host.Store).Register(m_checkGuid, entry);
}

void TMyWebUpdate::RegisterInCatalog(bool registerEntry)
{
    if (!registerEntry || ReadOnlyCatalog || IsCheckGUIDEmpty(m_checkGuid)) {
        UnregisterFromCatalog();
        return;
    }
    if (m_loading || !m_host.Store)
        return;
    try {
        WriteCatalogEntry(m_ending || !m_host.WindowId ? 0 : m_host.WindowId());
    } catch (const std::exception&) {
        // a catalog that cannot be written is left as it is
    }
}

void TMyWebUpdate::UnregisterFromCatalog()
{
    if (ReadOnlyCatalog || IsCheckGUIDEmpty(m_checkGuid) || !m_host.Store)
        return;
    try {
        UpdateCatalog(*m_host.Store).Unregister(m_checkGuid);
    } catch (const std::exception&) {
    }
}

void TMyWebUpdate::RefreshCatalog()
{
    if (!m_loading && m_useGlobalCatalog)
        RegisterInCatalog(true);
}

void TMyWebUpdate::LoadLastCheck()
{
    if (m_loading || !m_useGlobalCatalog || !m_host.Store || !IsRegisteredInCatalog())
        return;
    try {
        if (const std::optional<double> stored = UpdateCatalog(*m_host.Store).StoredLastCheck(m_checkGuid))
            LastCheck = std::max(LastCheck, *stored);
    } catch (const std::exception&) {
    }
}

} // namespace gaugeloft::update
