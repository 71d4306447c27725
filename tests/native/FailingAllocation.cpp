// Lets a test make the reader's section allocation fail: the reader allocates section data with
// the non-throwing array new, which this replacement refuses while the flag is set.
#include <new>

#include "tests/native/JpegTestSupport.h"

namespace jpegtest {
bool gFailNothrowArrayNew = false;
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    if (jpegtest::gFailNothrowArrayNew)
        return nullptr;
    try {
        return ::operator new[](size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
