#include "update/updaterun.h"

#include "update/tempname.h"
#include "update/updateinstall.h"
#include "update/updateindex.h"
#include "update/updatetexts.h"
#include "update/versioncompare.h"
#include "update/webproxy.h"

#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>

namespace gaugeloft::update {

namespace {

const QString kChecking = QStringLiteral("Checking for updates");
const QString kNoUpdate = QStringLiteral("No new update found");
const QString kDownloading = QStringLiteral("Downloading update");
const QString kUpgrading = QStringLiteral("Upgrading current application...");
const QString kFailurePrefix = QStringLiteral("Downloading new version failed: ");

// Leaves the run as cancelled.
struct Abort {};
// Leaves the run as failed, with the reason.
struct Failure {
    QString message;
};

class Run {
public:
    Run(TMyWebUpdate& component, ProgressView& view, WebClient& client, bool installedCopy)
        : c(component)
        , m_view(view)
        , m_client(client)
        , m_installed(installedCopy)
        , m_normal(component.CheckMode == cmNormal)
    {
        m_client.OnWorkBegin = [this](qint64 expected) {
            m_max = expected;
            m_position = 0;
            m_view.TransferBegun(expected);
            Work(0, expected);
        };
        m_client.OnWork = [this](qint64 count) {
            if (m_max != 0)
                m_position = count;
            m_view.TransferProgress(count);
            Work(m_max != 0 ? count : 0, m_max);
        };
        m_client.OnWorkEnd = [this] {
            m_transferComplete = m_position == m_max;
            m_view.TransferEnded();
            Work(1, 0);
        };
        m_view.CancelTransfer = [this] { m_client.Disconnect(); };
    }
    ~Run()
    {
        m_client.OnWorkBegin = nullptr;
        m_client.OnWork = nullptr;
        m_client.OnWorkEnd = nullptr;
        m_view.CancelTransfer = nullptr;
    }

    RunResult Go()
    {
        RunResult result;
        QString failure;
        bool failed = false;
        if (c.OnExecuteStart)
            c.OnExecuteStart();
        try {
            Check(result);
            result.Completed = true;
        } catch (const Abort&) {
            result.Aborted = true;
            DeleteDownloads();
        } catch (const Failure& error) {
            failed = true;
            failure = error.message;
        } catch (const std::exception& error) {
            failed = true;
            failure = QString::fromUtf8(error.what());
        }
        if (m_normal)
            m_view.HideProgressWindow();
        if (c.OnExecuteEnd)
            c.OnExecuteEnd();
        if (result.TerminateAfter && c.Host().Quit)
            c.Host().Quit();
        if (failed) {
            if (c.OnErrorOccured) {
                c.OnErrorOccured(failure);
            } else if (m_normal) {
                if (c.UseDialogSounds)
                    m_view.Beep(DialogSound::Information);
                m_view.ShowFailure(kFailurePrefix + failure);
            }
        }
        return result;
    }

private:
    void Check(RunResult& result)
    {
        const QString current = c.VersionToCompare();
        if (m_normal)
            m_view.ShowProgressWindow(kChecking);

        const QString url = IndexUrl(c.UpdatesRoot, c.IndexName(), c.ApplicationTitle());
        ApplyProxy(m_client, {c.UseProxy, c.ProxyHost, c.ProxyPort});
        NotifyStep(usWebCheck, url, QString());
        const IndexAnswer answer = FetchIndex(m_client, QUrl(url), [this] { return c.LoadProxyCredentials(); });
        if (m_cancelled || answer.Cancelled)
            throw Abort {};
        if (!answer.Ok) {
            if (answer.Status == 404) {  // no index on the server: no update
                NoUpdatePage();
                return;
            }
            throw Failure {answer.Error};
        }
        const UpdateIndex index = ReadUpdateIndex(answer.Text, c.UpdateMode, m_installed);
        result.NewVersion = index.Version;
        result.NewFile = index.File;
        result.NewSize = index.Size;
        result.NewNotes = index.Notes;
        result.NewIsPortable = index.Portable;
        if (!index.Found)
            return;
        if (CompareVersions(current, index.Version) != -1) {
            NoUpdatePage();
            return;
        }

        const bool checkOnly = c.CheckMode == cmCheckOnly;
        bool allowUpdate = !checkOnly;
        bool allowConfirm = c.CheckMode == cmNormal || c.CheckMode == cmSilent;
        if (!checkOnly && c.OnUpdateNeeded)
            c.OnUpdateNeeded(current, index.Version, index.Notes, allowUpdate, allowConfirm);
        if (allowConfirm)
            allowUpdate = Confirm(current, index);
        if (!allowUpdate)
            return;
        Download(index);
        result.DownloadedArchive = m_archive;
        result.DownloadedPackage = m_package;
        result.TerminateAfter = Install(current, index);
    }

    // Hands the files over to what replaces the program; true when something was started.
    bool Install(const QString& current, const UpdateIndex& index)
    {
        bool restartAllowed = true;
        if (c.OnRestartNeeded)
            c.OnRestartNeeded(current, index.Version, restartAllowed);
        m_view.SetStatusText(kUpgrading);
        const QString folder = QFileInfo(c.ExecutablePath()).absolutePath();
        const QString updater = folder + u'/' + QLatin1String(kUpdaterName);
        if (!index.Portable) {
            if (!restartAllowed)
                throw Abort {};
            NotifyStep(usInstall, m_package, QString());
            QFile::setPermissions(m_package, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            Start(m_package, SetupArguments(c.SetupParams), QString());
        } else if (QFileInfo(updater).isExecutable() && QFileInfo(updater).isFile()) {
            const int flags = UpdaterFlags(c.CheckMode);
            if (!restartAllowed)
                throw Abort {};
            NotifyStep(usInstall, updater, QString());
            Start(updater, UpdaterArguments(m_package, c.ExecutablePath(), c.WaitMutex, m_archive, flags), QString());
        } else {
            // checked before anything is written or replaced
            if (!m_archive.isEmpty() && QStandardPaths::findExecutable(QLatin1String(kCabinetTool)).isEmpty())
                throw Failure {QStringLiteral("The update comes with a cabinet archive, and %1 is not installed to "
                                              "unpack it. Install the %1 package and check for updates again.")
                                   .arg(QLatin1String(kCabinetTool))};
            const QString script = ChangeExtension(TempBase(folder, c.TempFile), QStringLiteral(".sh"));
            if (!restartAllowed)
                throw Abort {};
            WriteScript(script, !m_archive.isEmpty());
            NotifyStep(usInstall, script, QString());
            Start(QStringLiteral("/bin/sh"), ScriptArguments(script, m_package, c.ExecutablePath(), m_archive),
                  folder);
        }
        // what was started owns the downloaded files now
        m_downloads.clear();
        return c.AutoRestart;
    }

    void WriteScript(const QString& path, bool withArchive)
    {
        QFile::remove(path);
        QFile file(path);
        const QByteArray text = ReplacementScript(withArchive);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || file.write(text) != text.size() || !file.flush())
            throw Failure {QStringLiteral("Could not write %1: %2").arg(path, file.errorString())};
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    // A program that cannot be started aborts the run.
    void Start(const QString& program, const QStringList& arguments, const QString& folder)
    {
        const auto& start = c.Host().StartDetached;
        const bool started = start ? start(program, arguments, folder)
                                   : QProcess::startDetached(program, arguments, folder);
        if (!started)
            throw Abort {};
    }

    // The archive, then the package, each into a new file of its own.
    void Download(const UpdateIndex& index)
    {
        const bool silent = c.CheckMode == cmSilent;
        if (silent)
            m_view.ShowProgressWindow(kDownloading);
        else
            m_view.SetDescription(kDownloading);
        m_view.ResetProgress();
        m_transferComplete = false;

        QString folder = TempFolder();
        if (index.Portable) {
            // a portable package replaces the program where it lies
            folder = QFileInfo(c.ExecutablePath()).absolutePath();
            if (!QFileInfo(folder).isWritable()) {
                if (silent)
                    m_view.HideProgressWindow();
                throw Failure {QStringLiteral("The program's folder %1 cannot be written, so this copy cannot "
                                              "replace itself. Install the new version as its owner did.")
                                   .arg(folder)};
            }
        }
        const QString base = TempBase(folder, c.TempFile);
        ApplyProxy(m_client, {c.UseProxy, c.ProxyHost, c.ProxyPort});
        try {
            if (!index.Archive.isEmpty())
                m_archive = Fetch(base, index.Archive);
            m_package = Fetch(base, index.File);
        } catch (...) {
            if (silent)
                m_view.HideProgressWindow();
            throw;
        }
        if (silent)
            m_view.HideProgressWindow();
        if (!m_transferComplete)
            throw Abort {};
        m_view.SetIndeterminate();
    }

    // One download into a new temporary file; returns its path.
    QString Fetch(const QString& base, const QString& remoteName)
    {
        // each search starts at a random number from 1 to 500
        const int start = TempNameStart ? TempNameStart() : QRandomGenerator::global()->bounded(1, 501);
        QFile file;
        QString error;
        const QString local = MakeTempName(base, RemoteExtension(remoteName), start, file, &error);
        if (local.isEmpty())
            throw Failure {error};
        m_downloads << local;
        const QString url = c.UpdatesRoot + remoteName;
        NotifyStep(usDownload, url, local);
        const TransferResult got = m_client.Get(QUrl(url), file);
        file.close();
        if (m_cancelled || got.Cancelled)
            throw Abort {};
        if (!got.Ok)
            throw Failure {got.Error};
        return local;
    }

    void DeleteDownloads()
    {
        for (const QString& path : std::as_const(m_downloads))
            QFile::remove(path);
        m_downloads.clear();
    }

    bool Confirm(const QString& current, const UpdateIndex& index)
    {
        ConfirmationRequest request;
        ConfirmationFacts facts;
        facts.ApplicationTitle = c.ApplicationTitle();
        facts.OfferedVersion = index.Version;
        facts.HomePage = c.HomePage;
        facts.Created = index.Created;
        facts.Now = ToDayNumber(c.Now());
        facts.Size = index.Size;
        facts.AutoRestart = c.AutoRestart;
        request.Text = ConfirmationText(facts);
        NotifyStep(usConfirm, current, index.Version);
        request.Caption = ConfirmationCaption(c.ApplicationTitle());
        request.TurnOffChecked = c.TurnedOff;
        request.TurnOffOffered = c.TurnOffMode == tmVisible || (c.TurnOffMode == tmAuto && !m_normal);
        request.AutoContinue = c.AutoContinue;
        request.AutoDelay = c.AutoDelay;
        request.Details = index.Notes;
        request.Sounds = c.UseDialogSounds;
        const ConfirmationAnswer answer = m_view.Confirm(request);
        c.TurnedOff = answer.TurnOffChecked && request.TurnOffOffered;
        c.TurnOffOffered = request.TurnOffOffered;
        return answer.Install;
    }

    void NoUpdatePage()
    {
        if (!m_normal)
            return;
        m_view.SetDescription(kNoUpdate);
        m_view.SetStatusText(NoUpdateStatusText(c.ApplicationTitle()));
        if (c.UseDialogSounds)
            m_view.Beep(DialogSound::Information);
        m_view.WaitForClose();
    }

    void NotifyStep(TMyUpdateStep step, const QString& source, const QString& target)
    {
        m_step = step;
        m_source = source;
        m_target = target;
        Work(0, 0);
        if (m_cancelled)
            throw Abort {};
    }

    // Raises OnExecuteWork; a handler that says stop cancels the transfer in progress.
    void Work(qint64 min, qint64 max)
    {
        if (!c.OnExecuteWork)
            return;
        bool canContinue = true;
        c.OnExecuteWork(m_step, canContinue, m_source, m_target, min, max);
        if (!canContinue) {
            m_cancelled = true;
            m_client.Disconnect();
        }
    }

    TMyWebUpdate& c;
    ProgressView& m_view;
    WebClient& m_client;
    const bool m_installed;
    const bool m_normal;
    bool m_cancelled = false;
    qint64 m_max = 0;
    qint64 m_position = 0;
    bool m_transferComplete = false;
    QStringList m_downloads;  // files this run created
    QString m_archive;
    QString m_package;
    TMyUpdateStep m_step = usWebCheck;
    QString m_source;
    QString m_target;
};

} // namespace

QString CompletedText(qint64 count, qint64 max)
{
    if (max == 0)
        return QString();
    return QStringLiteral("%1% completed").arg(100 * count / max);
}

std::function<int()> TempNameStart;

RunResult RunUpdate(TMyWebUpdate& component, ProgressView& view, WebClient& client, bool installedCopy)
{
    return Run(component, view, client, installedCopy).Go();
}

} // namespace gaugeloft::update
