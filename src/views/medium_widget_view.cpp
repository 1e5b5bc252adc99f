#include "views/medium_widget_view.hpp"

#include "platform/ui/views.hpp"
#include "state/host_contract.hpp"
#include "views/control_labels.hpp"
#include "views/controls.hpp"
#include "views/cover.hpp"
#include "views/palette.hpp"
#include "views/progress_bar.hpp"

namespace sonaris::views {

using namespace platform::ui;
using state::hostURL;
namespace HostURL = state::HostURL;

namespace {

constexpr double coverSide = 96;
constexpr double coverRadius = 12;

ViewNode CoverBlock(const timeline::SonarisEntry& entry) {
    if (entry.artwork)
        return ZStack(Alignment::center(), {CoverArt(*entry.artwork, coverSide, coverRadius)
                                                .shadow(Color::black().opacity(0.5), 8, 0, 4)});
    const LinearGradient gradient{Gradient{{corvaCardBg(), Color::black()}},
                                  UnitPoint::topLeading(), UnitPoint::bottomTrailing()};
    return ZStack(Alignment::center(), {CoverPlaceholderCard(gradient, coverSide, coverRadius)
                                            .overlay(CoverPlaceholderGlyph("play.circle.fill", 36),
                                                     Alignment::center())});
}

ViewNode StatusRow(bool isPlaying) {
    return HStack(VerticalAlignment::center, std::nullopt,
                  {
                      HStack(VerticalAlignment::center, 5,
                             {
                                 StatusDot(isPlaying ? corvaRuby() : Color::gray().opacity(0.5), 6),
                                 Text("Sonaris"_key)
                                     .font(Font::system(10, FontWeight::bold, FontDesign::rounded))
                                     .foregroundColor(corvaRuby()),
                             }),
                      Spacer(),
                      isPlaying ? MaybeView(Text("ВОСПРОИЗВЕДЕНИЕ"_key)
                                                .font(Font::system(8, FontWeight::bold))
                                                .foregroundColor(Color::white().opacity(0.4)))
                                : MaybeView(std::nullopt),
                  });
}

ViewNode TitleBlock(const state::WidgetSharedState& state) {
    return VStack(
        HorizontalAlignment::leading, 2,
        {
            Text(state.title)
                .font(Font::system(13, FontWeight::bold))
                .foregroundColor(Color::white())
                .lineLimit(1),
            Text(state.artist).font(Font::system(11)).foregroundColor(corvaMuted()).lineLimit(1),
        });
}

ViewNode RecBadge() {
    return HStack(VerticalAlignment::center, 3,
                  {
                      StatusDot(corvaRuby(), 5),
                      Text("REC"_key)
                          .font(Font::system(9, FontWeight::bold))
                          .foregroundColor(Color::white()),
                  })
        .padding(EdgeSet::horizontal(), 6)
        .frame(std::nullopt, 24, Alignment::center())
        .background(ColorView(Color::white().opacity(0.08)))
        .clipShape(shapes::roundedRectangle(6));
}

ViewNode LinkRow(bool isPlaying) {
    const Color faint = Color::white().opacity(0.08);
    return HStack(VerticalAlignment::center, 8,
                  {
                      Link(hostURL(HostURL::prev), IconButton("backward.fill", 11, 28, faint))
                          .accessibilityLabel(previousLabel()),
                      Link(hostURL(HostURL::toggle),
                           IconButton(isPlaying ? "pause.fill" : "play.fill", 12, 34, corvaRuby()))
                          .accessibilityLabel(toggleLabel(isPlaying)),
                      Link(hostURL(HostURL::next), IconButton("forward.fill", 11, 28, faint))
                          .accessibilityLabel(nextLabel()),
                      Spacer(),
                      Link(hostURL(HostURL::recordScreen), RecBadge())
                          .accessibilityLabel(recordScreenLabel()),
                      Link(hostURL(HostURL::recordAudio), IconButton("mic.fill", 10, 24, faint))
                          .accessibilityLabel(recordAudioLabel()),
                  });
}

}  // namespace

ViewNode MediumWidgetView::body() const {
    const auto& state = entry.state;
    return ZStack(Alignment::center(),
                  {
                      ColorView(corvaDarkBg()).ignoresSafeArea(),
                      HStack(VerticalAlignment::center, 14,
                             {
                                 CoverBlock(entry),
                                 VStack(HorizontalAlignment::leading, 6,
                                        {
                                            StatusRow(state.isPlaying),
                                            TitleBlock(state),
                                            ProgressBar(state),
                                            Spacer(2),
                                            LinkRow(state.isPlaying),
                                        }),
                             })
                          .padding(14),
                  })
        .widgetURL(hostURL(HostURL::play));
}

}  // namespace sonaris::views
