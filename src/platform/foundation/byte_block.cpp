#include "platform/foundation/byte_block.hpp"

#include <sys/mman.h>

#include <new>
#include <utility>

namespace sonaris::platform::foundation {

namespace {

// Below this a block comes from the heap, whose pages are mostly in place already.
constexpr std::size_t kMappedFrom = 256 * 1024;

}  // namespace

ByteBlock::ByteBlock(std::size_t size) : size_(size) {
    if (size >= kMappedFrom) {
        void* mapped = ::mmap(nullptr, size, PROT_READ | PROT_WRITE,
                              MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        if (mapped == MAP_FAILED)
            throw std::bad_alloc();
        data_ = static_cast<std::uint8_t*>(mapped);
        mapped_ = true;
    } else {
        data_ = new std::uint8_t[size];
    }
}

ByteBlock::ByteBlock(ByteBlock&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, false)) {}

ByteBlock& ByteBlock::operator=(ByteBlock&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        mapped_ = std::exchange(other.mapped_, false);
    }
    return *this;
}

ByteBlock::~ByteBlock() {
    release();
}

void ByteBlock::release() {
    if (!data_)
        return;
    if (mapped_)
        ::munmap(data_, size_);
    else
        delete[] data_;
    data_ = nullptr;
}

}  // namespace sonaris::platform::foundation
