#include "spreadsheet/streamoutput.h"

PiecewiseOutput::PiecewiseOutput(const StreamPieceSink& sink, size_t capacity)
    : sink_(sink), staging_(std::make_unique_for_overwrite<uint8_t[]>(capacity)), capacity_(capacity)
{
}

uint8_t* PiecewiseOutput::room(size_t length)
{
    if (used_ + length > capacity_)
        handOn();
    if (length > capacity_) {
        // A piece larger than the staging area (a huge record): grow it for good.
        staging_ = std::make_unique_for_overwrite<uint8_t[]>(length);
        capacity_ = length;
    }
    return staging_.get() + used_;
}

void PiecewiseOutput::handOn()
{
    // After a refusal the rest is still laid out, but no more goes to the receiver.
    if (used_ > 0 && !failed_)
        failed_ = !sink_(staging_.get(), used_);
    used_ = 0;
}

bool PiecewiseOutput::finish()
{
    handOn();
    return !failed_;
}
