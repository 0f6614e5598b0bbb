#pragma once

// Memory for the many small pieces of a sheet, its cell texts and rows of cells: carved one
// after another out of large blocks, which costs far less than one heap block each and keeps
// a full sheet on few pages (huge pages where the system allows). Each thread carves from its
// own current block; a block counts the pieces it holds and goes back to the system when the
// last of them is released, from any thread. Freed pieces are not reused: the pool suits
// memory that lives as long as its sheet.

#include <cstddef>
#include <new>

namespace xls {

namespace CellPool {
// Pieces up to this many bytes come from the pool; larger ones are better off on the heap.
constexpr size_t largestPiece = 8192;

// `bytes` (at most largestPiece) of memory aligned to 8; throws std::bad_alloc.
void* allocate(size_t bytes);
void release(void* piece);
} // namespace CellPool

// A standard allocator over the pool, for the rows of a sheet.
template <class T> class CellPoolAllocator {
public:
    using value_type = T;
    static_assert(alignof(T) <= 8, "the pool aligns pieces to 8 bytes");

    CellPoolAllocator() = default;
    template <class U> CellPoolAllocator(const CellPoolAllocator<U>&) noexcept {}

    T* allocate(size_t count)
    {
        const size_t bytes = count * sizeof(T);
        return static_cast<T*>(bytes <= CellPool::largestPiece ? CellPool::allocate(bytes)
                                                               : ::operator new(bytes));
    }
    void deallocate(T* pointer, size_t count) noexcept
    {
        if (count * sizeof(T) <= CellPool::largestPiece)
            CellPool::release(pointer);
        else
            ::operator delete(pointer);
    }

    template <class U> bool operator==(const CellPoolAllocator<U>&) const noexcept { return true; }
};

} // namespace xls
