#pragma once

// A standard allocator for large tables that are filled right after they are made (the shared
// string table's lists, the sheets' text indices). From 4 MB on, memory is aligned to 2 MB
// and advised for huge pages, so that filling it costs a few page faults instead of a
// thousand each; smaller requests go to the heap as usual.

#include <cstddef>
#include <cstdlib>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace xls {

template <class T> class HugePageAllocator {
public:
    using value_type = T;

    HugePageAllocator() = default;
    template <class U> HugePageAllocator(const HugePageAllocator<U>&) noexcept {}

    T* allocate(size_t count)
    {
        const size_t bytes = count * sizeof(T);
        if (bytes < smallestHuge)
            return static_cast<T*>(::operator new(bytes));
        const size_t rounded = (bytes + hugePage - 1) / hugePage * hugePage;
        void* memory = std::aligned_alloc(hugePage, rounded);
        if (!memory)
            throw std::bad_alloc();
#ifdef __linux__
        ::madvise(memory, rounded, MADV_HUGEPAGE);
#endif
        return static_cast<T*>(memory);
    }
    void deallocate(T* memory, size_t count) noexcept
    {
        if (count * sizeof(T) < smallestHuge)
            ::operator delete(memory);
        else
            std::free(memory);
    }

    template <class U> bool operator==(const HugePageAllocator<U>&) const noexcept
    {
        return true;
    }

private:
    static constexpr size_t hugePage = size_t(2) << 20;
    static constexpr size_t smallestHuge = 2 * hugePage;
};

} // namespace xls
