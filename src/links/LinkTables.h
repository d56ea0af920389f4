#pragma once

#include <QString>

#include <array>

// The seven link-type slots, numbered 1 to 7: whether each is offered, its title and its pattern.
// A pattern may hold the words IMGLINK (the image link) and THLINK (the preview link) any number of times.
class LinkTables final
{
public:
    static constexpr int SlotCount = 7;

    struct Slot {
        bool enabled = false;
        QString title;
        QString pattern;

        bool operator==(const Slot&) const = default;
    };

    // slot is 1..SlotCount; anything else is a programming error.
    Slot& slot(int slot) { return m_slots.at(static_cast<std::size_t>(slot - 1)); }
    const Slot& slot(int slot) const { return m_slots.at(static_cast<std::size_t>(slot - 1)); }

    bool LinkEnabled(int s) const { return slot(s).enabled; }
    QString LinkTitles(int s) const { return slot(s).title; }
    QString LinkPatterns(int s) const { return slot(s).pattern; }

    // Number of enabled slots, i.e. of selector entries before the "edit the list" entry.
    int enabledCount() const;

    // The slot that selector entry `position` (from 0) stands for: the position-th enabled slot in slot
    // order; 0 when the position stands for no slot (-1, the last entry, or past the end).
    int slotForPosition(int position) const;
    // The selector position of an enabled slot; -1 for a slot that is switched off or out of range.
    int positionOfSlot(int slot) const;

    bool operator==(const LinkTables&) const = default;

private:
    std::array<Slot, SlotCount> m_slots {};
};
