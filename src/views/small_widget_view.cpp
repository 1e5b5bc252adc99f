#include "views/small_widget_view.hpp"

#include "platform/ui/views.hpp"
#include "state/host_contract.hpp"
#include "views/control_labels.hpp"
#include "views/controls.hpp"
#include "views/cover.hpp"
#include "views/palette.hpp"
#include "views/progress_bar.hpp"

namespace sonaris::views {

using namespace platform::ui;

namespace {

constexpr double coverSide = 54;
constexpr double coverRadius = 10;

ViewNode StatusRow(bool isPlaying) {
    return HStack(VerticalAlignment::center, 6,
                  {
                      StatusDot(isPlaying ? corvaRuby() : Color::gray().opacity(0.6), 7)
                          .shadow(isPlaying ? corvaRuby().opacity(0.8) : Color::clear(), 4, 0, 0),
                      Text("Sonaris"_key)
                          .font(Font::system(11, FontWeight::bold, FontDesign::rounded))
                          .foregroundColor(Color::white()),
                      Spacer(),
                      Image(isPlaying ? "waveform" : "play.fill")
                          .font(Font::system(10, FontWeight::semibold))
                          .foregroundColor(isPlaying ? corvaRuby() : Color::gray()),
                  });
}

ViewNode CoverBlock(const timeline::SonarisEntry& entry) {
    if (entry.artwork)
        return CoverArt(*entry.artwork, coverSide, coverRadius)
            .shadow(Color::black().opacity(0.5), 6, 0, 3);
    return ZStack(Alignment::center(),
                  {
                      CoverPlaceholderCard(corvaCardBg(), coverSide, coverRadius),
                      CoverPlaceholderGlyph("music.note", 20),
                  });
}

ViewNode TitleBlock(const state::WidgetSharedState& state) {
    return VStack(HorizontalAlignment::leading, 2,
                  {
                      Text(state.title)
                          .font(Font::system(12, FontWeight::semibold))
                          .foregroundColor(Color::white())
                          .lineLimit(1),
                      Text(state.artist)
                          .font(Font::system(10, FontWeight::regular))
                          .foregroundColor(corvaMuted())
                          .lineLimit(1),
                  });
}

// The cover again, faint and blurred, filling the tile behind everything.
std::optional<ViewNode> Backdrop(const timeline::SonarisEntry& entry) {
    if (!entry.artwork)
        return std::nullopt;
    return Image(*entry.artwork)
        .resizable()
        .aspectRatio(std::nullopt, ContentMode::fill)
        .opacity(0.18)
        .blur(12, false)
        .clipped(false);
}

}  // namespace

ViewNode SmallWidgetView::body() const {
    const auto& state = entry.state;
    const std::string_view url = state.isPlaying ? state::HostURL::toggle : state::HostURL::play;
    return ZStack(Alignment::center(),
                  {
                      ColorView(corvaDarkBg()).ignoresSafeArea(),
                      Backdrop(entry),
                      VStack(HorizontalAlignment::leading, 6,
                             {
                                 StatusRow(state.isPlaying),
                                 Spacer(4),
                                 HStack(VerticalAlignment::center, std::nullopt,
                                        {Spacer(), CoverBlock(entry), Spacer()}),
                                 Spacer(4),
                                 TitleBlock(state),
                                 ProgressBar(state),
                             })
                          .padding(12),
                  })
        .widgetURL(state::hostURL(url))
        // The whole tile is the one control.
        .accessibilityLabel(toggleLabel(state.isPlaying));
}

}  // namespace sonaris::views
