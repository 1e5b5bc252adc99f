#include "views/large_lower_sections.hpp"

#include <algorithm>
#include <span>

#include "platform/ui/views.hpp"
#include "state/host_contract.hpp"
#include "views/control_labels.hpp"
#include "views/controls.hpp"
#include "views/palette.hpp"

namespace sonaris::views {

using namespace platform::ui;
using state::hostURL;
namespace HostURL = state::HostURL;

namespace {

// Room for two rows is all the large widget has below the tools.
constexpr std::size_t shownHistoryRows = 2;

ViewNode SectionCaption(const LocalizedStringKey& text) {
    return Text(text)
        .font(Font::system(9, FontWeight::bold))
        .foregroundColor(Color::white().opacity(0.5));
}

ViewNode HistoryRow(const state::WidgetTrackInfo& row) {
    return HStack(VerticalAlignment::center, std::nullopt,
                  {
                      Image("music.note").font(Font::system(9)).foregroundColor(corvaRuby()),
                      Text(row.title)
                          .font(Font::system(11))
                          .foregroundColor(Color::white())
                          .lineLimit(1),
                      Spacer(),
                      Text(row.artist).font(Font::system(9)).foregroundColor(corvaMuted()),
                  })
        .padding(EdgeSet::horizontal(), 8)
        .padding(EdgeSet::vertical(), 4)
        .background(ColorView(Color::white().opacity(0.04)))
        .clipShape(shapes::roundedRectangle(6))
        .accessibilityCombined();
}

}  // namespace

ViewNode SectionDivider() {
    return Divider().background(ColorView(Color::white().opacity(0.1)));
}

ViewNode ToolsHeading() {
    return SectionCaption("ИНСТРУМЕНТЫ TAVRIN"_key);
}

ViewNode ToolsRow() {
    return HStack(
        VerticalAlignment::center, 8,
        {
            Link(hostURL(HostURL::recordScreen), ToolButton(StatusDot(corvaRuby(), 8), "Экран"_key))
                .accessibilityLabel(recordScreenLabel()),
            Link(hostURL(HostURL::recordAudio),
                 ToolButton(Image("mic.fill").font(Font::system(12)).foregroundColor(corvaRuby()),
                            "Аудио"_key))
                .accessibilityLabel(recordAudioLabel()),
            Link(hostURL(HostURL::editor), ToolButton(Image("slider.horizontal.3")
                                                          .font(Font::system(12))
                                                          .foregroundColor(Color::white()),
                                                      "Монтаж"_key))
                .accessibilityLabel(editorLabel()),
        });
}

std::optional<ViewNode> HistoryHeading(const std::vector<state::WidgetTrackInfo>& recentTracks) {
    if (recentTracks.empty())
        return std::nullopt;
    return SectionCaption("ОЧЕРЕДЬ ИСТОРИИ"_key);
}

std::optional<ViewNode> HistoryList(const std::vector<state::WidgetTrackInfo>& recentTracks) {
    if (recentTracks.empty())
        return std::nullopt;
    const std::span<const state::WidgetTrackInfo> shown(
        recentTracks.data(), std::min(recentTracks.size(), shownHistoryRows));
    return VStack(HorizontalAlignment::center, 4, {ForEach(shown, HistoryRow)});
}

}  // namespace sonaris::views
