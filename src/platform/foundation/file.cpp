#include "platform/foundation/file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

namespace sonaris::platform::foundation {

namespace {

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor& operator=(FileDescriptor&&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

// Opens `path` for reading only when it is a regular file. O_NONBLOCK keeps the open itself from
// waiting for a writer when a named pipe sits at the path.
std::optional<std::pair<FileDescriptor, std::size_t>> openRegularFile(
    const std::filesystem::path& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    FileDescriptor file(fd);
    if (fd < 0)
        return std::nullopt;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0)
        return std::nullopt;
    return std::pair<FileDescriptor, std::size_t>(std::move(file),
                                                  static_cast<std::size_t>(status.st_size));
}

// Growable byte buffers for readToEnd. The raw one leaves its spare room uninitialised, since the
// read fills it, and takes a large one's pages in one piece; the vector one zero-fills, a cost
// worth paying only for small files.
struct RawBuffer {
    ByteBlock bytes;

    std::uint8_t* data() { return bytes.data(); }
    std::size_t capacity() const { return bytes.size(); }
    void grow(std::size_t newCapacity, std::size_t keep) {
        ByteBlock bigger(newCapacity);
        if (keep)
            std::memcpy(bigger.data(), bytes.data(), keep);
        bytes = std::move(bigger);
    }
};

struct VectorBuffer {
    std::vector<std::uint8_t> bytes;

    std::uint8_t* data() { return bytes.data(); }
    std::size_t capacity() const { return bytes.size(); }
    void grow(std::size_t newCapacity, std::size_t) { bytes.resize(newCapacity); }
};

// Reads until end of file. The size from fstat is only a first guess: the file may grow or
// shrink while it is read, and files of /proc report 0. `padding` bytes stay free at the end.
template <class Buffer>
std::optional<std::size_t> readToEnd(int fd, std::size_t expected, std::size_t padding,
                                     std::size_t limit, Buffer& buffer) {
    const std::size_t maxSize = std::min(limit, std::size_t{1} << 62);
    if (expected > maxSize)
        return std::nullopt;
    // At least one byte of room beyond the expected size, so that end of file is seen by a read
    // that returns 0 rather than by a full buffer.
    buffer.grow(expected + std::max<std::size_t>(padding, 1), 0);
    std::size_t size = 0;
    for (;;) {
        if (size == buffer.capacity()) {
            if (size > maxSize)
                return std::nullopt;
            // Never more room than the limit allows, so a file that keeps growing costs no more
            // than one of the largest size accepted.
            buffer.grow(std::min(size + std::max<std::size_t>(size, 64 * 1024),
                                 maxSize + std::max<std::size_t>(padding, 1)),
                        size);
        }
        const ssize_t count = ::read(fd, buffer.data() + size, buffer.capacity() - size);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (count == 0)
            break;
        size += static_cast<std::size_t>(count);
        if (size > maxSize)
            return std::nullopt;
    }
    if (buffer.capacity() - size < padding)
        buffer.grow(size + padding, size);
    return size;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::filesystem::path& path,
                                                       std::size_t maxBytes) {
    auto opened = openRegularFile(path);
    if (!opened || opened->second > maxBytes)
        return std::nullopt;
    try {
        VectorBuffer buffer;
        const auto size = readToEnd(opened->first.get(), opened->second, 0, maxBytes, buffer);
        if (!size)
            return std::nullopt;
        buffer.bytes.resize(*size);
        return std::move(buffer.bytes);
    } catch (const std::bad_alloc&) {
        // A file too big for memory is as unreadable as a missing one.
        return std::nullopt;
    } catch (const std::length_error&) {
        return std::nullopt;
    }
}

std::optional<PaddedBytes> readWholeFilePadded(const std::filesystem::path& path,
                                               std::size_t padding, std::size_t maxBytes) {
    auto opened = openRegularFile(path);
    if (!opened || opened->second > maxBytes)
        return std::nullopt;
    try {
        RawBuffer buffer;
        const auto size = readToEnd(opened->first.get(), opened->second, padding, maxBytes, buffer);
        if (!size)
            return std::nullopt;
        std::memset(buffer.data() + *size, 0, padding);
        PaddedBytes result;
        result.data_ = std::move(buffer.bytes);
        result.size_ = *size;
        result.capacity_ = *size + padding;
        return result;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace sonaris::platform::foundation
