#include "platform/cli/commands.hpp"

#include <gtest/gtest.h>
#include <simdjson.h>

#include <sstream>

#include "platform/runtime/family_names.hpp"
#include "platform/runtime/scratch_folder.hpp"
#include "platform/ui/views.hpp"

namespace sonaris::platform::cli {

using namespace runtime;
namespace {

using ui::WidgetFamily;

foundation::URL url(std::string_view text) {
    return *foundation::URL::string(text);
}

// How often any fake entry has written its members: an entry may be megabytes of JSON, so only
// the commands that print it should ask for it.
int membersWritten = 0;

// A widget whose tree tells which family it was built for: its widget URL names the family,
// and a 40-point link sits in its top-left corner.
WidgetConfiguration fakeWidget(TimelineReloadPolicy policy) {
    auto makeEntry = [](double date) {
        AnyEntry entry;
        entry.date = {date};
        entry.writeJsonMembers = [](std::ostream& out) {
            ++membersWritten;
            out << "\"state\": {\"title\": \"x\"}";
        };
        entry.view = [] {
            auto family = *ui::Environment<WidgetFamily>(&ui::EnvironmentValues::widgetFamily);
            return ui::ZStack(ui::Alignment::topLeading(),
                              {ui::ColorView(ui::Color::black()),
                               ui::Link(url("sonaris://corner"), ui::ColorView(ui::Color::white()))
                                   .frame(40, 40)})
                .widgetURL(url("sonaris://" + std::string(familyShortName(family))));
        };
        return entry;
    };
    WidgetConfiguration configuration;
    configuration.kind = "test.widget";
    configuration.placeholder = [=](const TimelineProviderContext&) { return makeEntry(1); };
    configuration.snapshot = [=](const TimelineProviderContext&) { return makeEntry(2); };
    configuration.timeline = [=](const TimelineProviderContext&) {
        return AnyTimeline{{makeEntry(3)}, policy};
    };
    return configuration;
}

struct Output {
    std::ostringstream out;
    std::ostringstream err;
    Streams streams() { return {out, err}; }
};

Invocation invocation(Command command, WidgetFamily family) {
    Invocation result;
    result.command = command;
    result.family = family;
    return result;
}

TEST(Commands, EntryCommandsPrintTheirForms) {
    auto widget = fakeWidget(TimelineReloadPolicy::after({903}));
    struct Case {
        Command command;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {Command::timeline, "{\"date\": 3, \"reloadDate\": 903, \"state\": {\"title\": \"x\"}}\n"},
        {Command::snapshot, "{\"date\": 2, \"state\": {\"title\": \"x\"}}\n"},
        {Command::placeholder, "{\"date\": 1, \"state\": {\"title\": \"x\"}}\n"},
    };
    for (const auto& c : cases) {
        Output output;
        EXPECT_EQ(
            printEntry(widget, invocation(c.command, WidgetFamily::systemSmall), output.streams()),
            0);
        EXPECT_EQ(output.out.str(), c.expected);
    }
}

TEST(Commands, TapBuildsTheTreeForTheFamilyAsked) {
    auto widget = fakeWidget(TimelineReloadPolicy::never());
    struct Case {
        WidgetFamily family;
        ui::Point point;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {WidgetFamily::systemSmall, {100, 100}, "sonaris://small\n"},
        {WidgetFamily::systemMedium, {300, 100}, "sonaris://medium\n"},
        {WidgetFamily::systemLarge, {300, 300}, "sonaris://large\n"},
        {WidgetFamily::systemLarge, {10, 10}, "sonaris://corner\n"},
        {WidgetFamily::systemSmall, {171, 10}, ""},
    };
    for (const auto& c : cases) {
        auto tap = invocation(Command::tap, c.family);
        tap.tapPoint = c.point;
        Output output;
        EXPECT_EQ(printTap(widget, tap, output.streams()), 0);
        EXPECT_EQ(output.out.str(), c.expected) << c.point.x << "," << c.point.y;
    }
}

TEST(Commands, TreeNamesTheFamilyAndItsSize) {
    auto widget = fakeWidget(TimelineReloadPolicy::never());
    Output output;
    EXPECT_EQ(
        printTree(widget, invocation(Command::tree, WidgetFamily::systemMedium), output.streams()),
        0);
    simdjson::dom::parser parser;
    simdjson::dom::element tree;
    ASSERT_EQ(parser.parse(output.out.str()).get(tree), simdjson::SUCCESS) << output.out.str();
    std::string_view family;
    std::string_view widgetURL;
    ASSERT_EQ(tree["family"].get(family), simdjson::SUCCESS);
    ASSERT_EQ(tree["widgetURL"].get(widgetURL), simdjson::SUCCESS);
    EXPECT_EQ(family, "systemMedium");
    EXPECT_EQ(widgetURL, "sonaris://medium");
    std::vector<double> size;
    for (auto value : tree["size"].get_array())
        size.push_back(double(value));
    EXPECT_EQ(size, (std::vector<double>{364, 170}));
}

TEST(Commands, RenderPrintsEachPathItWrote) {
    auto widget = fakeWidget(TimelineReloadPolicy::never());
    sonaris::testing::ScratchFolder folder;
    Invocation render;
    render.command = Command::render;
    render.allFamilies = true;
    render.out = folder.path();
    Output output;
    ASSERT_EQ(renderPngs(widget, render, output.streams()), 0) << output.err.str();
    std::string expected;
    for (auto name : {"small", "medium", "large"}) {
        auto path = folder.path() / ("sonaris-" + std::string(name) + ".png");
        expected += path.string() + "\n";
        EXPECT_TRUE(std::filesystem::is_regular_file(path)) << path;
    }
    EXPECT_EQ(output.out.str(), expected);
}

TEST(Commands, RenderStopsListingAtTheFirstFileItCannotWrite) {
    // The families are written side by side, so the large one may be done before the medium one
    // fails; it must not be left behind unlisted.
    auto widget = fakeWidget(TimelineReloadPolicy::never());
    sonaris::testing::ScratchFolder folder;
    folder.write("sonaris-medium.png/occupied", "x");
    Invocation render;
    render.command = Command::render;
    render.allFamilies = true;
    render.out = folder.path();
    Output output;
    EXPECT_EQ(renderPngs(widget, render, output.streams()), exitOutputFailed);
    EXPECT_EQ(output.out.str(), (folder.path() / "sonaris-small.png").string() + "\n");
    EXPECT_NE(output.err.str().find("sonaris-medium.png"), std::string::npos) << output.err.str();
    EXPECT_TRUE(std::filesystem::is_regular_file(folder.path() / "sonaris-small.png"));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "sonaris-large.png"));
}

TEST(Commands, OnlyTheEntryCommandsWriteTheEntry) {
    auto widget = fakeWidget(TimelineReloadPolicy::never());
    sonaris::testing::ScratchFolder folder;
    membersWritten = 0;
    Output output;
    auto tap = invocation(Command::tap, WidgetFamily::systemSmall);
    tap.tapPoint = ui::Point{10, 10};
    auto render = invocation(Command::render, WidgetFamily::systemSmall);
    render.out = folder.path() / "small.png";
    ASSERT_EQ(
        printTree(widget, invocation(Command::tree, WidgetFamily::systemLarge), output.streams()),
        0);
    ASSERT_EQ(printTap(widget, tap, output.streams()), 0);
    ASSERT_EQ(renderPngs(widget, render, output.streams()), 0) << output.err.str();
    EXPECT_EQ(membersWritten, 0);
    for (auto command : {Command::placeholder, Command::snapshot, Command::timeline})
        ASSERT_EQ(
            printEntry(widget, invocation(command, WidgetFamily::systemSmall), output.streams()),
            0);
    EXPECT_EQ(membersWritten, 3);
}

}  // namespace
}  // namespace sonaris::platform::cli
