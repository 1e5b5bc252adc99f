#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

#include "entries.hpp"
#include "laid_out_query.hpp"
#include "platform/ui/layout.hpp"
#include "platform/ui/message_catalogue.hpp"
#include "platform/ui/text_layout.hpp"
#include "platform/ui/views.hpp"
#include "views/large_widget_view.hpp"
#include "views/medium_widget_view.hpp"
#include "views/small_widget_view.hpp"

namespace sonaris::views {
namespace {

using namespace sonaris::testing;
using platform::ui::layout;
using platform::ui::Size;
using namespace platform::ui::literals;

// With the English catalogue every fixed label is translated and is shown whole: no label is
// cut to fit a frame narrower than the text.
TEST(TranslatedLabels, EnglishLabelsAreShownAndFitTheirFrames) {
    setenv("LANGUAGE", "en", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    platform::ui::bindMessageCatalogue(SONARIS_LOCALE_FOLDER);
    ASSERT_EQ(platform::ui::localized("СЕЙЧАС ИГРАЕТ"_key), "NOW PLAYING")
        << "no English catalogue in " << SONARIS_LOCALE_FOLDER;

    int labels = 0;
    for (const bool playing : {false, true}) {
        const auto entry = makeEntry({.isPlaying = playing, .duration = 200, .currentTime = 50});
        const std::pair<ViewNode, Size> trees[] = {
            {SmallWidgetView{entry}.body(), {170, 170}},
            {MediumWidgetView{entry}.body(), {364, 170}},
            {LargeWidgetView{entry}.body(), {364, 382}},
        };
        for (const auto& [tree, size] : trees) {
            const auto result = layout(tree, size);
            visitLaidOut(result.tree, [&](const platform::ui::LaidOutView& view) {
                const auto* text = view.node ? std::get_if<platform::ui::content::Text>(
                                                   &view.node->content)
                                             : nullptr;
                if (!text || !text->localized)
                    return;
                ++labels;
                for (unsigned char c : text->string)
                    EXPECT_LT(c, 0x80) << "untranslated label " << text->string;
                const auto natural = platform::ui::measureText(
                    text->string, view.environment.font, {}, view.environment.lineLimit);
                EXPECT_LE(natural.width, view.layerFrames.front().width + 0.01)
                    << text->string << " is cut";
            });
        }
    }
    EXPECT_GT(labels, 10);
}

}  // namespace
}  // namespace sonaris::views
