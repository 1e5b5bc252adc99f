// The whole way from the host's files to pixels: the input becomes a state file and a cover file
// in a scratch home folder, and each family's timeline entry is laid out, printed and painted.
//
// Input: one byte of placement flags, then the state file's text, then "@@COVER@@" and the cover
// file's bytes (no cover file without the marker).
//   bit 0: the state file in the container folder   bit 2: the cover file in the container folder
//   bit 1: the state file in the support folder     bit 3: the cover file in the support folder

#include <simdjson.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "fuzz_support.hpp"
#include "platform/foundation/date.hpp"
#include "platform/render/painter.hpp"
#include "platform/runtime/current_entry.hpp"
#include "platform/runtime/family_names.hpp"
#include "platform/ui/tree_json.hpp"
#include "state/host_contract.hpp"
#include "widget/sonaris_widget.hpp"

namespace {

namespace fs = std::filesystem;
namespace runtime = sonaris::platform::runtime;
namespace ui = sonaris::platform::ui;
using sonaris::state::HostFiles::containerFolder;
using sonaris::state::HostFiles::coverFileName;
using sonaris::state::HostFiles::stateFileName;
using sonaris::state::HostFiles::supportFolder;

constexpr std::string_view kCoverMarker = "@@COVER@@";
// Small enough that painting three families stays quick, large enough to draw every layout.
constexpr double kScale = 1;

fs::path& scratchHome() {
    static fs::path home;
    return home;
}

void removeScratchHome() {
    std::error_code ignored;
    fs::remove_all(scratchHome(), ignored);
}

void place(const fs::path& path, bool wanted, std::string_view content) {
    std::error_code ignored;
    if (!wanted) {
        fs::remove(path, ignored);
        return;
    }
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(content.data(), static_cast<std::streamsize>(content.size()));
}

bool isJson(const std::string& text) {
    static simdjson::dom::parser parser;
    return !parser.parse(text).error();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // One folder a process, so that parallel fuzzing jobs never see one another's files.
    scratchHome() = fs::temp_directory_path() / ("sonaris-fuzz-home-" + std::to_string(getpid()));
    fs::create_directories(scratchHome() / containerFolder());
    fs::create_directories(scratchHome() / std::string(supportFolder));
    setenv("HOME", scratchHome().c_str(), 1);
    std::atexit(removeScratchHome);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::uint8_t flags = data[0];
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const auto marker = rest.find(kCoverMarker);
    const std::string_view stateText = rest.substr(0, marker);
    const std::string_view coverBytes = marker == std::string_view::npos
                                            ? std::string_view()
                                            : rest.substr(marker + kCoverMarker.size());
    const bool hasCover = marker != std::string_view::npos;

    const auto container = scratchHome() / containerFolder();
    const auto support = scratchHome() / std::string(supportFolder);
    place(container / stateFileName, flags & 1, stateText);
    place(support / stateFileName, flags & 2, stateText);
    place(container / coverFileName, hasCover && (flags & 4), coverBytes);
    place(support / coverFileName, hasCover && (flags & 8), coverBytes);

    static const auto configuration = sonaris::widget::SonarisWidget().body();
    for (const auto family : {ui::WidgetFamily::systemSmall, ui::WidgetFamily::systemMedium,
                              ui::WidgetFamily::systemLarge}) {
        const auto widgetSize = runtime::defaultSize(family);
        const auto current =
            runtime::requestTimeline(configuration, runtime::contextFor(family, widgetSize),
                                     sonaris::platform::foundation::Date::now());
        // Whatever the files hold, the command line prints valid JSON.
        if (current.entry.writeJsonMembers) {
            std::ostringstream members;
            members << '{';
            current.entry.writeJsonMembers(members);
            members << '}';
            FUZZ_CHECK(isJson(members.str()));
        }
        const auto tree = runtime::layOut(current.entry, family, widgetSize, kScale);
        FUZZ_CHECK(isJson(ui::treeJson(tree, runtime::familyName(family))));
        for (const auto& demand : sonaris::platform::render::imageDemand(tree, kScale))
            if (!isQuickToDecode(demand.image.naturalSize()))
                return 0;
        const auto raster = sonaris::platform::render::paint(tree, kScale);
        FUZZ_CHECK(raster.width > 0 && raster.height > 0 &&
                   raster.pixels.size() >= static_cast<std::size_t>(raster.stride) * raster.height);
    }
    return 0;
}
