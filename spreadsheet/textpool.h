#pragma once

// Memory for the many small cell texts of a sheet: carved one after another out of large
// blocks, which costs far less than one heap block each and keeps a full sheet's texts on few
// pages. Each thread carves from its own current block; a block counts the texts it holds and
// goes back to the system when the last of them is released, from any thread.

#include <cstddef>

namespace TextPool {
// Texts up to this many bytes come from the pool; longer ones are better off on the heap.
constexpr size_t largestPiece = 1024;

// `bytes` (at most largestPiece) of memory aligned to 8; throws std::bad_alloc.
void* allocate(size_t bytes);
void release(void* piece);
} // namespace TextPool
