#include "spreadsheet/savetarget.h"

#include "spreadsheet/imagewriter.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace xls {

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept
{
    if (this != &other) {
        reset();
        fd_ = other.release();
    }
    return *this;
}

int FileHandle::release()
{
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

bool FileHandle::reset()
{
    if (fd_ < 0)
        return true;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    return closed;
}

namespace {

std::string resolveLink(const std::string& path)
{
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
        return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return path; // a dangling link is replaced by the file
    std::string target = resolved;
    std::free(resolved);
    return target;
}

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseNameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

bool SaveTarget::open(const std::string& path)
{
    close();
    const auto refuse = [this](int error) {
        error_ = error;
        return false;
    };
    if (path.empty())
        return refuse(ENOENT);
    const std::string target = resolveLink(path);
    struct stat status;
    if (::stat(target.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode))
            return refuse(EISDIR);
        // A file the user may not write to stays as it is, as it would when written in place.
        if (::access(target.c_str(), W_OK) != 0)
            return refuse(errno);
        if (!S_ISREG(status.st_mode)) {
            direct_ = FileHandle(::open(target.c_str(), O_WRONLY | O_CLOEXEC));
            if (!direct_.valid())
                return refuse(errno);
            path_ = target;
            return true;
        }
    } else if (errno != ENOENT) {
        return refuse(errno); // e.g. a parent on the path is a regular file
    }
    const std::string folder = folderOf(target);
    if (baseNameOf(target).empty())
        return refuse(EISDIR);
    if (::stat(folder.c_str(), &status) != 0)
        return refuse(errno);
    if (!S_ISDIR(status.st_mode))
        return refuse(ENOTDIR);
    path_ = target;
    folder_ = folder;
    return true;
}

void SaveTarget::openInMemory()
{
    close();
    inMemory_ = true;
}

void SaveTarget::close()
{
    error_ = 0;
    inMemory_ = false;
    path_.clear();
    folder_.clear();
    direct_.reset();
    directImage_.clear();
    directImage_.shrink_to_fit();
    saved_.reset();
}

bool SaveTarget::save(const std::function<bool(ImageWriter&)>& writeImage)
{
    error_ = 0;
    if (!isOpen())
        return false;
    if (direct_.valid() || inMemory_)
        return saveDirectly(writeImage);

    struct stat existing;
    const bool replacing = ::stat(path_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    std::string temporaryName;
    FileHandle file = createTemporaryFile(temporaryName);
    if (!file.valid()) {
        error_ = errno;
        return false;
    }
    if (replacing)
        ::fchmod(file.get(), existing.st_mode & 07777);

    ImageWriter out(file.get());
    bool complete = writeImage(out);
    complete = out.finish() && complete;
    error_ = out.error();
    FileHandle readBack(complete ? ::open(temporaryName.c_str(), O_RDONLY | O_CLOEXEC) : -1);
    if (complete && !readBack.valid())
        error_ = errno;
    if (!file.reset() && error_ == 0)
        error_ = errno; // a write the file system refused only at close
    complete = complete && readBack.valid() && error_ == 0;
    if (complete && ::rename(temporaryName.c_str(), path_.c_str()) == 0) {
        saved_ = std::move(readBack);
        return true;
    }
    if (complete)
        error_ = errno;
    ::unlink(temporaryName.c_str());
    return false;
}

bool SaveTarget::saveDirectly(const std::function<bool(ImageWriter&)>& writeImage)
{
    if (direct_.valid())
        ::lseek(direct_.get(), 0, SEEK_SET); // fails harmlessly on a pipe
    std::vector<uint8_t> image;
    ImageWriter out(direct_.get(), &image); // -1 in memory
    bool complete = writeImage(out);
    complete = out.finish() && complete;
    error_ = out.error();
    if (complete)
        directImage_ = std::move(image);
    return complete;
}

FileHandle SaveTarget::createTemporaryFile(std::string& name) const
{
    // Hidden, beside the target, so that the rename stays within one file system.
    const std::string prefix = folder_ + "/." + baseNameOf(path_).substr(0, 64) + ".";
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x.tmp", static_cast<unsigned>(random()));
        name = prefix + suffix;
        // 0666 lets the umask decide, as for any new file.
        FileHandle file(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (file.valid() || errno != EEXIST)
            return file;
    }
    return FileHandle();
}

bool SaveTarget::readSaved(uint64_t offset, uint8_t* out, size_t length) const
{
    if (direct_.valid() || inMemory_) {
        if (offset > directImage_.size() || length > directImage_.size() - offset)
            return false;
        std::memcpy(out, directImage_.data() + offset, length);
        return true;
    }
    while (length > 0) {
        const ssize_t got = ::pread(saved_.get(), out, length, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        out += got;
        offset += static_cast<uint64_t>(got);
        length -= static_cast<size_t>(got);
    }
    return true;
}

} // namespace xls
