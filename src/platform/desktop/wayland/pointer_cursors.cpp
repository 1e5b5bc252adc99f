#include "platform/desktop/wayland/pointer_cursors.hpp"

#include <wayland-client.h>
#include <wayland-cursor.h>

#include <cstdlib>
#include <initializer_list>
#include <string>

namespace sonaris::platform::desktop::wayland {

namespace {

wl_cursor* firstOf(wl_cursor_theme* theme, std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (wl_cursor* cursor = wl_cursor_theme_get_cursor(theme, name))
            return cursor;
    return nullptr;
}

int cursorSize() {
    const char* size = std::getenv("XCURSOR_SIZE");
    int value = size ? std::atoi(size) : 0;
    return value > 0 && value <= 256 ? value : 24;
}

}  // namespace

void PointerCursors::ThemeDeleter::operator()(wl_cursor_theme* theme) const {
    wl_cursor_theme_destroy(theme);
}

void PointerCursors::SurfaceDeleter::operator()(wl_surface* surface) const {
    wl_surface_destroy(surface);
}

std::unique_ptr<PointerCursors> PointerCursors::load(wl_compositor* compositor, wl_shm* shm,
                                                     int outputScale) {
    if (!compositor || !shm)
        return nullptr;
    std::unique_ptr<PointerCursors> cursors(new PointerCursors());
    cursors->scale_ = outputScale > 0 && outputScale <= 8 ? outputScale : 1;
    const char* theme = std::getenv("XCURSOR_THEME");
    cursors->theme_.reset(wl_cursor_theme_load(theme && *theme ? theme : nullptr,
                                               cursorSize() * cursors->scale_, shm));
    if (!cursors->theme_)
        return nullptr;
    // Themes name the arrow and the hand differently; libwayland-cursor's own set has
    // "left_ptr" and "hand1".
    cursors->arrow_ = firstOf(cursors->theme_.get(), {"default", "left_ptr"});
    cursors->hand_ = firstOf(cursors->theme_.get(), {"pointer", "hand2", "hand1"});
    if (!cursors->arrow_)
        return nullptr;
    cursors->surface_.reset(wl_compositor_create_surface(compositor));
    if (!cursors->surface_)
        return nullptr;
    return cursors;
}

PointerCursors::~PointerCursors() = default;

void PointerCursors::show(wl_pointer* pointer, std::uint32_t enterSerial, CursorShape shape) {
    wl_cursor* cursor = shape == CursorShape::hand && hand_ ? hand_ : arrow_;
    if (!pointer || !cursor || cursor->image_count == 0)
        return;
    wl_cursor_image* image = cursor->images[0];
    wl_buffer* buffer = wl_cursor_image_get_buffer(image);
    if (!buffer)
        return;
    wl_pointer_set_cursor(pointer, enterSerial, surface_.get(),
                          static_cast<std::int32_t>(image->hotspot_x) / scale_,
                          static_cast<std::int32_t>(image->hotspot_y) / scale_);
    wl_surface_set_buffer_scale(surface_.get(), scale_);
    wl_surface_attach(surface_.get(), buffer, 0, 0);
    wl_surface_damage(surface_.get(), 0, 0, static_cast<std::int32_t>(image->width),
                      static_cast<std::int32_t>(image->height));
    wl_surface_commit(surface_.get());
}

}  // namespace sonaris::platform::desktop::wayland
