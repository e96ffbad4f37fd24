// The client procedures libtiff calls to reach the stream. Each one answers
// in libtiff's terms: byte counts for read and write, the resulting offset
// for seek (0 when the seek fails), the size of the stream for size, and a
// copy of the whole stream for map.
#include "formats/tiff_stream.h"

#include <sys/types.h>

#include <cstdint>
#include <cstdlib>

namespace {

constexpr toff_t MAX_MAPPED_BYTES = toff_t(1) << 30;

FILE* StreamOf(thandle_t handle)
{
    return static_cast<FILE*>(handle);
}

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size)
{
    if (size <= 0) return 0;
    return tmsize_t(std::fread(buffer, 1, std::size_t(size), StreamOf(handle)));
}

tmsize_t WriteProc(thandle_t handle, void* buffer, tmsize_t size)
{
    if (size <= 0) return 0;
    return tmsize_t(std::fwrite(buffer, 1, std::size_t(size), StreamOf(handle)));
}

// An absolute seek answers with the offset asked for, a relative or end seek
// with where the stream now stands. Offsets libtiff passes are unsigned; a
// relative seek backwards arrives as its two's complement.
toff_t SeekProc(thandle_t handle, toff_t offset, int origin)
{
    FILE* file = StreamOf(handle);
    if (origin == SEEK_SET) {
        if (offset > toff_t(INT64_MAX)) return 0;
        return fseeko(file, off_t(offset), SEEK_SET) == 0 ? offset : 0;
    }
    if (origin == SEEK_CUR || origin == SEEK_END) {
        if (fseeko(file, off_t(std::int64_t(offset)), origin) != 0) return 0;
        const off_t position = ftello(file);
        return position < 0 ? 0 : toff_t(position);
    }
    return 0;
}

// The stream belongs to whoever opened it.
int CloseProc(thandle_t)
{
    return 0;
}

toff_t SizeProc(thandle_t handle)
{
    FILE* file = StreamOf(handle);
    const off_t here = ftello(file);
    if (here < 0 || fseeko(file, 0, SEEK_END) != 0) return 0;
    const off_t end = ftello(file);
    fseeko(file, here, SEEK_SET);
    return end < 0 ? 0 : toff_t(end);
}

// "Mapping" reads the whole stream into one heap block, for the pages that
// libtiff reads only from a mapped file. A heap copy rather than mmap keeps
// a file that shrinks meanwhile from faulting. Streams too large for one
// block are refused and read through ReadProc.
int MapProc(thandle_t handle, void** base, toff_t* size)
{
    FILE* file = StreamOf(handle);
    const toff_t bytes = SizeProc(handle);
    if (bytes == 0 || bytes > MAX_MAPPED_BYTES) return 0;
    const off_t here = ftello(file);
    void* block = std::malloc(std::size_t(bytes));
    if (here < 0 || !block || fseeko(file, 0, SEEK_SET) != 0) {
        std::free(block);
        return 0;
    }
    const bool complete = std::fread(block, 1, std::size_t(bytes), file) == bytes;
    fseeko(file, here, SEEK_SET);
    if (!complete) {
        std::free(block);
        return 0;
    }
    *base = block;
    *size = bytes;
    return 1;
}

void UnmapProc(thandle_t, void* base, toff_t)
{
    std::free(base);
}

}  // namespace

TIFF* OpenTiffOverStream(FILE* file, TIFFOpenOptions* options, bool mapWholeStream)
{
    // "m" keeps libtiff from asking for a map at all.
    return TIFFClientOpenExt("TIFF IMAGE", mapWholeStream ? "rb" : "rbm",
                             static_cast<thandle_t>(file), ReadProc, WriteProc, SeekProc, CloseProc,
                             SizeProc, MapProc, UnmapProc, options);
}
