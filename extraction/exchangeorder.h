#pragma once

#include <cstdint>
#include <vector>

// The order in which this exchange sort leaves a sequence of keys:
//
//   for i in 0 … n−2:  for j in i+1 … n−1:  if key[i] > key[j]: swap entries i and j
//
// The sort is not stable, and the texts of one table cell follow the order it gives equal
// keys, so grid building reproduces it exactly, but in O(n log n) instead of O(n²).
// Returns the original indexes in sorted order. Example: keys {5, 5, 1} give {2, 1, 0}.
std::vector<int> exchangeSortOrder(const std::vector<int32_t>& keys);
