#include "sensors/provider.h"

#include "sources/remoteaddress.h"

namespace gaugeloft {

ProviderState::ProviderState(sources::SensorSourceHub& hub)
    : m_hub(hub)
{
    for (int index = 0; index < kProviderCount; ++index) {
        if (IsRemoteProvider(index))
            SetProviderAddress(index, QString());
    }
}

void ProviderState::SetProviderAddress(int index, const QString& address)
{
    if (!IsRemoteProvider(index))
        return;
    sources::RemoteAddress parsed = sources::ParseRemoteAddress(address);
    if (!parsed.problem.isEmpty())
        parsed = sources::ParseRemoteAddress(QString::fromLatin1(kProviders[index].defaultAddress));
    m_addresses[std::size_t(index)] = parsed.url.toString();
    m_hub.SetAddress(QString::fromLatin1(kProviders[index].sourceName), parsed.url);
}

QString ProviderState::ProviderAddress(int index) const
{
    if (!IsRemoteProvider(index))
        return {};
    return m_addresses[std::size_t(index)];
}

void ProviderState::SetupProvider(int index)
{
    const bool useRefresher = UseRefresher;
    if (index < 0 || index >= kProviderCount)
        index = 0;
    if (index != CurrentProvider) {
        const QString nameSpace = QString::fromLatin1(kProviders[index].sourceName);
        if (CurrentProvider != -1) {
            HardwareReader.reset();
            SensorReader.reset();
            Refresher.reset();
        }
        UseRefresher = false;
        HardwareReader = std::make_unique<TWMI_OHM_Hardware>(false, nameSpace, m_hub);
        SensorReader = std::make_unique<TWMI_OHM_Sensor>(false, nameSpace, m_hub);
        // A failure from here on reaches the caller: the readers serve plain queries and
        // the refresher stays off.
        Refresher = std::make_unique<TWin32_Refresher>(nameSpace, m_hub);
        HardwareEnumIndex = Refresher->AddEnum(sources::kHardwareClass);
        SensorEnumIndex = Refresher->AddEnum(sources::kSensorClass);
    }
    CurrentProvider = index;
    UseRefresher = useRefresher;
}

void ProviderState::UpdateHardware()
{
    if (!HardwareReader)
        return;
    if (UseRefresher)
        UpdateThroughRefresher(*HardwareReader, HardwareEnumIndex, true);
    else
        HardwareReader->Requery();
}

void ProviderState::UpdateSensors()
{
    if (!SensorReader)
        return;
    // the hardware step may have switched the refresher off
    if (UseRefresher)
        UpdateThroughRefresher(*SensorReader, SensorEnumIndex, false);
    else
        SensorReader->Requery();
}

void ProviderState::UpdateThroughRefresher(TWmiClass& reader, int position, bool refreshFirst)
{
    const sources::CachedEnumeration* item = nullptr;
    try {
        if (!Refresher)
            throw sources::SourceError("No refresher");
        if (refreshFirst)
            Refresher->Refresh();
        if (Refresher->Count() != 0)
            item = Refresher->Item(position);
    } catch (const sources::SourceError&) {
        item = nullptr;
    }
    if (!item) {
        UseRefresher = false;
        reader.Requery();
        return;
    }
    if (!item->isSet) {
        reader.Requery();
        return;
    }
    reader.LoadFrom(item->objectSet);
}

} // namespace gaugeloft
