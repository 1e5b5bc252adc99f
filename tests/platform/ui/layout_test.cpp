#include "platform/ui/layout.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "platform/ui/symbols.hpp"
#include "platform/ui/views.hpp"

namespace sonaris::platform::ui {

void PrintTo(const Rect& r, std::ostream* out) {
    *out << "[" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << "]";
}
void PrintTo(const Size& s, std::ostream* out) {
    *out << s.width << " x " << s.height;
}

namespace {

std::string describe(const Rect& r) {
    return "[" + std::to_string(r.x) + ", " + std::to_string(r.y) + ", " + std::to_string(r.width) +
           ", " + std::to_string(r.height) + "]";
}

void expectFrame(const LaidOutView& view, Rect expected) {
    EXPECT_NEAR(view.frame.x, expected.x, 1e-9) << describe(view.frame);
    EXPECT_NEAR(view.frame.y, expected.y, 1e-9) << describe(view.frame);
    EXPECT_NEAR(view.frame.width, expected.width, 1e-9) << describe(view.frame);
    EXPECT_NEAR(view.frame.height, expected.height, 1e-9) << describe(view.frame);
}

ViewNode box(double width, double height) {
    return Rectangle().frame(width, height);
}

struct FrameCase {
    std::string name;
    std::function<ViewNode()> build;
    Size size;
    std::vector<std::pair<std::vector<std::size_t>, Rect>> frames;
};

void PrintTo(const FrameCase& c, std::ostream* out) {
    *out << c.name;
}

class Frames : public testing::TestWithParam<FrameCase> {};

TEST_P(Frames, MatchExactly) {
    const FrameCase& c = GetParam();
    const LayoutResult result = layout(c.build(), c.size);
    for (const auto& [path, expected] : c.frames) {
        SCOPED_TRACE(testing::Message() << "child path size " << path.size());
        const LaidOutView* view = &result.tree;
        for (std::size_t index : path)
            view = &view->children.at(index);
        expectFrame(*view, expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Stacks, Frames,
    testing::Values(
        FrameCase{"flexible children share equally",
                  [] {
                      return HStack(VerticalAlignment::center, 0, {Rectangle(), Rectangle()});
                  },
                  {100, 40},
                  {{{}, {0, 0, 100, 40}}, {{0}, {0, 0, 50, 40}}, {{1}, {50, 0, 50, 40}}}},
        FrameCase{"fixed child takes its size before flexible ones split the rest",
                  [] {
                      return HStack(VerticalAlignment::center, 10,
                                    {Rectangle(), box(30, 20), Rectangle()});
                  },
                  {130, 40},
                  {{{0}, {0, 0, 40, 40}}, {{1}, {50, 10, 30, 20}}, {{2}, {90, 0, 40, 40}}}},
        FrameCase{"spacer takes the leftover after the others",
                  [] {
                      return HStack(VerticalAlignment::top, std::nullopt,
                                    {box(20, 10), Spacer(), box(30, 20)});
                  },
                  {200, 50},
                  // spacing 8 on both sides of the spacer; the stack is centred in the root
                  {{{}, {0, 15, 200, 20}},
                   {{0}, {0, 15, 20, 10}},
                   {{1}, {28, 15, 134, 0}},
                   {{2}, {170, 15, 30, 20}}}},
        FrameCase{"spacers split the space left and keep their minimum",
                  [] {
                      return VStack(HorizontalAlignment::leading, 0,
                                    {box(10, 10), Spacer(4), box(20, 10), Spacer(4), box(30, 10)});
                  },
                  {30, 70},
                  {{{0}, {0, 0, 10, 10}},
                   {{1}, {0, 10, 0, 20}},
                   {{2}, {0, 30, 20, 10}},
                   {{3}, {0, 40, 0, 20}},
                   {{4}, {0, 60, 30, 10}}}},
        FrameCase{"spacer minimum held back from a flexible sibling",
                  [] {
                      return HStack(VerticalAlignment::center, 0,
                                    {Rectangle().frame(modifier::FlexFrame{.maxWidth = infinity}),
                                     Spacer(20)});
                  },
                  {100, 10},
                  {{{0}, {0, 0, 80, 10}}, {{1}, {80, 5, 20, 0}}}},
        FrameCase{"zero-length spacer",
                  [] {
                      return VStack(HorizontalAlignment::center, 0, {box(10, 10), Spacer(0)});
                  },
                  {50, 10},
                  {{{0}, {20, 0, 10, 10}}, {{1}, {25, 10, 0, 0}}}},
        FrameCase{"cross alignment in a VStack",
                  [] {
                      return VStack(HorizontalAlignment::leading, 5, {box(10, 10), box(30, 10)})
                          .frame(100, 100, Alignment::topLeading());
                  },
                  {100, 100},
                  {{{0}, {0, 0, 10, 10}}, {{1}, {0, 15, 30, 10}}}},
        FrameCase{"less flexible first: a capped child keeps its cap, the rest goes to the other",
                  [] {
                      return HStack(
                          VerticalAlignment::center, 0,
                          {Rectangle(), Rectangle().frame(modifier::FlexFrame{.maxWidth = 20})});
                  },
                  {100, 10},
                  {{{0}, {0, 0, 80, 10}}, {{1}, {80, 0, 20, 10}}}}),
    [](const auto& info) {
        std::string name;
        for (char c : info.param.name)
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

INSTANTIATE_TEST_SUITE_P(
    Modifiers, Frames,
    testing::Values(
        FrameCase{"maxWidth infinity takes the whole proposed width, content centred",
                  [] {
                      return HStack(VerticalAlignment::center, 10,
                                    {box(20, 10).frame(modifier::FlexFrame{.maxWidth = infinity,
                                                                           .minHeight = 30}),
                                     box(20, 10).frame(modifier::FlexFrame{.maxWidth = infinity,
                                                                           .minHeight = 30})});
                  },
                  {110, 100},
                  {{{0}, {0, 35, 50, 30}}, {{1}, {60, 35, 50, 30}}}},
        FrameCase{"minHeight holds however small the child, maxHeight caps a flexible one",
                  [] {
                      return VStack(HorizontalAlignment::center, 0,
                                    {box(10, 5).frame(modifier::FlexFrame{.minHeight = 30}),
                                     Rectangle().frame(modifier::FlexFrame{.maxHeight = 12})});
                  },
                  {40, 100},
                  {{{}, {0, 29, 40, 42}}, {{0}, {15, 29, 10, 30}}, {{1}, {0, 59, 40, 12}}}},
        FrameCase{"padding shrinks the proposal and grows the size",
                  [] { return Rectangle().padding(10).padding(EdgeSet::horizontal(), 5); },
                  {100, 60},
                  {{{}, {0, 0, 100, 60}}}},
        FrameCase{"fixed frame aligns its child",
                  [] {
                      return VStack(HorizontalAlignment::center, 0,
                                    {box(10, 10).frame(40, 20, Alignment::trailing()),
                                     box(10, 10).frame(40, std::nullopt, Alignment::leading())});
                  },
                  {40, 30},
                  {{{0}, {0, 0, 40, 20}}, {{1}, {0, 20, 40, 10}}}}),
    [](const auto& info) {
        std::string name;
        for (char c : info.param.name)
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(Layers, EachModifierRecordsTheFrameOfTheViewItWraps) {
    const LayoutResult result = layout(
        Rectangle().frame(20, 10).padding(5).frame(100, 50, Alignment::topLeading()), {100, 50});
    const auto& layers = result.tree.layerFrames;
    ASSERT_EQ(layers.size(), 4u);
    EXPECT_EQ(layers[0], (Rect{5, 5, 20, 10}));
    EXPECT_EQ(layers[1], (Rect{5, 5, 20, 10}));
    EXPECT_EQ(layers[2], (Rect{0, 0, 30, 20}));
    EXPECT_EQ(layers[3], (Rect{0, 0, 100, 50}));
    EXPECT_EQ(result.tree.frame, layers.back());
}

TEST(Layers, OverlayAndBackgroundLieOnThePrimaryWithoutResizingIt) {
    const LayoutResult result =
        layout(HStack(VerticalAlignment::center, 0,
                      {box(40, 20)
                           .overlay(Circle().frame(10, 10), Alignment::trailing())
                           .background(Rectangle().padding(-4))
                           .overlay(RoundedRectangle(6).frame(100, 100))}),
               {40, 20});
    const LaidOutView& view = result.tree.children.at(0);
    EXPECT_EQ(view.frame, (Rect{0, 0, 40, 20}));
    ASSERT_EQ(view.modifierContent.size(), 4u);
    EXPECT_FALSE(view.modifierContent[0]);
    EXPECT_EQ(view.modifierContent[1]->frame, (Rect{30, 5, 10, 10}));
    EXPECT_EQ(view.modifierContent[2]->frame, (Rect{0, 0, 40, 20}));
    EXPECT_EQ(view.modifierContent[2]->layerFrames[0], (Rect{-4, -4, 48, 28}));
    EXPECT_EQ(view.modifierContent[3]->frame, (Rect{-30, -40, 100, 100}));
}

TEST(AspectRatio, FillOverflowsItsFixedFrameCentred) {
    // 300 x 200 picture in a 54-point square: scaled to 81 x 54 and centred.
    const LayoutResult result =
        layout(Rectangle().aspectRatio(1.5, ContentMode::fill).frame(54, 54), {54, 54});
    EXPECT_EQ(result.tree.layerFrames[0], (Rect{-13.5, 0, 81, 54}));
    EXPECT_EQ(result.tree.frame, (Rect{0, 0, 54, 54}));
}

TEST(AspectRatio, FitStaysInsideTheProposal) {
    const LayoutResult wide = layout(Rectangle().aspectRatio(2, ContentMode::fit), {100, 100});
    EXPECT_EQ(wide.tree.frame, (Rect{0, 25, 100, 50}));
    const LayoutResult tall = layout(Rectangle().aspectRatio(0.5, ContentMode::fit), {100, 100});
    EXPECT_EQ(tall.tree.frame, (Rect{25, 0, 50, 100}));
}

TEST(GeometryReader, BuildsItsContentForTheSizeItGot) {
    std::vector<Size> asked;
    const LayoutResult result =
        layout(VStack(HorizontalAlignment::leading, 0,
                      {GeometryReader([&](GeometryProxy proxy) {
                           asked.push_back(proxy.size);
                           return ZStack(Alignment::leading(),
                                         {Capsule().frame(std::nullopt, 3),
                                          Capsule().frame(proxy.size.width * 0.25, 3)});
                       }).frame(std::nullopt, 3),
                       Spacer(0)}),
               {120, 40});
    ASSERT_EQ(asked, (std::vector<Size>{{120, 3}}));
    const LaidOutView& reader = result.tree.children.at(0);
    ASSERT_TRUE(reader.generated);
    ASSERT_EQ(reader.children.size(), 1u);
    const LaidOutView& bar = reader.children[0];
    EXPECT_EQ(bar.node, reader.generated.get());
    EXPECT_EQ(bar.frame, (Rect{0, 0, 120, 3}));
    EXPECT_EQ(bar.children.at(0).frame, (Rect{0, 0, 120, 3}));
    EXPECT_EQ(bar.children.at(1).frame, (Rect{0, 0, 30, 3}));
}

TEST(ForEach, RowsShareTheStackAsItsOwnChildrenAndTheGroupSpansThem) {
    const std::vector<int> rows{1, 2, 3};
    const LayoutResult result =
        layout(VStack(HorizontalAlignment::center, 4,
                      {box(50, 10), ForEach(rows, [](int) { return Rectangle(); }), Spacer(0)}),
               {50, 100});
    // The three rows and the box split the height as four children: (100 - 3*4 - 10) / 3 each.
    const LaidOutView& group = result.tree.children.at(1);
    ASSERT_EQ(group.children.size(), 3u);
    const double row = (100.0 - 4 * 4 - 10) / 3;
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_NEAR(group.children[i].frame.y, 14 + i * (row + 4), 1e-9) << i;
    EXPECT_NEAR(group.frame.y, 14, 1e-9);
    EXPECT_NEAR(group.frame.height, 3 * row + 8, 1e-9);
    EXPECT_EQ(group.layerFrames.back(), group.frame);
}

TEST(ForEach, EmptyKeepsItsPlaceWithoutSpacing) {
    const std::vector<int> none;
    const LayoutResult result =
        layout(HStack(VerticalAlignment::center, 0,
                      {box(10, 10), ForEach(none, [](int) { return Rectangle(); }), box(10, 10)}),
               {20, 10});
    EXPECT_EQ(result.tree.children.at(1).frame, (Rect{10, 0, 0, 0}));
    EXPECT_EQ(result.tree.children.at(2).frame, (Rect{10, 0, 10, 10}));
}

TEST(Divider, IsOneDevicePixelAcrossItsStack) {
    const LayoutResult column =
        layout(VStack(HorizontalAlignment::center, 0, {box(30, 10), Divider(), box(30, 10)}),
               {80, 100}, 2);
    EXPECT_EQ(column.tree.children.at(1).frame, (Rect{0, 49.75, 80, 0.5}));
    const LayoutResult row =
        layout(HStack(VerticalAlignment::center, 0, {box(10, 30), Divider()}), {100, 30}, 3);
    EXPECT_NEAR(row.tree.children.at(1).frame.width, 1.0 / 3, 1e-12);
    EXPECT_EQ(row.tree.children.at(1).frame.height, 30);
}

TEST(Environment, InnermostSettingWinsAndReachesDecorationsOfEarlierModifiers) {
    const LayoutResult result = layout(VStack(HorizontalAlignment::center, 0,
                                              {Text(std::string("a"))
                                                   .font(Font::system(20))
                                                   .overlay(Text(std::string("b")))
                                                   .font(Font::system(30, FontWeight::bold))
                                                   .foregroundColor(Color::gray()),
                                               Text(std::string("c"))})
                                           .lineLimit(1)
                                           .font(Font::system(9)),
                                       {200, 200});
    const LaidOutView& a = result.tree.children.at(0);
    EXPECT_EQ(a.environment.font, Font::system(20));
    EXPECT_EQ(a.environment.foregroundColor, Color::gray());
    EXPECT_EQ(a.environment.lineLimit, 1);
    const LaidOutView& b = *a.modifierContent.at(1);
    EXPECT_EQ(b.environment.font, Font::system(30, FontWeight::bold));
    EXPECT_EQ(b.environment.foregroundColor, Color::gray());
    const LaidOutView& c = result.tree.children.at(1);
    EXPECT_EQ(c.environment.font, Font::system(9));
    EXPECT_EQ(c.environment.foregroundColor, Color::white());
}

TEST(Text, CutToOneLineStaysWithinItsShare) {
    const std::string title(200, 'W');
    const LayoutResult result =
        layout(HStack(VerticalAlignment::center, std::nullopt,
                      {Circle().frame(7, 7), Text(title).lineLimit(1), Spacer()}),
               {146, 20});
    const LaidOutView& text = result.tree.children.at(1);
    // 146 less the dot, two spacings and the spacer's minimum.
    EXPECT_LE(text.frame.width, 146 - 7 - 16 - 8 + 1e-9);
    EXPECT_GT(text.frame.width, 100);
    EXPECT_LE(result.tree.children.at(2).frame.maxX(), 146 + 1e-9);
}

TEST(Image, CoverImageOfItsNaturalSizeUnlessResizable) {
    // Built without pixels: the layout needs only the picture's own size, for which tests have
    // no decoder-independent source, so only symbols are checked here.
    const LayoutResult result =
        layout(Image(std::string("play.fill")).font(Font::system(12)), {100, 100});
    EXPECT_EQ(result.tree.frame.size(), symbolSize("play.fill", Font::system(12)));
}

TEST(Spacer, OutsideAStackTakesTheProposal) {
    const LayoutResult result =
        layout(ZStack(Alignment::topLeading(), {Spacer(), box(10, 10)}), {60, 40});
    EXPECT_EQ(result.tree.children.at(0).frame, (Rect{0, 0, 60, 40}));
    EXPECT_EQ(result.tree.children.at(1).frame, (Rect{0, 0, 10, 10}));
}

TEST(Link, StandsWhereItsLabelStands) {
    const LayoutResult result =
        layout(HStack(VerticalAlignment::center, 4,
                      {Link(*foundation::URL::string("sonaris://next"), box(28, 24)), Spacer(0)}),
               {100, 24});
    const LaidOutView& link = result.tree.children.at(0);
    EXPECT_EQ(link.frame, (Rect{0, 0, 28, 24}));
    EXPECT_EQ(link.children.at(0).frame, link.frame);
}

TEST(NestedStacks, InnerStackIsAsFlexibleAsItsChildren) {
    // The fixed inner row is served first, so the flexible rectangle gets the rest.
    const LayoutResult result = layout(
        HStack(VerticalAlignment::center, 0,
               {Rectangle(), HStack(VerticalAlignment::center, 2, {box(10, 10), box(10, 10)})}),
        {100, 10});
    EXPECT_EQ(result.tree.children.at(0).frame, (Rect{0, 0, 78, 10}));
    EXPECT_EQ(result.tree.children.at(1).frame, (Rect{78, 0, 22, 10}));
    EXPECT_EQ(result.tree.children.at(1).children.at(1).frame, (Rect{90, 0, 10, 10}));
}

TEST(Robustness, NonsenseLengthsGiveEmptyFramesNotNaN) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const LayoutResult result =
        layout(VStack(HorizontalAlignment::center, nan,
                      {Rectangle().frame(-5, nan), Rectangle().padding(nan),
                       Rectangle().frame(modifier::FlexFrame{.minWidth = -3, .maxHeight = nan}),
                       Spacer(-10), Rectangle().aspectRatio(0, ContentMode::fit),
                       Rectangle().aspectRatio(nan, ContentMode::fill)}),
               {100, 100});
    std::function<void(const LaidOutView&)> check = [&](const LaidOutView& view) {
        for (const Rect& r : view.layerFrames)
            for (double v : {r.x, r.y, r.width, r.height})
                EXPECT_TRUE(std::isfinite(v));
        EXPECT_GE(view.frame.width, 0);
        EXPECT_GE(view.frame.height, 0);
        for (const LaidOutView& child : view.children)
            check(child);
    };
    check(result.tree);
    EXPECT_EQ(result.tree.children.at(0).frame.width, 0);
}

TEST(Layout, WidgetURLComesFromTheRoot) {
    const auto url = foundation::URL::string("sonaris://play");
    EXPECT_EQ(layout(Rectangle().widgetURL(url), {10, 10}).widgetURL, url);
    EXPECT_EQ(layout(ZStack(Alignment::center(), {Rectangle().widgetURL(url)}), {10, 10}).widgetURL,
              std::nullopt);
}

}  // namespace
}  // namespace sonaris::platform::ui
