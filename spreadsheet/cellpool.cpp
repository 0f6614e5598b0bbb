#include "cellpool.h"

#include <atomic>
#include <cassert>
#include <cstdint>
#include <new>
#include <sys/mman.h>

namespace {
// Blocks are aligned to their size, so a piece finds its block's header by masking.
constexpr size_t blockSize = size_t(2) << 20;

struct alignas(16) BlockHeader {
    // The texts carved from the block, and one more while it is a thread's current block.
    std::atomic<size_t> users{1};
};

void releaseBlock(BlockHeader* block)
{
    if (block && block->users.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        block->~BlockHeader();
        ::munmap(block, blockSize);
    }
}

BlockHeader* mapBlock(bool hugePages)
{
    // Twice the size, then the parts outside an aligned block are given back.
    void* area = ::mmap(nullptr, 2 * blockSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area == MAP_FAILED)
        throw std::bad_alloc();
    const auto start = reinterpret_cast<uintptr_t>(area);
    const uintptr_t aligned = (start + blockSize - 1) & ~(blockSize - 1);
    if (aligned > start)
        ::munmap(area, aligned - start);
    if (const uintptr_t tail = start + 2 * blockSize - (aligned + blockSize); tail > 0)
        ::munmap(reinterpret_cast<void*>(aligned + blockSize), tail);
    void* block = reinterpret_cast<void*>(aligned);
    // A thread's first block stays on small pages: a document of a few cells takes little.
    if (hugePages)
        ::madvise(block, blockSize, MADV_HUGEPAGE);
    return new (block) BlockHeader;
}

class ThreadPool {
public:
    ~ThreadPool() { releaseBlock(current_); }

    void* allocate(size_t bytes)
    {
        bytes = (bytes + 7) & ~size_t(7);
        if (!current_ || used_ + bytes > blockSize) {
            BlockHeader* next = mapBlock(blocksMapped_++ > 0);
            releaseBlock(current_);
            current_ = next;
            used_ = sizeof(BlockHeader);
        }
        current_->users.fetch_add(1, std::memory_order_relaxed);
        void* piece = reinterpret_cast<uint8_t*>(current_) + used_;
        used_ += bytes;
        return piece;
    }

private:
    BlockHeader* current_ = nullptr;
    size_t used_ = 0;
    unsigned blocksMapped_ = 0;
};

thread_local ThreadPool pool;
} // namespace

void* CellPool::allocate(size_t bytes)
{
    assert(bytes <= largestPiece);
    if (bytes == 0)
        bytes = 8; // a piece of its own, as the heap gives
    return pool.allocate(bytes);
}

void CellPool::release(void* piece)
{
    const auto address = reinterpret_cast<uintptr_t>(piece);
    releaseBlock(reinterpret_cast<BlockHeader*>(address & ~(blockSize - 1)));
}
