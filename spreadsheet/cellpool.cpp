#include "spreadsheet/cellpool.h"

#include <atomic>
#include <cassert>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <new>
#include <sys/mman.h>

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

// Blocks a warm-up mapped and faulted in ahead of need, for whichever thread needs one next.
class PreparedBlocks {
public:
    void add(BlockHeader* block)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        blocks_.push_back(block);
    }
    BlockHeader* take()
    {
        BlockHeader* block = nullptr;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (blocks_.empty())
                return nullptr;
            block = blocks_.front();
            blocks_.pop_front();
        }
        taken_.notify_all();
        return block;
    }
    // Waits until fewer than `count` blocks are ready, or `stop` is set.
    void waitForFewerThan(size_t count, const std::atomic<bool>& stop)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        taken_.wait(lock, [&] { return blocks_.size() < count || stop.load(); });
    }
    // Wakes a waiter to look at its stop flag again; taking the lock first means the waiter
    // is either before its check or already waiting, so the wake is never missed.
    void wake()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
        }
        taken_.notify_all();
    }
    // Gives back the blocks nobody took.
    void release()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (BlockHeader* block : blocks_)
            unmapBlock(block);
        blocks_.clear();
    }

private:
    std::mutex mutex_;
    std::condition_variable taken_;
    std::deque<BlockHeader*> blocks_;
};

PreparedBlocks prepared;

// Huge-page blocks come from a warm-up when it has one ready.
BlockHeader* nextBlock(bool hugePages)
{
    if (hugePages)
        if (BlockHeader* block = prepared.take())
            return block;
    return mapBlock(hugePages);
}

class ThreadPool {
public:
    ~ThreadPool() { retireBlock(current_, carved_); }

    void* allocate(size_t bytes)
    {
        bytes = (bytes + 7) & ~size_t(7);
        if (!current_ || used_ + bytes > blockSize) {
            BlockHeader* next = nextBlock(blocksMapped_++ > 0);
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

CellPool::Warmup::Warmup(size_t bytes)
{
    // A few blocks ahead of the pool's use, so that little memory is faulted in for nothing.
    constexpr size_t lead = 3;
    const size_t blocks = (bytes + blockSize - 1) / blockSize;
    worker_ = std::thread([this, blocks] {
        for (size_t i = 0; i < blocks; ++i) {
            prepared.waitForFewerThan(lead, stop_);
            if (stop_)
                break;
            BlockHeader* block = mapBlock(true);
            // A write faults a page in; on huge pages the first one maps the whole block.
            auto* bytes = reinterpret_cast<volatile uint8_t*>(block);
            for (size_t offset = 4096; offset < blockSize; offset += 4096)
                bytes[offset] = 0;
            prepared.add(block);
        }
    });
}

CellPool::Warmup::~Warmup()
{
    stop_ = true;
    prepared.wake();
    worker_.join();
    prepared.release();
}
