// adi/field_memory.h: storage for node fields, on huge pages where the system offers them
#ifndef ADI_FIELD_MEMORY_H
#define ADI_FIELD_MEMORY_H

#include <cstddef>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace adi
{

// n values of type V, uninitialised, or null when memory is short; released with free_values.
// The sweeps walk a field with strides of whole planes, so a large field is aligned to 2 MiB and
// offered to the kernel as huge pages (fewer address-translation misses). Where the numbers lie
// changes, never what they are.
template <typename V> V* alloc_values(size_t n)
{
    const size_t huge = (size_t)2 << 20;
    size_t bytes = n * sizeof(V) > 0 ? n * sizeof(V) : sizeof(V);
    void* p = nullptr;
    if (bytes >= 2 * huge)
    {
        size_t whole = (bytes + huge - 1) / huge * huge;
        if (posix_memalign(&p, huge, whole) != 0)
            return nullptr;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
        madvise(p, whole, MADV_HUGEPAGE); // advice only: ignored where not supported
#endif
    }
    else if (posix_memalign(&p, 64, bytes) != 0)
        return nullptr;
    return static_cast<V*>(p);
}

inline void free_values(void* p)
{
    free(p);
}

} // namespace adi

#endif
