// RecordNameIndex: finds a record of a list by its file name. An open table
// of record pointers (eight bytes a slot, linear probing), so a list of a
// million shots costs 16 MB here instead of the hundred a map of names
// would. The records stay their owner's, who keeps the index in step.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "shots/shot_record.h"

class RecordNameIndex {
public:
    // The index of shots alone.
    void Build(const std::vector<std::unique_ptr<ShotRecord>>& shots);
    void Build(const std::vector<ShotRecord>& shots);
    void Clear();
    // False (and nothing changes) when a record of that name is indexed.
    bool Insert(const ShotRecord* record);
    void Erase(std::string_view name);
    const ShotRecord* Find(std::string_view name) const;
    std::size_t Size() const { return m_size; }

    template <typename Visit>
    void ForEach(Visit&& visit) const
    {
        for (const ShotRecord* record : m_slots) {
            if (record) visit(*record);
        }
    }

private:
    std::size_t Home(std::string_view name) const;
    // The slot holding name, or the empty slot where it would go.
    std::size_t SlotOf(std::string_view name) const;
    void Resize(std::size_t slots);
    void Reserve(std::size_t records);

    std::vector<const ShotRecord*> m_slots;  // a power of two of them, at most three quarters full
    std::size_t m_size = 0;
};
