#include "LinkTables.h"

#include <algorithm>

int LinkTables::enabledCount() const
{
    return static_cast<int>(std::count_if(m_slots.begin(), m_slots.end(), [](const Slot& s) { return s.enabled; }));
}

int LinkTables::slotForPosition(int position) const
{
    if (position < 0)
        return 0;
    int seen = 0;
    for (int s = 1; s <= SlotCount; ++s) {
        if (!slot(s).enabled)
            continue;
        if (seen == position)
            return s;
        ++seen;
    }
    return 0;
}

int LinkTables::positionOfSlot(int s) const
{
    if (s < 1 || s > SlotCount || !slot(s).enabled)
        return -1;
    int position = 0;
    for (int before = 1; before < s; ++before)
        position += slot(before).enabled ? 1 : 0;
    return position;
}
