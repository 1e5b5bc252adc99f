#include "platform/desktop/wayland/shm_buffer.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

#include "platform/foundation/file_descriptor.hpp"

namespace sonaris::platform::desktop::wayland {

std::unique_ptr<ShmBuffer> ShmBuffer::create(wl_shm* shm, int width, int height) {
    static_assert(std::endian::native == std::endian::little,
                  "ARGB8888 in memory is Cairo's ARGB32 only on little-endian machines");
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384)
        return nullptr;
    int stride = width * 4;
    std::size_t size = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
    foundation::FileDescriptor fd(memfd_create("sonaris-widget", MFD_CLOEXEC | MFD_ALLOW_SEALING));
    if (!fd)
        return nullptr;
    int truncated;
    do {
        truncated = ftruncate(fd.get(), static_cast<off_t>(size));
    } while (truncated < 0 && errno == EINTR);
    if (truncated < 0)
        return nullptr;
    // The compositor maps the same memory; it must never shrink under it.
    fcntl(fd.get(), F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_SEAL);
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd.get(), 0);
    if (memory == MAP_FAILED)
        return nullptr;
    std::unique_ptr<ShmBuffer> result(new ShmBuffer());
    result->width_ = width;
    result->height_ = height;
    result->stride_ = stride;
    result->size_ = size;
    result->memory_ = static_cast<std::uint8_t*>(memory);
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd.get(), static_cast<int32_t>(size));
    result->buffer_ =
        wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_ARGB8888);
    // The buffer keeps the memory; the pool is not needed once it is made.
    wl_shm_pool_destroy(pool);
    static const wl_buffer_listener listener{&ShmBuffer::released};
    wl_buffer_add_listener(result->buffer_, &listener, result.get());
    return result;
}

ShmBuffer::~ShmBuffer() {
    if (buffer_)
        wl_buffer_destroy(buffer_);
    if (memory_)
        munmap(memory_, size_);
}

void ShmBuffer::released(void* data, wl_buffer*) {
    static_cast<ShmBuffer*>(data)->busy_ = false;
}

void ShmBuffer::fill(const render::Raster& raster) {
    int rows = std::min(raster.height, height_);
    std::size_t rowBytes = static_cast<std::size_t>(std::min(raster.width, width_)) * 4;
    for (int y = 0; y < rows; ++y)
        std::memcpy(memory_ + static_cast<std::size_t>(y) * stride_,
                    raster.pixels.data() + static_cast<std::size_t>(y) * raster.stride, rowBytes);
    busy_ = true;
}

}  // namespace sonaris::platform::desktop::wayland
