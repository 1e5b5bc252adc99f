#include "views/large_widget_view.hpp"

#include "platform/ui/views.hpp"
#include "state/host_contract.hpp"
#include "views/control_labels.hpp"
#include "views/controls.hpp"
#include "views/cover.hpp"
#include "views/large_lower_sections.hpp"
#include "views/palette.hpp"
#include "views/progress_bar.hpp"

namespace sonaris::views {

using namespace platform::ui;
using state::hostURL;
namespace HostURL = state::HostURL;

namespace {

constexpr double coverSide = 72;
constexpr double cornerRadius = 12;

ViewNode CoverBlock(const timeline::SonarisEntry& entry) {
    if (entry.artwork)
        return CoverArt(*entry.artwork, coverSide, cornerRadius);
    return CoverPlaceholderCard(corvaCardBg(), coverSide, cornerRadius)
        .overlay(CoverPlaceholderGlyph("music.note", 26), Alignment::center());
}

ViewNode InfoColumn(const state::WidgetSharedState& state) {
    return VStack(
        HorizontalAlignment::leading, 4,
        {
            HStack(
                VerticalAlignment::center, std::nullopt,
                {
                    Text("СЕЙЧАС ИГРАЕТ"_key)
                        .font(Font::system(9, FontWeight::bold))
                        .foregroundColor(corvaRuby()),
                    Spacer(),
                    state.isPlaying
                        ? MaybeView(
                              Image("waveform").font(Font::system(11)).foregroundColor(corvaRuby()))
                        : MaybeView(std::nullopt),
                }),
            Text(state.title)
                .font(Font::system(14, FontWeight::bold))
                .foregroundColor(Color::white())
                .lineLimit(1),
            Text(state.artist).font(Font::system(11)).foregroundColor(corvaMuted()).lineLimit(1),
            ProgressBar(state),
        });
}

ViewNode NowPlayingCard(const timeline::SonarisEntry& entry) {
    return HStack(VerticalAlignment::center, 14, {CoverBlock(entry), InfoColumn(entry.state)})
        .padding(10)
        .background(ColorView(corvaCardBg()))
        .clipShape(shapes::roundedRectangle(cornerRadius))
        .overlay(CardBorder(cornerRadius), Alignment::center());
}

ViewNode TransportRow(bool isPlaying) {
    const auto symbol = [](std::string name) {
        return Image(std::move(name)).font(Font::system(12));
    };
    const auto label = [](const LocalizedStringKey& text, FontWeight weight) {
        return Text(text).font(Font::system(11, weight));
    };
    return HStack(
        VerticalAlignment::center, 10,
        {
            Link(hostURL(HostURL::prev),
                 TransportButton(symbol("backward.fill"), label("Назад"_key, FontWeight::medium),
                                 corvaCardBg()))
                .accessibilityLabel(previousLabel()),
            Link(hostURL(HostURL::toggle),
                 TransportButton(symbol(isPlaying ? "pause.fill" : "play.fill"),
                                 label(isPlaying ? "Пауза"_key : "Играть"_key, FontWeight::bold),
                                 corvaRuby()))
                .accessibilityLabel(toggleLabel(isPlaying)),
            // The one button whose text leads its symbol.
            Link(hostURL(HostURL::next), TransportButton(label("Вперёд"_key, FontWeight::medium),
                                                         symbol("forward.fill"), corvaCardBg()))
                .accessibilityLabel(nextLabel()),
        });
}

}  // namespace

ViewNode LargeWidgetView::body() const {
    const auto& tracks = entry.state.recentTracks;
    return ZStack(Alignment::center(), {
                                           ColorView(corvaDarkBg()).ignoresSafeArea(),
                                           VStack(HorizontalAlignment::leading, 12,
                                                  {
                                                      NowPlayingCard(entry),
                                                      TransportRow(entry.state.isPlaying),
                                                      SectionDivider(),
                                                      ToolsHeading(),
                                                      ToolsRow(),
                                                      HistoryHeading(tracks),
                                                      HistoryList(tracks),
                                                      Spacer(0),
                                                  })
                                               .padding(14),
                                       });
}

}  // namespace sonaris::views
