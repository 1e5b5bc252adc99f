#pragma once

#include <concepts>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/foundation/date.hpp"
#include "platform/runtime/timeline.hpp"
#include "platform/ui/environment.hpp"
#include "platform/ui/view.hpp"
#include "platform/ui/views.hpp"

namespace sonaris::platform::runtime {

// One entry as the runtime handles it, whatever the widget's entry type.
struct AnyEntry {
    foundation::Date date;
    // Builds the entry's view; the runtime sets the environment (the family) around the call.
    std::function<ui::ViewNode()> view;
    // Writes the entry's own members as JSON object members, without braces, for the commands
    // that print the entry; only they pay for it, and a large entry never exists as one string.
    // Unset: the entry has no members of its own.
    std::function<void(std::ostream&)> writeJsonMembers;
    // Whether `other`, an entry of the same widget, shows exactly what this one does, so that
    // the live widget need not draw it again. Unset: never assumed.
    std::function<bool(const AnyEntry& other)> showsSameAs;
    // The widget's own entry behind the functions above.
    std::shared_ptr<const void> value;
};

struct AnyTimeline {
    std::vector<AnyEntry> entries;
    TimelineReloadPolicy policy;
};

// A widget's declaration as the runtime needs it.
struct WidgetConfiguration {
    std::string kind;
    std::string displayName;
    std::string descriptionText;
    std::vector<ui::WidgetFamily> families;

    std::function<AnyEntry(const TimelineProviderContext&)> placeholder;
    std::function<AnyEntry(const TimelineProviderContext&)> snapshot;
    std::function<AnyTimeline(const TimelineProviderContext&)> timeline;

    // The folders the host writes into, asked for when the live widget starts: a change in one of
    // them makes the runtime ask for a new timeline at once instead of waiting for the reload
    // date. Unset: only the widget's container folder (~/Library/Containers/<kind>/Data/Documents).
    std::function<std::vector<std::filesystem::path>()> hostFolders;

    WidgetConfiguration configurationDisplayName(const ui::LocalizedStringKey& name) && {
        displayName = ui::localized(name);
        return std::move(*this);
    }
    WidgetConfiguration description(const ui::LocalizedStringKey& text) && {
        descriptionText = ui::localized(text);
        return std::move(*this);
    }
    WidgetConfiguration supportedFamilies(std::vector<ui::WidgetFamily> supported) && {
        families = std::move(supported);
        return std::move(*this);
    }
    WidgetConfiguration watchingHostFolders(
        std::function<std::vector<std::filesystem::path>()> folders) && {
        hostFolders = std::move(folders);
        return std::move(*this);
    }
};

// A static configuration of a provider and a content function. The entry type must have a
// `date` and a function `writeEntryJsonMembers(std::ostream&, const Entry&)` found by
// argument-dependent lookup; a function `sameContent(const Entry&, const Entry&)` found the same
// way, where there is one, lets the live widget skip drawing an entry it shows already.
template <class Provider, class Content>
WidgetConfiguration StaticConfiguration(std::string kind, Provider provider, Content content) {
    using Entry = decltype(provider.placeholder(std::declval<TimelineProviderContext>()));
    auto erase = [content](Entry entry) {
        // Shared, not copied: an entry may hold megabytes of cover, and the runtime copies the
        // functions around it freely.
        auto shared = std::make_shared<const Entry>(std::move(entry));
        AnyEntry any{shared->date, {}, {}};
        any.view = [content, shared]() { return ui::ViewNode(content(*shared)); };
        any.writeJsonMembers = [shared](std::ostream& out) { writeEntryJsonMembers(out, *shared); };
        if constexpr (requires(const Entry& entry) {
                          { sameContent(entry, entry) } -> std::convertible_to<bool>;
                      }) {
            any.showsSameAs = [shared](const AnyEntry& other) {
                const auto* entry = static_cast<const Entry*>(other.value.get());
                return entry && sameContent(*shared, *entry);
            };
        }
        any.value = shared;
        return any;
    };
    WidgetConfiguration configuration;
    configuration.kind = std::move(kind);
    configuration.placeholder = [provider, erase](const TimelineProviderContext& context) {
        return erase(provider.placeholder(context));
    };
    configuration.snapshot = [provider, erase](const TimelineProviderContext& context) {
        std::optional<AnyEntry> result;
        provider.getSnapshot(context, [&](Entry entry) { result = erase(std::move(entry)); });
        return std::move(*result);
    };
    configuration.timeline = [provider, erase](const TimelineProviderContext& context) {
        AnyTimeline result;
        provider.getTimeline(context, [&](Timeline<Entry> timeline) {
            for (auto& entry : timeline.entries)
                result.entries.push_back(erase(std::move(entry)));
            result.policy = timeline.policy;
        });
        return result;
    };
    return configuration;
}

}  // namespace sonaris::platform::runtime
