#pragma once

// A web update component over a real nginx, whose confirmed updates are downloaded into a
// temporary folder of the test and whose programs are recorded instead of started.

#include "platform/settingsstore.h"
#include "support/scopedenv.h"
#include "update/updaterun.h"
#include "recordingview.h"
#include "support/webservers.h"

#include <QDir>
#include <QTemporaryDir>

#include <memory>
#include <optional>

#include <gtest/gtest.h>

namespace gaugeloft::update::testing {

using gaugeloft::testing::RecordingView;
using gaugeloft::testing::ScopedEnv;

class DownloadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // a slow location for cancelling, and one whose answers are compressed on the fly and
        // so announce no length
        s_nginx.Start("  location /slow/ { limit_rate 400k; }\n"
                      "  location /nolength/ { gzip on; gzip_types *; gzip_min_length 1; }\n");
    }
    static void TearDownTestSuite() { s_nginx.Stop(); }
    void SetUp() override
    {
        if (!s_server)
            GTEST_SKIP() << "nginx is installed by scripts/test";
        ASSERT_TRUE(s_server->Ready()) << s_server->Log().toStdString();
        Configure(component);
        component.OnExecuteWork = [this](TMyUpdateStep step, bool&, const QString& source, const QString& target,
                                         qint64, qint64 max) {
            if (step == usDownload && !source.isEmpty() && max == 0 && !target.isEmpty() && !steps.contains(target))
                steps << source << target;
        };
        view.answer.Install = true;
        TempNameStart = [] { return 42; };
        component.OnRestartNeeded = [this](const QString&, const QString&, bool& allowRestart) {
            allowRestart = allowRestart && restartAllowed;
        };
    }
    void TearDown() override { TempNameStart = nullptr; }

    // An index offering a setup program (or a portable one with an archive) of `bytes` bytes.
    void Offer(const QByteArray& package, int bytes, const QByteArray& archive = {}, bool portable = false)
    {
        portable = portable || !archive.isEmpty();
        QByteArray content(bytes, 'x');
        for (int i = 0; i < bytes; ++i)
            content[i] = char('a' + i % 26);
        const QByteArray deploy = archive.isEmpty() ? QByteArray() : " deploy=" + archive;
        const QByteArray element = !portable
            ? "<setup file=" + package + " version=3.0.0.0 size=" + QByteArray::number(bytes) + ">"
            : "<portable file=" + package + " version=3.0.0.0 size=" + QByteArray::number(bytes) + deploy + ">";
        ASSERT_TRUE(s_server->Put("Tallyvane.xml", "<update version=1.0 created=45123.5>" + element + "</update>"));
        ASSERT_TRUE(s_server->Put(QString::fromUtf8(package), content));
        if (!archive.isEmpty()) {
            ASSERT_TRUE(s_server->Put(QString::fromUtf8(archive), archiveContent));
        }
        offered = content;
    }
    // The settings every test's component shares: this nginx, the index, the running version.
    void Configure(TMyWebUpdate& c, std::optional<bool> installed = std::nullopt)
    {
        c.UpdatesRoot = s_server->HttpRoot();
        c.SetIndexName(QStringLiteral("Tallyvane"));
        c.CurrentVersion = QStringLiteral("2.1.0.7");
        c.UseProxy = pmNone;
        c.Loaded({});
        c.Run = [this, &c, installed](bool copy) { return RunUpdate(c, view, client, installed.value_or(copy)); };
    }
    // A portable copy (not installed) whose executable lies in `folder`.
    std::unique_ptr<TMyWebUpdate> PortableCopy(const QString& folder)
    {
        executable = folder + QStringLiteral("/gaugeloft");
        auto copy = std::make_unique<TMyWebUpdate>(Host());
        Configure(*copy, false);
        return copy;
    }
    QStringList LeftInTemp() const { return QDir(temp.path()).entryList(QDir::Files); }

    QTemporaryDir temp;
    ScopedEnv tmpdir {"TMPDIR", QFile::encodeName(temp.path())};
    QTemporaryDir folder;
    platform::SettingsStore store {folder.filePath("registry.reg")};
    QString executable = QStringLiteral("/opt/gaugeloft/gaugeloft");
    TMyWebUpdate component {Host()};
    RecordingView view;
    WebClient client;
    QStringList steps;  // source, target of each download
    QByteArray offered;
    QByteArray archiveContent = "MSCF archive";
    QList<QStringList> started;  // program, working folder, arguments
    bool startSucceeds = true;
    bool restartAllowed = true;
    int quits = 0;

    WebUpdateHost Host()
    {
        WebUpdateHost host;
        host.Store = &store;
        host.ExecutablePath = executable;
        host.ApplicationTitle = QStringLiteral("Gaugeloft");
        host.InstalledCopy = [] { return true; };
        host.Now = [] { return QDateTime(QDate(2026, 12, 10), QTime(12, 0)); };
        host.Quit = [this] { ++quits; };
        host.StartDetached = [this](const QString& program, const QStringList& arguments, const QString& folder) {
            started << (QStringList {program, folder} + arguments);
            return startSucceeds;
        };
        return host;
    }

    static inline gaugeloft::testing::SuiteNginx s_nginx;
    static inline std::unique_ptr<gaugeloft::testing::Nginx>& s_server = s_nginx.server;
};

} // namespace gaugeloft::update::testing
