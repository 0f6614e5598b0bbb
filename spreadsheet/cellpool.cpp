#include "spreadsheet/cellpool.h"

#include <atomic>
#include <cassert>
#include <cstdint>
#include <new>
#include <sys/mman.h>

namespace xls {

namespace {
// Blocks are aligned to their size, so a piece finds its block's header by masking.
constexpr size_t blockSize = size_t(2) << 20;

// While a block is a thread's current one its count holds this much more than its live
// pieces: the thread counts its carving on its own and settles the count when it moves on,
// so carving a piece needs no atomic operation.
constexpr int64_t ownerShare = int64_t(1) << 62;

struct alignas(16) BlockHeader {
    // The pieces carved from the block and not yet released, plus the owner's share.
    std::atomic<int64_t> users{ownerShare};
};

void unmapBlock(BlockHeader* block)
{
    block->~BlockHeader();
    ::munmap(block, blockSize);
}

void releasePiece(BlockHeader* block)
{
    if (block->users.fetch_sub(1, std::memory_order_acq_rel) == 1)
        unmapBlock(block);
}

// The owner moves on from `block`, having carved `carved` pieces from it.
void retireBlock(BlockHeader* block, int64_t carved)
{
    if (block &&
        block->users.fetch_add(carved - ownerShare, std::memory_order_acq_rel) + carved - ownerShare == 0)
        unmapBlock(block);
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
    ~ThreadPool() { retireBlock(current_, carved_); }

    void* allocate(size_t bytes)
    {
        bytes = (bytes + 7) & ~size_t(7);
        if (!current_ || used_ + bytes > blockSize) {
            BlockHeader* next = mapBlock(blocksMapped_++ > 0);
            retireBlock(current_, carved_);
            current_ = next;
            used_ = sizeof(BlockHeader);
            carved_ = 0;
        }
        ++carved_;
        void* piece = reinterpret_cast<uint8_t*>(current_) + used_;
        used_ += bytes;
        return piece;
    }

private:
    BlockHeader* current_ = nullptr;
    size_t used_ = 0;
    int64_t carved_ = 0;
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
    releasePiece(reinterpret_cast<BlockHeader*>(address & ~(blockSize - 1)));
}

} // namespace xls
