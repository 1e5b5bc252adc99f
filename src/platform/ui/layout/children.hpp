#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "platform/ui/layout/engine.hpp"

namespace sonaris::platform::ui::layout_engine {

// A container's children as its layout sees them: the rows of a ForEach stand in for the
// ForEach itself, as if they were the container's own children.
std::vector<NodeRef> flattenedChildren(const NodeRef& container, std::optional<Axis> stackAxis);

// Builds the laid-out children of `container` from the proposals and frames its layout chose
// for the flattened children, keeping each ForEach as a node whose frame is the union of its
// rows' frames.
void emitChildren(Engine& engine, LaidOutView& out, const NodeRef& container,
                  const std::vector<NodeRef>& items, const std::vector<ProposedSize>& proposals,
                  const std::vector<Rect>& frames);

}  // namespace sonaris::platform::ui::layout_engine
