#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/render/painter.hpp"

struct wl_buffer;
struct wl_shm;

namespace sonaris::platform::desktop::wayland {

// One ARGB8888 picture in shared memory that the compositor reads from. It is busy from the
// moment it is attached until the compositor releases it, and must not be drawn into meanwhile.
class ShmBuffer {
  public:
    // Nothing when the memory cannot be had.
    static std::unique_ptr<ShmBuffer> create(wl_shm* shm, int width, int height);
    ~ShmBuffer();
    ShmBuffer(const ShmBuffer&) = delete;
    ShmBuffer& operator=(const ShmBuffer&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    bool busy() const { return busy_; }
    wl_buffer* buffer() const { return buffer_; }

    // Copies a raster of this buffer's size in and marks the buffer busy. Cairo's premultiplied
    // ARGB32 is wl_shm's ARGB8888 on a little-endian machine, so rows are copied as they are.
    void fill(const render::Raster& raster);
    // Marks the buffer busy again when it is attached once more as it is.
    void reattached() { busy_ = true; }

  private:
    ShmBuffer() = default;
    static void released(void* data, wl_buffer* buffer);

    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
    std::size_t size_ = 0;
    std::uint8_t* memory_ = nullptr;  // mapped; unmapped by the destructor
    wl_buffer* buffer_ = nullptr;     // destroyed by the destructor
    bool busy_ = false;
};

}  // namespace sonaris::platform::desktop::wayland
