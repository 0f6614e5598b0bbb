#pragma once

// Memory for the many small pieces of a sheet, its cell texts and rows of cells: carved one
// after another out of large blocks, which costs far less than one heap block each and keeps
// a full sheet on few pages (huge pages where the system allows). Each thread carves from its
// own current block; a block counts the pieces it holds and goes back to the system when the
// last of them is released, from any thread. Freed pieces are not reused: the pool suits
// memory that lives as long as its sheet.

#include <atomic>
#include <cstddef>
#include <new>
#include <thread>

namespace CellPool {
// Pieces up to this many bytes come from the pool; larger ones are better off on the heap.
constexpr size_t largestPiece = 8192;

// `bytes` (at most largestPiece) of memory aligned to 8; throws std::bad_alloc.
void* allocate(size_t bytes);
void release(void* piece);

// Maps and faults in blocks for about `bytes` of pieces on a thread of its own, for a caller
// about to fill that much: the system zeroes every fresh page, and that then runs beside the
// work that fills them instead of within it. Blocks still unused when the warm-up is
// destroyed go back to the system.
class Warmup {
public:
    explicit Warmup(size_t bytes);
    ~Warmup();
    Warmup(const Warmup&) = delete;
    Warmup& operator=(const Warmup&) = delete;

private:
    std::atomic<bool> stop_{false};
    std::thread worker_;
};
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
