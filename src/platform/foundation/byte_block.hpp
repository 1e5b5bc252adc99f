#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace sonaris::platform::foundation {

// Memory for bytes about to be written whole (a file being read): not initialised by the
// program. A large block is mapped from the kernel with all its pages in place, in one call:
// touched a page at a time instead, each page costs a fault, and those faults cost more than
// reading a cover file.
class ByteBlock {
  public:
    ByteBlock() = default;
    // Throws std::bad_alloc when there is no memory for it.
    explicit ByteBlock(std::size_t size);
    ByteBlock(ByteBlock&& other) noexcept;
    ByteBlock& operator=(ByteBlock&& other) noexcept;
    ByteBlock(const ByteBlock&) = delete;
    ByteBlock& operator=(const ByteBlock&) = delete;
    ~ByteBlock();

    std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

  private:
    void release();

    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    bool mapped_ = false;
};

}  // namespace sonaris::platform::foundation
