#include "platform/settingsstore.h"
#include "update/versioncompare.h"
#include "update/webproxy.h"
#include "support/scopedenv.h"
#include "support/webservers.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <gtest/gtest.h>

namespace gaugeloft::update {
namespace {

using testing::ClosingServer;
using testing::Nginx;
using testing::TinyProxy;

const QByteArray kIndex = "<update version=1.0 created=45123.5><setup file=setup.sh version=9.0.0.0 size=10>";

using testing::ScopedEnv;

// nginx with a redirect chain, a redirect from https to http and a large file.
class WebServers : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (TinyProxy::Program().isEmpty())
            return;
        QByteArray locations;
        for (int i = 1; i <= 16; ++i)
            locations += "  location = /chain/" + QByteArray::number(i) + " { return 302 /chain/"
                         + QByteArray::number(i + 1) + "; }\n";
        locations += "  location = /chain/17 { return 302 /Tallyvane.xml; }\n";
        // from TLS to plain text, on the same server
        locations += "  location = /tohttp { return 302 http://127.0.0.1:@HTTP_PORT@/Tallyvane.xml; }\n";
        s_nginx.Start(locations);
    }
    static void TearDownTestSuite() { s_nginx.Stop(); }
    void SetUp() override
    {
        if (!s_server)
            GTEST_SKIP() << "nginx and tinyproxy are installed by scripts/test";
        ASSERT_TRUE(s_tls->Ready()) << s_tls->Log().toStdString();
        ASSERT_TRUE(s_server->Ready()) << s_server->Log().toStdString();
        ASSERT_TRUE(s_server->Put("Tallyvane.xml", kIndex));
    }
    QString Https(const char* path) const { return s_server->HttpsRoot() + QString::fromUtf8(path); }
    QString Http(const char* path) const { return s_server->HttpRoot() + QString::fromUtf8(path); }
    ScopedEnv trust {"SSL_CERT_FILE", s_tls ? s_tls->Authority().toUtf8() : QByteArray()};

    static inline testing::SuiteNginx s_nginx;
    static inline std::unique_ptr<Nginx>& s_server = s_nginx.server;
    static inline std::unique_ptr<testing::TestCertificates>& s_tls = s_nginx.tls;
};

TEST_F(WebServers, AnHttpsIndexIsFetchedWithItsCertificateVerified)
{
    WebClient client;
    QString text;
    const TransferResult result = client.GetText(QUrl(Https("Tallyvane.xml")), &text);
    EXPECT_TRUE(result.Ok) << result.Error.toStdString();
    EXPECT_EQ(result.Status, 200);
    EXPECT_EQ(text.toUtf8(), kIndex);
}

TEST_F(WebServers, AnUntrustedCertificateIsNeverAccepted)
{
    ScopedEnv noTrust("SSL_CERT_FILE", "/nonexistent");
    WebClient client;
    QString text;
    const TransferResult result = client.GetText(QUrl(Https("Tallyvane.xml")), &text);
    EXPECT_FALSE(result.Ok);
    EXPECT_TRUE(text.isEmpty());
    EXPECT_FALSE(result.Error.isEmpty());
}

TEST_F(WebServers, FifteenRedirectsAreFollowedSixteenAreNot)
{
    WebClient client;
    QString text;
    EXPECT_TRUE(client.GetText(QUrl(Http("chain/3")), &text).Ok) << "15 hops";
    EXPECT_EQ(text.toUtf8(), kIndex);
    const TransferResult tooMany = client.GetText(QUrl(Http("chain/2")), &text);
    EXPECT_FALSE(tooMany.Ok) << "16 hops";
    EXPECT_FALSE(tooMany.Error.isEmpty());
}

TEST_F(WebServers, ARedirectFromHttpsToHttpIsRefused)
{
    WebClient client;
    QString text;
    const TransferResult result = client.GetText(QUrl(Https("tohttp")), &text);
    EXPECT_FALSE(result.Ok);
    EXPECT_TRUE(text.isEmpty());
}

TEST_F(WebServers, AMissingIndexSays404)
{
    WebClient client;
    QString text;
    const TransferResult result = client.GetText(QUrl(Https("Nothing.xml")), &text);
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Status, 404);
    EXPECT_EQ(result.Error, "HTTP/1.1 404 Not Found");
}

TEST_F(WebServers, ProgressComesWithTheAnnouncedLengthAndCancelStopsTheTransfer)
{
    const QByteArray big(3 * 1024 * 1024, 'x');
    ASSERT_TRUE(s_server->Put("package.bin", big));
    WebClient client;
    qint64 expected = -1, last = 0;
    int ends = 0;
    client.OnWorkBegin = [&](qint64 length) { expected = length; };
    client.OnWork = [&](qint64 count) {
        EXPECT_GE(count, last);
        last = count;
    };
    client.OnWorkEnd = [&] { ++ends; };
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    const TransferResult whole = client.Get(QUrl(Https("package.bin")), buffer);
    EXPECT_TRUE(whole.Ok) << whole.Error.toStdString();
    EXPECT_EQ(expected, big.size());
    EXPECT_EQ(last, big.size());
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(data, big);

    client.OnWork = [&](qint64 count) {
        if (count > 0)
            client.Disconnect();
    };
    data.clear();
    buffer.seek(0);
    const TransferResult cut = client.Get(QUrl(Https("package.bin")), buffer);
    EXPECT_FALSE(cut.Ok);
    EXPECT_TRUE(cut.Cancelled);
    EXPECT_LT(cut.Received, big.size());
    EXPECT_FALSE(client.Busy());
}

TEST_F(WebServers, ATextLargerThanItsCapIsRefused)
{
    ASSERT_TRUE(s_server->Put("huge.xml", QByteArray(WebClient::kMostTextBytes + 1, 'x')));
    WebClient client;
    QString text;
    const TransferResult result = client.GetText(QUrl(Http("huge.xml")), &text);
    EXPECT_FALSE(result.Ok);
    EXPECT_TRUE(text.isEmpty());
}

// The credentials as the programs of the catalog save them.
QByteArray Protect(const QString& account, const QByteArray& password)
{
    QByteArray scrambled;
    for (char c : account.toUtf8() + password) {
        scrambled.append('\x42');
        scrambled.append(static_cast<char>(static_cast<std::uint8_t>(254 - static_cast<std::uint8_t>(c))));
    }
    Rc4(QCryptographicHash::hash(account.toUtf8(), QCryptographicHash::Sha1)).Apply(scrambled);
    return scrambled.toBase64();
}

TEST_F(WebServers, ThroughAProxyWithTheSavedCredentials)
{
    TinyProxy proxy("updater", "pa55word");
    ASSERT_TRUE(proxy.Ready()) << proxy.Log().toStdString();
    QTemporaryDir folder;
    platform::SettingsStore store(folder.filePath("registry.reg"));
    const QString account = GetUserSidString();
    store.WriteString(kCatalogKey, "LastUser", "updater");
    store.WriteBinary(kCatalogKey, "LastCheck", Protect(account, "pa55word"));

    for (const QString& url : {Https("Tallyvane.xml"), Http("Tallyvane.xml")}) {
        SCOPED_TRACE(url.toStdString());
        WebClient client;
        ApplyProxy(client, {pmManual, QStringLiteral("127.0.0.1"), proxy.Port});
        int loads = 0;
        const IndexAnswer answer = FetchIndex(client, QUrl(url), [&] {
            ++loads;
            return LoadProxyCredentials(store, account);
        });
        EXPECT_TRUE(answer.Ok) << answer.Error.toStdString() << proxy.Log().toStdString();
        EXPECT_EQ(answer.Text.toUtf8(), kIndex);
        EXPECT_EQ(loads, 1);
        EXPECT_EQ(client.Proxy.User, "updater") << "kept for the next request";
    }

    // without credentials the proxy refuses
    WebClient client;
    ApplyProxy(client, {pmManual, QStringLiteral("127.0.0.1"), proxy.Port});
    const IndexAnswer refused = FetchIndex(client, QUrl(Http("Tallyvane.xml")), [] { return ProxyCredentials {}; });
    EXPECT_FALSE(refused.Ok);
}

TEST(FetchIndex, AServerThatClosesTwiceIsAskedAgain)
{
    ClosingServer server(2, kIndex);
    WebClient client;
    const IndexAnswer answer = FetchIndex(client, QUrl(server.Root() + "Tallyvane.xml"), nullptr);
    EXPECT_TRUE(answer.Ok) << answer.Error.toStdString();
    EXPECT_EQ(answer.Text.toUtf8(), kIndex);
    EXPECT_EQ(server.Connections, 3);

    ClosingServer silent(100, kIndex);
    const IndexAnswer given = FetchIndex(client, QUrl(silent.Root() + "Tallyvane.xml"), nullptr);
    EXPECT_FALSE(given.Ok);
    // Qt itself asks once more when a kept-alive connection closes unanswered
    EXPECT_GE(silent.Connections, 1 + kMostRetriesAfterClose);
    EXPECT_LE(silent.Connections, 2 * (1 + kMostRetriesAfterClose));
}

TEST(ApplyProxy, ModesAndTheirSources)
{
    const auto environment = [](const char* name) {
        return QString::fromUtf8(name) == "http_proxy" ? QStringLiteral("http://me:pw@10.0.0.1:3128/") : QString();
    };
    WebClient client;
    ApplyProxy(client, {pmAuto}, environment);
    EXPECT_EQ(client.Proxy.Host, "10.0.0.1");
    EXPECT_EQ(client.Proxy.Port, 3128);
    EXPECT_TRUE(client.Proxy.BasicAuth);
    EXPECT_EQ(client.Proxy.User, "me");
    EXPECT_EQ(client.Proxy.Password, "pw");

    ApplyProxy(client, {pmManual, QStringLiteral("proxy.lan"), 0});
    EXPECT_EQ(client.Proxy.Host, "") << "a port of 0: no proxy";
    EXPECT_FALSE(client.Proxy.BasicAuth);
    EXPECT_EQ(client.Proxy.User, "me") << "the user stays with the client";

    ApplyProxy(client, {pmManual, QStringLiteral("proxy.lan"), 8080});
    EXPECT_EQ(client.Proxy.Host, "proxy.lan");
    EXPECT_EQ(client.Proxy.Port, 8080);

    ApplyProxy(client, {pmNone}, environment);
    EXPECT_EQ(client.Proxy.Host, "");
    ApplyProxy(client, {pmAuto}, [](const char*) { return QString(); });
    EXPECT_EQ(client.Proxy.Host, "");
    EXPECT_THROW(ApplyProxy(client, {pmAuto}, [](const char*) { return QStringLiteral("proxy"); }), ConversionError);
}

} // namespace
} // namespace gaugeloft::update
