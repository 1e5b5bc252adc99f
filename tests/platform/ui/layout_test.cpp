#include "platform/ui/layout.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/views.hpp"

namespace sonaris::platform::ui {
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

}  // namespace
}  // namespace sonaris::platform::ui
