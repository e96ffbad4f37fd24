#include "shots/record_name_index.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <unordered_map>

// Random inserts and erasures over a small name space, so probes collide,
// wrap at the table's end and close over erased slots; a map is the oracle.
TEST(RecordNameIndex, AgreesWithAMapThroughInsertsAndErasures)
{
    std::mt19937 random(7);
    std::unordered_map<std::string, std::unique_ptr<ShotRecord>> oracle;
    RecordNameIndex index;
    for (int step = 0; step < 20000; ++step) {
        const std::string name = "s" + std::to_string(random() % 300) + ".gif";
        if (random() % 3 == 0) {
            index.Erase(name);
            oracle.erase(name);
        } else {
            auto record = std::make_unique<ShotRecord>(nullptr, name, step);
            const bool inserted = index.Insert(record.get());
            EXPECT_EQ(inserted, !oracle.count(name)) << name;
            if (inserted) oracle[name] = std::move(record);
        }
        ASSERT_EQ(index.Size(), oracle.size());
        if (step % 97 == 0) {
            for (int n = 0; n < 300; ++n) {
                const std::string probe = "s" + std::to_string(n) + ".gif";
                const auto expected = oracle.find(probe);
                ASSERT_EQ(index.Find(probe), expected == oracle.end() ? nullptr : expected->second.get()) << probe;
            }
        }
    }
    std::size_t visited = 0;
    index.ForEach([&](const ShotRecord& record) { visited += oracle.at(record.name).get() == &record; });
    EXPECT_EQ(visited, oracle.size());
}
