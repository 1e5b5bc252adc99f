#pragma once

#include <cstdint>
#include <memory>

struct wl_compositor;
struct wl_cursor;
struct wl_cursor_theme;
struct wl_pointer;
struct wl_shm;
struct wl_surface;

namespace sonaris::platform::desktop::wayland {

enum class CursorShape { arrow, hand };

// The pointer's look over the widget, from the user's cursor theme (XCURSOR_THEME, XCURSOR_SIZE)
// through libwayland-cursor: Debian 12's wayland-protocols (1.31) has no cursor-shape protocol
// to ask the compositor for one by name.
class PointerCursors {
  public:
    // Nothing when neither the theme nor libwayland-cursor's own cursors have an arrow; the
    // compositor's cursor then stays as it is.
    static std::unique_ptr<PointerCursors> load(wl_compositor* compositor, wl_shm* shm,
                                                int outputScale);
    ~PointerCursors();
    PointerCursors(const PointerCursors&) = delete;
    PointerCursors& operator=(const PointerCursors&) = delete;

    // Shows `shape` for the pointer that entered one of our surfaces with `enterSerial`.
    void show(wl_pointer* pointer, std::uint32_t enterSerial, CursorShape shape);

  private:
    PointerCursors() = default;

    struct ThemeDeleter {
        void operator()(wl_cursor_theme* theme) const;
    };
    struct SurfaceDeleter {
        void operator()(wl_surface* surface) const;
    };
    std::unique_ptr<wl_cursor_theme, ThemeDeleter> theme_;
    std::unique_ptr<wl_surface, SurfaceDeleter> surface_;
    wl_cursor* arrow_ = nullptr;
    wl_cursor* hand_ = nullptr;
    int scale_ = 1;
};

}  // namespace sonaris::platform::desktop::wayland
