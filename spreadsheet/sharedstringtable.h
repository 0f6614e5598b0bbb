#pragma once

// The shared string table (SST): every distinct cell text of the workbook once, in the order
// the sheets first use it; LABELSST cells refer to a text by its index here. Narrow texts
// are stored one byte per character, wide texts as UTF-16, and the two are kept apart: the
// same characters given once narrow and once wide are two entries.
//
// The table is usually far longer than one record body, so it is cut into CONTINUE records.
// A text that would start with fewer than 12 bytes left in a record moves whole into the
// next one; otherwise it is cut at the record end and its flags byte is repeated at the
// start of the CONTINUE. UTF-16 texts are cut between code units, and never between the two
// halves of a surrogate pair.

#include "spreadsheet/celltext.h"
#include "spreadsheet/hugepageallocator.h"
#include "spreadsheet/record.h"
#include "spreadsheet/streamoutput.h"

#include <vector>

namespace xls {

class SharedStringTable : public Record {
public:
    using TextList = std::vector<const CellText*, HugePageAllocator<const CellText*>>;

    SharedStringTable();

    void clear();
    // Prepares for that many more narrow and wide text cells, so the lookup never has to grow.
    void reserve(size_t narrowCells, size_t wideCells);
    // Counts one text cell and returns its text's index, appending the text when it is new.
    // The table refers to `text`, which must outlive the table's next write.
    uint32_t addCell(const CellText& text);
    // Fetches the memory addCell(text) will look at, for a caller walking many cells to ask
    // for ahead of adding them. Out of line on purpose: the compiler drops a loop of inline
    // prefetches as having no effect.
    void prefetch(const CellText& text) const;
    // Frees the lookup once every cell is added; the next addCell() builds it again.
    void releaseLookup();

    // A table too big for one stream (over 2 GB): the document cannot be saved.
    bool overflowed() const { return overflowed_; }
    uint32_t totalCount() const { return totalCount_; }
    uint32_t uniqueCount() const { return static_cast<uint32_t>(strings_.size()); }

    uint32_t dataSize() override { return size_; }
    uint32_t recordSize() override;
    // Writes straight into the stream: the table is never built as a separate body.
    size_t write(uint8_t* out) override;
    // The same, in pieces of a bounded size: a table of many texts never needs its full size
    // of memory at once.
    size_t write(StreamOutput& out);

private:
    // Open addressing over indices into strings_, one table per text width. A slot holds
    // index + 1 in its low `indexBits` bits (0: free) and, above them, a few bits of the
    // text's hash, so that a probe rarely has to compare the texts themselves.
    // The text's own hash in both halves: the low bits choose a slot, the high ones tag it.
    static size_t hashOf(const CellText& text) { return (uint64_t(text.hash()) << 32) | text.hash(); }

    class Lookup {
    public:
        void clear();
        void prefetch(size_t hash) const
        {
            if (!slots_.empty())
                __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]);
        }
        // The index of an equal text, or the new index `candidate` after recording it.
        uint32_t findOrInsert(const CellText& text, size_t hash, uint32_t candidate, const TextList& strings,
                              unsigned indexBits);
        // Grows the slots when one more entry would fill more than half of them.
        void makeRoom(const TextList& strings, bool wide, unsigned indexBits);
        // Rebuilds the slots for at least `count` entries with `indexBits` index bits.
        void rebuild(size_t count, const TextList& strings, bool wide, unsigned indexBits);

    private:
        std::vector<uint32_t, HugePageAllocator<uint32_t>> slots_;
        size_t count_ = 0;
    };

    // Makes room for `count` strings in all: more index bits in the slots when needed.
    void growIndexTo(size_t count);

    // Adds a new text to the size and CONTINUE offsets.
    void place(const CellText& text);

    TextList strings_;
    Lookup narrowLookup_;
    Lookup wideLookup_;
    unsigned indexBits_ = 0; // slots hold index + 1 below 2^indexBits_
    uint32_t totalCount_ = 0;
    bool overflowed_ = false;
    uint32_t size_ = 8;               // body bytes so far: the two counts and the texts
    uint32_t limit_ = Biff::maxChunk; // body offset where the current record ends
};

} // namespace xls
