#pragma once

#include <cairo.h>

#include <memory>

namespace sonaris::platform::render {

// Owning handles for the Cairo objects the painter makes, so that every exit path releases them.
struct CairoContextDeleter {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
struct CairoSurfaceDeleter {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct CairoPatternDeleter {
    void operator()(cairo_pattern_t* pattern) const { cairo_pattern_destroy(pattern); }
};

using CairoContextPtr = std::unique_ptr<cairo_t, CairoContextDeleter>;
using CairoSurfacePtr = std::unique_ptr<cairo_surface_t, CairoSurfaceDeleter>;
using CairoPatternPtr = std::unique_ptr<cairo_pattern_t, CairoPatternDeleter>;

// Restores the context's graphics state when the scope ends.
class CairoSaved {
  public:
    explicit CairoSaved(cairo_t* cr) : cr_(cr) { cairo_save(cr_); }
    ~CairoSaved() { cairo_restore(cr_); }
    CairoSaved(const CairoSaved&) = delete;
    CairoSaved& operator=(const CairoSaved&) = delete;

  private:
    cairo_t* cr_;
};

}  // namespace sonaris::platform::render
