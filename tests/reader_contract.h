// What every reader promises, checked once for all of them in
// reader_contract_test.cpp over files each reader's own tests build.
#pragma once

#include <string>
#include <vector>

namespace kestrel::test {

// A file that loads whole, and the image of it to load.
struct ReaderSeed {
    std::string bytes;
    int frame = 0;
};

// Small files of every layout a reader knows, for cutting short and
// changing byte by byte (defined beside each reader's tests).
std::vector<ReaderSeed> BmpDamageSeeds();
std::vector<ReaderSeed> PcxDamageSeeds();
std::vector<ReaderSeed> TgaDamageSeeds();
std::vector<ReaderSeed> IcoDamageSeeds();

}  // namespace kestrel::test
