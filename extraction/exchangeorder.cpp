#include "extraction/exchangeorder.h"

#include <algorithm>
#include <utility>

// How the exchange sort treats equal keys. Pass i moves the entry at i forward onto the next
// strictly smaller key, and so on along that chain, bringing the first smallest entry to i.
// Entries with larger keys never change the relative order of those with smaller or equal
// keys, so the entries of one key v can be followed among the entries of keys ≤ v alone.
// There, walking the original order, the v entries form a queue: a v entry joins at the
// back, and every smaller entry met while the queue is non-empty moves its front entry to
// the back. The final queue is their sorted order. Undoing that process from the end puts
// each entry on its final place with a count of free places (a Fenwick tree).

namespace {

// Counts over positions 0 … n−1, with prefix sums and "k-th set position" in O(log n).
class FenwickTree {
public:
    explicit FenwickTree(int size) : tree_(size_t(size) + 1, 0) {}

    void add(int position, int delta)
    {
        for (size_t i = size_t(position) + 1; i < tree_.size(); i += i & (~i + 1))
            tree_[i] += delta;
    }

    // Sum over positions 0 … end−1.
    int prefix(int end) const
    {
        int sum = 0;
        for (size_t i = size_t(end); i > 0; i -= i & (~i + 1))
            sum += tree_[i];
        return sum;
    }

    // The position of the (rank+1)-th set entry, counting from 0 (entries are 0 or 1).
    int findByRank(int rank) const
    {
        size_t position = 0;
        size_t step = 1;
        while (step * 2 < tree_.size())
            step *= 2;
        for (; step > 0; step /= 2) {
            if (position + step < tree_.size() && tree_[position + step] <= rank) {
                position += step;
                rank -= tree_[position];
            }
        }
        return int(position);
    }

private:
    std::vector<int> tree_;
};

// Places the entries of one key (original indexes ascending) into `sorted`, given for each
// the number of smaller keys that follow it before the next entry of its key (or the end).
void placeEqualKeys(const std::vector<int>& entries, const std::vector<int>& smallerAfter, int* sorted)
{
    const int count = int(entries.size());
    FenwickTree freePlaces(count);
    for (int place = 0; place < count; ++place)
        freePlaces.add(place, 1);
    int size = count;
    int front = 0; // rank of the queue's front among the free places
    for (int t = count - 1; t >= 0; --t) {
        front = int((front + size - smallerAfter[size_t(t)] % size) % size);
        const int back = (front + size - 1) % size;
        const int place = freePlaces.findByRank(back);
        sorted[place] = entries[size_t(t)];
        freePlaces.add(place, -1);
        if (back < front)
            --front;
        --size;
    }
}

} // namespace

std::vector<int> exchangeSortOrder(const std::vector<int32_t>& keys)
{
    const int n = int(keys.size());
    // Ascending keys, equal keys by original position.
    std::vector<std::pair<int32_t, int>> keyed(keys.size());
    for (int i = 0; i < n; ++i)
        keyed[size_t(i)] = {keys[size_t(i)], i};
    std::sort(keyed.begin(), keyed.end());
    std::vector<int> byKey(keys.size());
    for (int i = 0; i < n; ++i)
        byKey[size_t(i)] = keyed[size_t(i)].second;

    std::vector<int> sorted(keys.size());
    FenwickTree smallerKeys(n); // original positions of the keys below the current one
    std::vector<int> entries;
    std::vector<int> smallerAfter;
    for (int groupStart = 0; groupStart < n;) {
        int groupEnd = groupStart;
        while (groupEnd < n && keys[byKey[groupEnd]] == keys[byKey[groupStart]])
            ++groupEnd;
        entries.assign(byKey.begin() + groupStart, byKey.begin() + groupEnd);
        smallerAfter.resize(entries.size());
        for (size_t t = 0; t < entries.size(); ++t) {
            const int next = t + 1 < entries.size() ? entries[t + 1] : n;
            smallerAfter[t] = smallerKeys.prefix(next) - smallerKeys.prefix(entries[t] + 1);
        }
        placeEqualKeys(entries, smallerAfter, sorted.data() + groupStart);
        for (int entry : entries)
            smallerKeys.add(entry, 1);
        groupStart = groupEnd;
    }
    return sorted;
}
