#include "formats/gif_stream_window.h"

#include <sys/mman.h>

#include <initializer_list>

static_assert(sizeof(void*) == 8, "the stream window needs a 64-bit address space");

namespace {

constexpr std::uintptr_t WINDOW_BYTES = std::uintptr_t(1) << 32;
constexpr std::uintptr_t PAGE_BYTES = 4096;
constexpr std::uintptr_t PageDown(std::uintptr_t address) { return address & ~(PAGE_BYTES - 1); }
constexpr std::uintptr_t PageUp(std::uintptr_t address) { return PageDown(address + PAGE_BYTES - 1); }
// The second buffer starts a little past the end of the first, so that the
// two do not share the low bits of their addresses: copies between them
// would otherwise stall on false overlaps between loads and stores.
constexpr std::size_t SECOND_BUFFER_SKEW = 12 * 1024 + 320;

constexpr std::size_t ReservedBytes(std::size_t capacity) { return PageUp(2 * capacity + SECOND_BUFFER_SKEW); }

// One thread's reservation, let go when the thread ends.
struct Reservation {
    BYTE* start = nullptr;
    std::size_t capacity = 0;
    void Release()
    {
        if (start) munmap(start, ReservedBytes(capacity));
        start = nullptr;
        capacity = 0;
    }
    ~Reservation() { Release(); }
};
thread_local Reservation reservation;

// Twice the bytes wanted are mapped, so that a block not crossing a window
// boundary fits wherever the mapping lands; the rest is unmapped again.
BYTE* Reserve(std::size_t bytes)
{
    const std::size_t mapped = 2 * bytes;
    void* block = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (block == MAP_FAILED) return nullptr;
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t kept = PlaceInsideWindow(start, mapped, bytes);
    if (!kept) {
        munmap(block, mapped);
        return nullptr;
    }
    if (kept > start) munmap(block, kept - start);
    const std::uintptr_t keptEnd = kept + bytes;
    if (start + mapped > keptEnd) munmap(reinterpret_cast<void*>(keptEnd), start + mapped - keptEnd);
    return reinterpret_cast<BYTE*>(kept);
}

}  // namespace

std::uintptr_t PlaceInsideWindow(std::uintptr_t start, std::size_t length, std::size_t wanted)
{
    if (wanted == 0 || wanted > WINDOW_BYTES || length > UINTPTR_MAX - start) return 0;
    const std::uintptr_t page = PageUp(start);
    const std::uintptr_t end = start + length;
    const std::uintptr_t nextWindow = (page | (WINDOW_BYTES - 1)) + 1;
    // Where it would cross a boundary it starts at the boundary instead.
    const std::uintptr_t place = wanted <= nextWindow - page ? page : nextWindow;
    if (place < page || place > end || wanted > end - place) return 0;
    return place;
}

GifStreamBuffers ThreadGifStreamBuffers(std::size_t needed, bool& fresh)
{
    fresh = false;
    GifStreamBuffers buffers;
    if (needed > GIF_STREAM_BUFFER_BYTES) return buffers;
    if (reservation.capacity < needed) {
        reservation.Release();
        for (const std::size_t capacity : {GIF_STREAM_BUFFER_BYTES, std::size_t(PageUp(needed))}) {
            if (capacity < needed) continue;
            reservation.start = Reserve(ReservedBytes(capacity));
            if (reservation.start) {
                reservation.capacity = capacity;
                fresh = true;
                break;
            }
        }
        if (!reservation.start) return buffers;
    }
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(reservation.start);
    buffers.origin = reinterpret_cast<BYTE*>(start & ~(WINDOW_BYTES - 1));
    buffers.first = reservation.start;
    buffers.second = reservation.start + reservation.capacity + SECOND_BUFFER_SKEW;
    buffers.capacity = reservation.capacity;
    return buffers;
}

void TrimGifStreamBuffers(const GifStreamBuffers& buffers, std::size_t used, std::size_t kept)
{
    if (used > buffers.capacity) used = buffers.capacity;
    if (used <= kept) return;
    for (BYTE* buffer : {buffers.first, buffers.second}) {
        if (!buffer) continue;
        const std::uintptr_t from = PageUp(reinterpret_cast<std::uintptr_t>(buffer) + kept);
        const std::uintptr_t to = PageUp(reinterpret_cast<std::uintptr_t>(buffer) + used);
        if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
    }
}
