#include "spreadsheet/imagewriter.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <climits>
#include <unistd.h>

namespace xls {

namespace {

constexpr size_t MaxPieces = IOV_MAX;
const uint8_t zeros[4096] = {};

} // namespace

ImageWriter::ImageWriter(int fd, std::vector<uint8_t>* copy)
    : fd_(fd), copy_(copy), scratch_(std::make_unique_for_overwrite<uint8_t[]>(ScratchSize))
{
    pieces_.reserve(MaxPieces);
}

void ImageWriter::append(const uint8_t* data, size_t length)
{
    if (length > 0)
        addPiece(data, length);
}

void ImageWriter::appendZeros(size_t length)
{
    while (length > 0) {
        const size_t piece = std::min(length, sizeof zeros);
        addPiece(zeros, piece);
        length -= piece;
    }
}

uint8_t* ImageWriter::reserve(size_t length)
{
    assert(length <= ScratchSize);
    // Flush before handing out the room, never inside addPiece() after it: a flush there would
    // reset the scratch area under a piece that is still queued, and later rooms would overwrite it.
    if (scratchUsed_ + length > ScratchSize || pieces_.size() == MaxPieces)
        flush();
    uint8_t* room = scratch_.get() + scratchUsed_;
    scratchUsed_ += length;
    addPiece(room, length);
    return room;
}

bool ImageWriter::finish()
{
    flush();
    return !failed_;
}

void ImageWriter::addPiece(const uint8_t* data, size_t length)
{
    if (pieces_.size() == MaxPieces)
        flush();
    pieces_.push_back(iovec{const_cast<uint8_t*>(data), length});
}

void ImageWriter::flush()
{
    if (copy_ && !failed_) {
        for (const iovec& piece : pieces_) {
            const auto* bytes = static_cast<const uint8_t*>(piece.iov_base);
            copy_->insert(copy_->end(), bytes, bytes + piece.iov_len);
        }
    }
    size_t first = fd_ < 0 ? pieces_.size() : 0;
    while (first < pieces_.size() && !failed_) {
        const int count = static_cast<int>(pieces_.size() - first);
        const ssize_t written = ::writev(fd_, pieces_.data() + first, count);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            failed_ = true;
            error_ = written < 0 ? errno : ENOSPC; // writing nothing at all: no room left
            break;
        }
        // A short write (a full disk, a signal) leaves the rest of the pieces for another call.
        size_t done = static_cast<size_t>(written);
        while (done > 0) {
            iovec& piece = pieces_[first];
            if (done >= piece.iov_len) {
                done -= piece.iov_len;
                ++first;
            } else {
                piece.iov_base = static_cast<uint8_t*>(piece.iov_base) + done;
                piece.iov_len -= done;
                done = 0;
            }
        }
    }
    pieces_.clear();
    scratchUsed_ = 0;
}

} // namespace xls
