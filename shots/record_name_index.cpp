#include "shots/record_name_index.h"

#include <algorithm>
#include <functional>

namespace {

constexpr std::size_t MIN_SLOTS = 16;

}  // namespace

std::size_t RecordNameIndex::Home(std::string_view name) const
{
    return std::hash<std::string_view>{}(name) & (m_slots.size() - 1);
}

std::size_t RecordNameIndex::SlotOf(std::string_view name) const
{
    std::size_t slot = Home(name);
    while (m_slots[slot] && m_slots[slot]->name != name) slot = (slot + 1) & (m_slots.size() - 1);
    return slot;
}

void RecordNameIndex::Resize(std::size_t slots)
{
    std::vector<const ShotRecord*> old = std::move(m_slots);
    m_slots.assign(slots, nullptr);
    for (const ShotRecord* record : old) {
        if (record) m_slots[SlotOf(record->name)] = record;
    }
}

void RecordNameIndex::Reserve(std::size_t records)
{
    Clear();
    std::size_t slots = MIN_SLOTS;
    while (slots / 4 * 3 < records) slots *= 2;
    m_slots.assign(slots, nullptr);
}

void RecordNameIndex::Build(const std::vector<std::unique_ptr<ShotRecord>>& shots)
{
    Reserve(shots.size());
    for (const auto& record : shots) Insert(record.get());
}

void RecordNameIndex::Build(const std::vector<ShotRecord>& shots)
{
    Reserve(shots.size());
    for (const ShotRecord& record : shots) Insert(&record);
}

void RecordNameIndex::Clear()
{
    m_slots = {};
    m_size = 0;
}

bool RecordNameIndex::Insert(const ShotRecord* record)
{
    if (m_slots.size() / 4 * 3 < m_size + 1) Resize(std::max(MIN_SLOTS, m_slots.size() * 2));
    const std::size_t slot = SlotOf(record->name);
    if (m_slots[slot]) return false;
    m_slots[slot] = record;
    ++m_size;
    return true;
}

void RecordNameIndex::Erase(std::string_view name)
{
    if (m_slots.empty()) return;
    std::size_t hole = SlotOf(name);
    if (!m_slots[hole]) return;
    // Each record after the hole whose probe passes over it moves into it,
    // so no search stops short at an empty slot.
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t next = (hole + 1) & mask; m_slots[next]; next = (next + 1) & mask) {
        const std::size_t home = Home(m_slots[next]->name);
        const bool passesHole = ((next - home) & mask) >= ((next - hole) & mask);
        if (passesHole) {
            m_slots[hole] = m_slots[next];
            hole = next;
        }
    }
    m_slots[hole] = nullptr;
    --m_size;
}

const ShotRecord* RecordNameIndex::Find(std::string_view name) const
{
    if (m_slots.empty()) return nullptr;
    return m_slots[SlotOf(name)];
}
