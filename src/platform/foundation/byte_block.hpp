#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

namespace sonaris::platform::foundation {

// Memory for bytes about to be written whole (a file being read): not initialised by the
// program, since the read fills it. It comes from the heap: a reader that reads the same large
// file again (the live widget on each host write) gets pages that are in place already, where a
// fresh mapping would fault every page in anew.
class ByteBlock {
  public:
    ByteBlock() = default;
    // Throws std::bad_alloc when there is no memory for it.
    explicit ByteBlock(std::size_t size)
        : data_(std::make_unique_for_overwrite<std::uint8_t[]>(size)), size_(size) {}
    ByteBlock(ByteBlock&& other) noexcept
        : data_(std::move(other.data_)), size_(std::exchange(other.size_, 0)) {}
    ByteBlock& operator=(ByteBlock&& other) noexcept {
        data_ = std::move(other.data_);
        size_ = std::exchange(other.size_, 0);
        return *this;
    }

    std::uint8_t* data() const { return data_.get(); }
    std::size_t size() const { return size_; }

  private:
    std::unique_ptr<std::uint8_t[]> data_;
    std::size_t size_ = 0;
};

}  // namespace sonaris::platform::foundation
