#include "support/fakesource.h"

#include "sensors/provider.h"

#include <gtest/gtest.h>

namespace gaugeloft {
namespace {

using testing::FakeHub;
using testing::FakeSource;
using testing::Hardware;
using testing::Sensor;

const QString kLocal = QString::fromLatin1(kProviders[0].sourceName);

class Provider : public ::testing::Test {
protected:
    Provider()
    {
        local.hardware = {Hardware("CPU", "/cpu/0", "", "CPU")};
        local.sensors = {Sensor("CPU Total", "/cpu/0/load/0", "/cpu/0", "Load", 12.0)};
    }
    FakeHub hub;
    FakeSource& local = hub.source(kLocal);
    ProviderState provider {hub};
};

TEST_F(Provider, SetupBuildsIdleReadersAndRegistersBothEnumerations)
{
    provider.SetupProvider(0);
    EXPECT_EQ(provider.CurrentProvider, 0);
    EXPECT_EQ(provider.HardwareReader->Count(), -1) << "set-up never queries";
    EXPECT_EQ(provider.SensorReader->Count(), -1);
    EXPECT_EQ(provider.HardwareEnumIndex, 1);
    EXPECT_EQ(provider.SensorEnumIndex, 2);
    EXPECT_EQ(local.enumerations, 0);
}

TEST_F(Provider, SetupWithTheSameIndexChangesNothingAndKeepsTheRefresherSetting)
{
    provider.SetupProvider(0);
    const auto* reader = provider.HardwareReader.get();
    provider.UseRefresher = true;
    provider.SetupProvider(0);
    EXPECT_EQ(provider.HardwareReader.get(), reader);
    EXPECT_TRUE(provider.UseRefresher);
    provider.SetupProvider(7);  // out of range means 0
    EXPECT_EQ(provider.HardwareReader.get(), reader);
    EXPECT_EQ(provider.CurrentProvider, 0);
}

TEST_F(Provider, AnotherIndexReplacesTheReadersAndAMissingSourceIsTheNoProviderState)
{
    provider.SetupProvider(0);
    provider.UseRefresher = true;
    provider.SetupProvider(1);  // nothing answers under the second name in this hub
    EXPECT_EQ(provider.CurrentProvider, 1);
    EXPECT_TRUE(provider.UseRefresher) << "the setting is kept across a change";
    EXPECT_EQ(provider.HardwareEnumIndex, -1) << "no source, no object set";
    provider.HardwareReader->Requery();
    EXPECT_EQ(provider.HardwareReader->Count(), -1);
}

TEST_F(Provider, RefresherPathLoadsBothClassesFromOneRefresh)
{
    provider.SetupProvider(0);
    provider.UseRefresher = true;
    provider.UpdateThroughRefresher(*provider.HardwareReader, provider.HardwareEnumIndex, true);
    provider.UpdateThroughRefresher(*provider.SensorReader, provider.SensorEnumIndex, false);
    EXPECT_EQ(local.refreshes, 1);
    EXPECT_EQ(local.enumerations, 0) << "no plain query on the refresher path";
    EXPECT_EQ(provider.HardwareReader->Count(), 1);
    EXPECT_EQ(provider.SensorReader->Value, 12.0);
    EXPECT_TRUE(provider.UseRefresher);
}

TEST_F(Provider, AnUnsetItemIsRequeriedAndTheRefresherStaysOn)
{
    provider.SetupProvider(0);
    provider.UseRefresher = true;
    provider.UpdateThroughRefresher(*provider.SensorReader, provider.SensorEnumIndex, false);
    EXPECT_EQ(local.enumerations, 1) << "never refreshed yet: plain query";
    EXPECT_EQ(provider.SensorReader->Count(), 1);
    EXPECT_TRUE(provider.UseRefresher);
}

TEST_F(Provider, RefresherFailuresSwitchItOffAndRequery)
{
    struct Case {
        const char* label;
        bool offerRefresher;
        bool failRefresh;
        int position;
    };
    const Case cases[] = {
        {"no cached enumerations", false, false, 1},
        {"position -1", true, false, -1},
        {"position past the end", true, false, 3},
        {"refresh fails", true, true, 1},
    };
    for (const Case& c : cases) {
        FakeHub caseHub;
        FakeSource& source = caseHub.source(kLocal);
        source.hardware = local.hardware;
        source.offerRefresher = c.offerRefresher;
        ProviderState state(caseHub);
        state.SetupProvider(0);
        state.UseRefresher = true;
        source.running = !c.failRefresh;
        state.UpdateThroughRefresher(*state.HardwareReader, c.position, true);
        EXPECT_FALSE(state.UseRefresher) << c.label;
        EXPECT_EQ(source.enumerations, 1) << c.label << ": the reader is re-queried";
        EXPECT_EQ(state.HardwareReader->Count(), c.failRefresh ? -1 : 1) << c.label;
    }
}

TEST_F(Provider, AfterTheSourceStopsTheReadersKeepTheirConnections)
{
    provider.SetupProvider(0);
    const int opensAfterSetup = hub.opens;  // the refresher binds at once
    provider.HardwareReader->Requery();
    local.running = false;
    for (int tick = 0; tick < 3; ++tick)
        provider.HardwareReader->Requery();
    EXPECT_EQ(provider.HardwareReader->Count(), -1);
    local.running = true;
    provider.HardwareReader->Requery();
    EXPECT_EQ(provider.HardwareReader->Count(), 1);
    EXPECT_EQ(hub.opens, opensAfterSetup + 1);
}

} // namespace
} // namespace gaugeloft

namespace gaugeloft {
namespace {

// Remote providers are told their address from the start; an address the program cannot ask
// falls back to the provider's default, and this computer's provider has none.
TEST(ProviderAddresses, TheHubHearsEveryRemoteProvidersAddress)
{
    testing::FakeHub hub;
    ProviderState provider(hub);
    const QString lhm = QString::fromLatin1(kProviders[1].sourceName);
    const QString prometheus = QString::fromLatin1(kProviders[2].sourceName);
    EXPECT_EQ(hub.addresses.value(lhm), QUrl("http://localhost:8085/"));
    EXPECT_EQ(hub.addresses.value(prometheus), QUrl("http://localhost:9090/"));
    EXPECT_FALSE(hub.addresses.contains(QString::fromLatin1(kProviders[0].sourceName)));

    provider.SetProviderAddress(2, " http://fleet.lan:9090/ ");
    EXPECT_EQ(hub.addresses.value(prometheus), QUrl("http://fleet.lan:9090/"));
    EXPECT_EQ(provider.ProviderAddress(2), "http://fleet.lan:9090/");
    provider.SetProviderAddress(1, "not an address");
    EXPECT_EQ(hub.addresses.value(lhm), QUrl("http://localhost:8085/"));
    provider.SetProviderAddress(0, "http://elsewhere/");
    EXPECT_EQ(provider.ProviderAddress(0), "");
}

} // namespace
} // namespace gaugeloft
