#pragma once

// Finding views in a laid-out tree, for tests of where the layouts put things.

#include <functional>
#include <vector>

#include "platform/ui/layout.hpp"
#include "tree_query.hpp"

namespace sonaris::testing {

inline void visitLaidOut(const ui::LaidOutView& view,
                         const std::function<void(const ui::LaidOutView&)>& f) {
    f(view);
    for (const auto& content : view.modifierContent)
        if (content)
            visitLaidOut(*content, f);
    for (const auto& child : view.children)
        visitLaidOut(child, f);
}

inline std::vector<const ui::LaidOutView*> findLaidOut(
    const ui::LayoutResult& result, const std::function<bool(const ViewNode&)>& match) {
    std::vector<const ui::LaidOutView*> found;
    visitLaidOut(result.tree, [&](const ui::LaidOutView& view) {
        if (view.node && match(*view.node))
            found.push_back(&view);
    });
    return found;
}

inline std::vector<const ui::LaidOutView*> laidOutOfType(const ui::LayoutResult& result,
                                                         ViewType type) {
    return findLaidOut(result, [type](const ViewNode& n) { return n.type == type; });
}

inline std::vector<const ui::LaidOutView*> laidOutLinks(const ui::LayoutResult& result) {
    return laidOutOfType(result, ViewType::Link);
}

// A laid-out view whose node has a modifier of type M.
template <class M>
std::vector<const ui::LaidOutView*> laidOutWith(const ui::LayoutResult& result) {
    return findLaidOut(result, [](const ViewNode& n) { return n.find<M>() != nullptr; });
}

}  // namespace sonaris::testing
