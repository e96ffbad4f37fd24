// libFuzzer target: arbitrary bytes through CDibImage::Decode, any format.
#include "fuzz/fuzz_cases.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    kestrel::fuzz::RunDecodeCase(data, size);
    return 0;
}
