#pragma once

// The generated client code of every protocol the widget speaks. The layer shell names an
// argument `namespace`, a C++ keyword, so the name is changed for the header's declarations
// only; the wire knows nothing of argument names.
#include <wayland-client.h>

// clang warns of any macro named like a keyword; this one is meant and lives for one include.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wkeyword-macro"
#endif
#define namespace namespace_
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace
#if defined(__clang__)
#pragma clang diagnostic pop
#endif

#include "fractional-scale-v1-client-protocol.h"
#include "relative-pointer-unstable-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"
