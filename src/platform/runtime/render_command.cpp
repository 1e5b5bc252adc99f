#include <algorithm>
#include <memory>
#include <string>
#include <system_error>
#include <variant>
#include <vector>

#include "platform/render/painter.hpp"
#include "platform/runtime/commands.hpp"
#include "platform/runtime/current_entry.hpp"
#include "platform/runtime/family_names.hpp"

namespace sonaris::platform::runtime {

namespace {

struct Target {
    ui::WidgetFamily family;
    ui::Size size;
    std::filesystem::path path;
};

std::filesystem::path defaultFileName(ui::WidgetFamily family) {
    return "sonaris-" + std::string(familyShortName(family)) + ".png";
}

bool isFolder(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

// Where each family goes, or a one-line reason why the output folder cannot hold them.
std::variant<std::vector<Target>, std::string> targets(const Invocation& invocation) {
    std::vector<ui::WidgetFamily> families;
    if (invocation.allFamilies)
        families = {ui::WidgetFamily::systemSmall, ui::WidgetFamily::systemMedium,
                    ui::WidgetFamily::systemLarge};
    else
        families = {invocation.familyOrSmall()};

    std::vector<Target> result;
    if (invocation.allFamilies) {
        std::filesystem::path folder = invocation.out.value_or(".");
        if (!isFolder(folder)) {
            std::error_code error;
            std::filesystem::create_directories(folder, error);
            if (error || !isFolder(folder))
                return "cannot write into " + folder.string() + ": " +
                       (error ? error.message() : std::string("not a folder"));
        }
        // Without --out the paths printed are the bare file names, as they were asked for.
        for (auto family : families) {
            auto name = defaultFileName(family);
            result.push_back({family, {}, invocation.out ? folder / name : name});
        }
    } else {
        auto family = families.front();
        std::filesystem::path path = invocation.out.value_or(defaultFileName(family));
        // A folder given as the output takes the file under its usual name.
        if (isFolder(path))
            path /= defaultFileName(family);
        result.push_back({family, {}, path});
    }
    for (auto& target : result)
        target.size = invocation.size.value_or(defaultSize(target.family));
    return result;
}

// The largest size each distinct cover is drawn at across all the trees.
std::vector<render::ImageDemand> combinedDemand(const std::vector<ui::LayoutResult>& trees,
                                                double scale) {
    std::vector<render::ImageDemand> combined;
    for (const auto& tree : trees) {
        for (auto& demand : render::imageDemand(tree, scale)) {
            auto same = std::find_if(combined.begin(), combined.end(), [&](const auto& known) {
                return known.image.isSameImage(demand.image);
            });
            if (same == combined.end()) {
                combined.push_back(std::move(demand));
            } else {
                same->pixels.width = std::max(same->pixels.width, demand.pixels.width);
                same->pixels.height = std::max(same->pixels.height, demand.pixels.height);
            }
        }
    }
    return combined;
}

}  // namespace

int renderPngs(const WidgetConfiguration& configuration, const Invocation& invocation,
               Streams streams) {
    auto planned = targets(invocation);
    if (auto* reason = std::get_if<std::string>(&planned)) {
        reportError(streams.err, *reason);
        return exitOutputFailed;
    }
    const auto& outputs = std::get<std::vector<Target>>(planned);
    double scale = invocation.scale.value_or(2);

    auto first = outputs.front();
    auto current = requestTimeline(configuration, contextFor(first.family, first.size),
                                   foundation::Date::now());

    std::vector<ui::LayoutResult> trees;
    for (const auto& target : outputs)
        trees.push_back(layOut(current.entry, target.family, target.size, scale));

    // Decoding each cover once, at the largest size any tree draws it, before painting keeps a
    // large cover from being decoded again for every family.
    std::vector<std::shared_ptr<const image::Bitmap>> decoded;
    for (const auto& demand : combinedDemand(trees, scale))
        decoded.push_back(demand.image.decoded(demand.pixels));

    for (std::size_t i = 0; i < outputs.size(); ++i) {
        auto raster = render::paint(trees[i], scale);
        if (auto failure = render::writePng(raster, outputs[i].path)) {
            streams.out.flush();
            auto where = outputs[i].path.string();
            reportError(streams.err, failure->find(where) == std::string::npos
                                         ? "cannot write " + where + ": " + *failure
                                         : *failure);
            return exitOutputFailed;
        }
        streams.out << outputs[i].path.string() << '\n';
    }
    return finishOutput(streams);
}

}  // namespace sonaris::platform::runtime
