#pragma once

// Where the records of a stream are written: either one buffer that holds the whole stream,
// or a staging buffer handed on piece by piece once full, so that a stream of any size needs
// only a fixed amount of memory. Writers ask for room before each piece of records they
// emit, at most an upper bound of what the piece takes, then commit what they used.
//
//   uint8_t* at = out.room(record.recordSize());
//   out.commit(record.write(at));

#include <cstddef>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>

namespace xls {

class StreamOutput {
public:
    virtual ~StreamOutput() = default;
    // `length` bytes to write at the current end of the stream; valid until commit().
    virtual uint8_t* room(size_t length) = 0;
    // The stream grew by `length` bytes of the last room.
    virtual void commit(size_t length) = 0;
    // False once the receiver refused a piece: the stream cannot be completed.
    virtual bool failed() const { return false; }
};

// The whole stream in one buffer the caller sized for it.
class BufferOutput : public StreamOutput {
public:
    explicit BufferOutput(uint8_t* buffer) : cursor_(buffer) {}
    uint8_t* room(size_t) override { return cursor_; }
    void commit(size_t length) override { cursor_ += length; }
    uint8_t* end() const { return cursor_; }

private:
    uint8_t* cursor_;
};

// Hands the stream on in pieces: each piece stays valid during its call only. The receiver
// is called on a thread of its own while the next piece is being filled, so writing a large
// stream out and producing it run side by side; it is never called for two pieces at once.
using StreamPieceSink = std::function<bool(const uint8_t* data, size_t length)>;

class PiecewiseOutput : public StreamOutput {
public:
    explicit PiecewiseOutput(const StreamPieceSink& sink, size_t capacity = size_t(1) << 20);
    // Waits for a piece still being handed on.
    ~PiecewiseOutput() override;
    uint8_t* room(size_t length) override;
    void commit(size_t length) override { filling_.used += length; }
    bool failed() const override { return failed_; }
    // Hands on what is staged and waits for it; false when the receiver refused any piece.
    bool finish();

private:
    struct Staging {
        std::unique_ptr<uint8_t[]> bytes;
        size_t capacity = 0;
        size_t used = 0;
    };
    void handOn();
    // Waits for the piece in flight; notes a refusal.
    void settle();

    const StreamPieceSink& sink_;
    Staging filling_;
    Staging handedOn_; // the piece the receiver has, while inFlight_ is valid
    std::future<bool> inFlight_;
    bool failed_ = false;
};

} // namespace xls
