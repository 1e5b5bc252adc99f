#include "platform/ui/hit_test.hpp"

#include <gtest/gtest.h>

#include <string>

#include "platform/ui/views.hpp"

namespace sonaris::platform::ui {
namespace {

foundation::URL url(const char* text) {
    return *foundation::URL::string(text);
}

ViewNode button(const char* destination, double width) {
    return Link(url(destination), Rectangle().frame(width, 20));
}

// 100 x 100: a row of two 30-wide links at the top-left, and a link overlaid on a second
// link at the bottom-right.
LayoutResult sample(std::optional<foundation::URL> widgetURL) {
    return layout(
        ZStack(Alignment::center(),
               {Rectangle(),
                VStack(HorizontalAlignment::leading, 0,
                       {HStack(VerticalAlignment::center, 10,
                               {button("sonaris://prev", 30), button("sonaris://next", 30)}),
                        Spacer(0),
                        HStack(VerticalAlignment::center, 0,
                               {Spacer(0),
                                button("sonaris://behind", 40)
                                    .overlay(button("sonaris://front", 20), Alignment::trailing())
                                    .background(button("sonaris://background", 60))})})})
            .widgetURL(widgetURL),
        {100, 100});
}

struct TapCase {
    Point point;
    std::optional<std::string> expected;
};

TEST(HitTest, FrontMostLinkElseWidgetURLElseNothing) {
    const LayoutResult withURL = sample(url("sonaris://play"));
    const LayoutResult withoutURL = sample(std::nullopt);
    const TapCase cases[] = {
        {{5, 5}, "sonaris://prev"},         {{29.9, 19.9}, "sonaris://prev"},
        {{30, 5}, "sonaris://play"},  // the gap between the two links
        {{45, 10}, "sonaris://next"},       {{65, 90}, "sonaris://behind"},
        {{85, 90}, "sonaris://front"},  // the overlay lies in front
        {{55, 90}, "sonaris://background"}, {{50, 50}, "sonaris://play"},
        {{-1, 50}, std::nullopt},           {{100, 50}, std::nullopt},
        {{50, 100}, std::nullopt},
    };
    for (const TapCase& c : cases) {
        const auto hit = hitTest(withURL, c.point);
        EXPECT_EQ(hit ? std::optional(hit->absoluteString()) : std::nullopt, c.expected)
            << c.point.x << ", " << c.point.y;
        const auto bare = hitTest(withoutURL, c.point);
        const bool onLink = c.expected && *c.expected != "sonaris://play";
        EXPECT_EQ(bare.has_value(), onLink) << c.point.x << ", " << c.point.y;
    }
}

TEST(HitTest, NestedLinkIsInFrontOfItsParent) {
    const LayoutResult result =
        layout(Link(url("sonaris://outer"),
                    ZStack(Alignment::topLeading(), {Rectangle(), button("sonaris://inner", 10)})),
               {50, 50});
    EXPECT_EQ(hitTest(result, {5, 5})->absoluteString(), "sonaris://inner");
    EXPECT_EQ(hitTest(result, {25, 25})->absoluteString(), "sonaris://outer");
}

TEST(HitTest, LinkInsideAGeometryReaderIsFound) {
    const LayoutResult result = layout(GeometryReader([](GeometryProxy proxy) {
                                           return Link(url("sonaris://editor"),
                                                       Rectangle().frame(proxy.size.width / 2, 10));
                                       }),
                                       {40, 10});
    EXPECT_EQ(hitTest(result, {15, 5})->absoluteString(), "sonaris://editor");
    EXPECT_FALSE(hitTest(result, {35, 5}));
}

}  // namespace
}  // namespace sonaris::platform::ui
