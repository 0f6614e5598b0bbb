#include "spreadsheet/streamoutput.h"

#include <system_error>

namespace xls {

PiecewiseOutput::PiecewiseOutput(const StreamPieceSink& sink, size_t capacity) : sink_(sink)
{
    filling_.bytes = std::make_unique_for_overwrite<uint8_t[]>(capacity);
    filling_.capacity = capacity;
}

PiecewiseOutput::~PiecewiseOutput()
{
    // Only waits: a failure there has no one left to hear of it.
    if (inFlight_.valid())
        inFlight_.wait();
}

uint8_t* PiecewiseOutput::room(size_t length)
{
    if (filling_.used + length > filling_.capacity)
        handOn();
    if (length > filling_.capacity) {
        // A piece larger than the staging area (a huge record): grow it for good.
        filling_.bytes = std::make_unique_for_overwrite<uint8_t[]>(length);
        filling_.capacity = length;
    }
    return filling_.bytes.get() + filling_.used;
}

void PiecewiseOutput::settle()
{
    if (inFlight_.valid() && !inFlight_.get())
        failed_ = true;
}

void PiecewiseOutput::handOn()
{
    settle();
    // After a refusal the rest is still laid out, but no more goes to the receiver.
    if (filling_.used > 0 && !failed_) {
        std::swap(filling_, handedOn_);
        const uint8_t* data = handedOn_.bytes.get();
        const size_t length = handedOn_.used;
        try {
            inFlight_ = std::async(std::launch::async, [this, data, length] { return sink_(data, length); });
        } catch (const std::system_error&) {
            // No thread to be had: the piece is handed on here.
            failed_ = !sink_(data, length);
        }
        if (!filling_.bytes) {
            filling_.bytes = std::make_unique_for_overwrite<uint8_t[]>(handedOn_.capacity);
            filling_.capacity = handedOn_.capacity;
        }
    }
    filling_.used = 0;
}

bool PiecewiseOutput::finish()
{
    settle();
    // The last piece is handed on here: nothing is left to produce beside it.
    if (filling_.used > 0 && !failed_)
        failed_ = !sink_(filling_.bytes.get(), filling_.used);
    filling_.used = 0;
    return !failed_;
}

} // namespace xls
