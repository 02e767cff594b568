// A Multi-Bars tile's bars: one per numbered peer of its sensor ("Core #1", "Core #2", ...)
// of the same type in the same group, with the group's mean as the chart title. The tile
// reads them from the tree itself, at each poll and each rebuild of its series.

#include "dashboard/sensorframe.h"

#include "sensors/typetables.h"

#include <algorithm>
#include <cmath>

namespace gaugeloft {

int TSensorFrame::UpdatePeerBars(bool rebuild)
{
    TreeNode* node = m_host.Tree().NodeByIdentifier(SensorId);
    if (!node || !node->Data())
        return 0;
    const QString& typeName = node->Data()->TypeName;
    const TreeNode* group = node->Parent();
    if (!group)
        return 0;

    int count = 0;
    double sum = 0;
    bool moving = false;
    TSensorData* last = nullptr;
    for (int row = 0; row < group->ChildCount(); ++row) {
        TSensorData* r = group->Child(row)->Data();
        if (r)
            last = r;  // the child visited last, skipped ones too, formats the title
        if (!r || !r->Name.contains(QLatin1Char('#'))
            || r->TypeName.compare(typeName, Qt::CaseInsensitive) != 0)
            continue;
        sum += r->Value;
        double lo = r->Min;
        double hi = r->Max;
        if (r->TypeIndex == stTemperature || r->TypeIndex == stLoad) {
            lo = r->Fahrenheit ? 32 : 0;
            hi = r->Fahrenheit ? 212 : 100;
        }
        if (!rebuild)
            r->Advance();
        moving = moving || std::abs(r->Value - r->Animated) > 1e-9 * std::max(1.0, std::abs(r->Value));
        const double a = r->Animated;
        SetPeerBar(rebuild ? TSensorFrame::kAppend : count, hi - a, a - lo);
        ++count;
    }
    if (rebuild && count > 0) {
        last->SingleLine = false;
        last->BareNumber = false;
        SetChartTitle(last->FormatReading(sum / count));
        // a poll's worth of steps for the peers that have somewhere to go
        PeerTicksLeft = moving ? m_host.AnimationSteps() : 0;
        if (moving)
            m_host.AnimationStarted();
    }
    return count;
}

} // namespace gaugeloft
