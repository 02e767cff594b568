// The tray icon on a StatusNotifierItem host (KDE Plasma, GNOME's AppIndicator extension,
// waybar): a StatusNotifierWatcher of the test's own on a private session bus, Qt's real D-Bus
// tray icon registering with it, and clicks sent over the bus as a host sends them. Runs only
// with GAUGELOFT_SNI_TESTS=1 under X11 and dbus-run-session (the ctest entry sets that up).

#include "ui/mainform.h"

#include "platform/desktop/trayhost.h"
#include "ui/mainformfixture.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QMutex>
#include <QMutexLocker>
#include <QObject>
#include <QSemaphore>
#include <QSystemTrayIcon>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include <memory>

namespace gaugeloft {
namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");

// The watcher side of the protocol: items register, a host is said to be there.
class FakeWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ IsStatusNotifierHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ ProtocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ RegisteredStatusNotifierItems)

public:
    bool IsStatusNotifierHostRegistered() const { return true; }
    int ProtocolVersion() const { return 0; }
    QStringList RegisteredStatusNotifierItems() const
    {
        QMutexLocker lock(&m_mutex);
        return m_items;
    }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service)
    {
        QMutexLocker lock(&m_mutex);
        m_items << service;
    }
    void RegisterStatusNotifierHost(const QString&) {}

Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierHostRegistered();

private:
    mutable QMutex m_mutex;
    QStringList m_items;
};

// The watcher answers from a thread of its own on a connection of its own, so the program's
// blocking calls to it are answered.
class WatcherThread : public QThread {
public:
    WatcherThread()
    {
        start();
        m_ready.acquire();
    }
    ~WatcherThread() override
    {
        quit();
        wait();
    }
    bool Registered() const { return m_registered; }
    QStringList Items() const { return m_watcher ? m_watcher->RegisteredStatusNotifierItems() : QStringList(); }

protected:
    void run() override
    {
        auto watcher = std::make_unique<FakeWatcher>();
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-watcher"));
        m_registered = bus.isConnected() && bus.registerService(kWatcher)
            && bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), watcher.get(),
                                  QDBusConnection::ExportAllContents);
        m_watcher = watcher.get();
        m_ready.release();
        exec();
        bus.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
        bus.unregisterService(kWatcher);
        m_watcher = nullptr;
        watcher.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-watcher"));
    }

private:
    QSemaphore m_ready;
    bool m_registered = false;
    FakeWatcher* m_watcher = nullptr;
};

// What a host sends when the user clicks the icon.
void ClickItem(const QString& service)
{
    QDBusMessage click = QDBusMessage::createMethodCall(service, QStringLiteral("/StatusNotifierItem"),
                                                        QStringLiteral("org.kde.StatusNotifierItem"),
                                                        QStringLiteral("Activate"));
    click << 10 << 10;
    QDBusConnection::sessionBus().send(click);
}

TEST(TrayStatusNotifier, AClickShowsAndHidesTheWindow)
{
    if (!qEnvironmentVariableIsSet("GAUGELOFT_SNI_TESTS"))
        GTEST_SKIP() << "needs X11 and a private session bus: set GAUGELOFT_SNI_TESTS=1";
    WatcherThread watcher;
    ASSERT_TRUE(watcher.Registered());
    ASSERT_TRUE(platform::StatusNotifierHostPresent());

    MainFormFixture f(Example("desktop.json"));
    TMainForm& w = f.window;
    EXPECT_TRUE(w.TrayClickToggles);
    w.KeepInTray = true;
    w.TrayIcon()->show();
    w.Timer1Timer();  // shows the window
    ASSERT_TRUE(w.isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !watcher.Items().isEmpty(); }, 5000)) << "the icon registered";
    const QString item = watcher.Items().first();

    ClickItem(item);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.isVisible(); }, 5000)) << "a click hides it to the tray";
    ClickItem(item);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.isVisible(); }, 5000)) << "and the next shows it";
}

} // namespace
} // namespace gaugeloft

#include "traystatusnotifier_test.moc"
