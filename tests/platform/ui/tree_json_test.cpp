#include "platform/ui/tree_json.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/ui/json_writer.hpp"
#include "platform/ui/views.hpp"

namespace sonaris::platform::ui {
namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(JsonWriter, EscapesStringsAndWritesShortestNumbers) {
    JsonWriter json;
    json.beginArray();
    json.string("<b>\"x\"</b> & \\ \n\t\x01 Пауза");
    for (double v : {0.1, 170.0, -0.0, 1.0 / 3, 1e21, std::nan(""), infinity})
        json.number(v);
    json.beginObject();
    json.key("a").beginArray();
    json.endArray();
    json.key("b").boolean(false);
    json.key("c").null();
    json.endObject();
    json.endArray();
    EXPECT_EQ(json.text(),
              "[\"<b>\\\"x\\\"</b> & \\\\ \\n\\t\\u0001 Пауза\",0.1,170,0,0.3333333333333333,"
              "1e+21,null,null,{\"a\":[],\"b\":false,\"c\":null}]");
}

TEST(TreeJson, WritesTheDocumentedShape) {
    const auto play = *foundation::URL::string("sonaris://play");
    const LayoutResult result = layout(
        ZStack(Alignment::center(),
               {ColorView(Color::rgb(0.05, 0.05, 0.07)).ignoresSafeArea(),
                VStack(HorizontalAlignment::leading, 6,
                       {Text(std::string("Say \"hi\"\n"))
                            .font(Font::system(12, FontWeight::semibold))
                            .lineLimit(1),
                        Image(std::string("waveform")),
                        RoundedRectangle(10)
                            .fill(LinearGradient{{{Color::black(), Color::white()}},
                                                 UnitPoint::topLeading(),
                                                 UnitPoint::bottomTrailing()})
                            .frame(54, 54)
                            .overlay(RoundedRectangle(10).stroke(Color::white(0.5), 1)),
                        Link(*foundation::URL::string("sonaris://next"), Text(std::string("Next"))),
                        Spacer(4)})
                    .padding(12)})
            .widgetURL(play),
        {170, 170});
    const std::string json = treeJson(result, "systemSmall");
    for (
        const char* part : {
            R"({"family":"systemSmall","size":[170,170],"widgetURL":"sonaris://play","root":{"type":"ZStack","frame":[0,0,170,170],"alignment":"center","modifiers":[{"name":"widgetURL","url":"sonaris://play"}],"children":[)",
            R"({"type":"Color","frame":[0,0,170,170],"color":[0.05,0.05,0.07,1],"modifiers":[{"name":"ignoresSafeArea","edges":"all"}],"children":[]})",
            R"("type":"VStack","frame":[46,0,78,170],"alignment":"leading","spacing":6,)",
            R"({"name":"padding","edges":"all","length":12})",
            R"("text":"Say \"hi\"\n","font":{"size":12,"weight":"semibold","design":"default"},"foregroundColor":[1,1,1,1],"lineLimit":1)",
            R"("symbol":"waveform","font":{"size":13,"weight":"regular","design":"default"})",
            R"("type":"RoundedRectangle","frame":[58,50.)",
            R"("cornerRadius":10,"style":"continuous")",
            R"({"name":"fill","gradient":{"colors":[[0,0,0,1],[1,1,1,1]],"startPoint":[0,0],"endPoint":[1,1]}})",
            R"({"name":"frame","width":54,"height":54,"alignment":"center"})",
            R"({"name":"overlay","alignment":"center","content":{"type":"RoundedRectangle","frame":[58,50.)",
            R"({"name":"stroke","color":[0.5,0.5,0.5,1],"lineWidth":1})",
            R"("type":"Link",)",
            R"("url":"sonaris://next")",
            R"("type":"Spacer",)",
            R"("minLength":4,)",
        })
        EXPECT_TRUE(contains(json, part)) << part << "\nin\n" << json;
    EXPECT_EQ(json.back(), '}');
}

TEST(TreeJson, NoWidgetURLIsNullAndBrokenTextStaysValidUtf8) {
    const LayoutResult result = layout(Text(std::string("a\xff") + "b"), {50, 20});
    const std::string json = treeJson(result, "systemLarge");
    EXPECT_TRUE(contains(json, R"("widgetURL":null)"));
    EXPECT_TRUE(contains(json,
                         "\"text\":\"a\xEF\xBF\xBD"
                         "b\""));
}

TEST(TreeJson, InfiniteMaximumIsNamedNotDropped) {
    const LayoutResult result = layout(
        Rectangle().frame(modifier::FlexFrame{.maxWidth = infinity, .minHeight = 30}), {50, 20});
    EXPECT_TRUE(contains(
        treeJson(result, "systemLarge"),
        R"({"name":"frame","minWidth":null,"idealWidth":null,"maxWidth":"infinity","minHeight":30,"idealHeight":null,"maxHeight":null,"alignment":"center"})"));
}

}  // namespace
}  // namespace sonaris::platform::ui
