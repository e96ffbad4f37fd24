// libFuzzer target: decode, then draw every image that decoded.
#include "fuzz/fuzz_cases.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    kestrel::fuzz::RunDrawCase(data, size);
    return 0;
}
