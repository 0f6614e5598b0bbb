#pragma once

// Where a saved document goes. A regular file, or a new one, is written beside the target under
// a temporary name and renamed over it only once every byte was written, so a save that fails
// leaves an existing file as it was. A target that exists and is not a regular file (a device, a
// pipe) is written directly: renaming over it would replace the node itself (opening a pipe
// waits for its reader). A symbolic link is followed, so the file it names is replaced and the
// link stays.
//
//   SaveTarget target;
//   if (target.open("/home/ann/report.xls"))
//       bool saved = target.save([&](ImageWriter& out) { out.append(bytes, n); return true; });

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace xls {

class ImageWriter;

// Owns one file descriptor.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(int fd) : fd_(fd) {}
    FileHandle(FileHandle&& other) noexcept : fd_(other.release()) {}
    FileHandle& operator=(FileHandle&& other) noexcept;
    ~FileHandle() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release();
    // Closes the descriptor; false when closing reported an error (a write that failed late).
    bool reset();

private:
    int fd_ = -1;
};

class SaveTarget {
public:
    // False when no file can be made at `path`: its folder is missing or is not a folder, or the
    // path names a folder, a file the user may not write, or a node that cannot be opened.
    bool open(const std::string& path);
    // A target in memory: each save replaces memoryImage(). For checks that save many documents.
    void openInMemory();
    void close();
    bool isOpen() const { return !path_.empty() || inMemory_; }
    const std::vector<uint8_t>& memoryImage() const { return directImage_; }

    // Writes one complete image through `writeImage` and makes it the target's content. True
    // only when every byte was written and, for a regular file, the file was closed and renamed
    // into place; otherwise the target keeps what it had.
    bool save(const std::function<bool(ImageWriter&)>& writeImage);
    // Why the last open() or save failed, as an errno value; 0 when it succeeded or the save
    // failed for a reason of its content (the image could not be produced).
    int error() const { return error_; }

    // Reads bytes of the image last saved (for the parts of a document that did not change).
    bool readSaved(uint64_t offset, uint8_t* out, size_t length) const;

private:
    bool saveDirectly(const std::function<bool(ImageWriter&)>& writeImage);
    FileHandle createTemporaryFile(std::string& name) const;

    std::string path_; // the target, symbolic links resolved
    std::string folder_;
    FileHandle direct_; // the target itself, when it is not a regular file
    bool inMemory_ = false;
    std::vector<uint8_t> directImage_; // what was last written to it, or the image in memory
    FileHandle saved_;                 // read-only, the file last renamed into place
    int error_ = 0;
};

} // namespace xls
