#include <algorithm>
#include <future>
#include <memory>
#include <numeric>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <variant>
#include <vector>

#include "platform/cli/commands.hpp"
#include "platform/render/painter.hpp"
#include "platform/runtime/current_entry.hpp"
#include "platform/runtime/family_names.hpp"
#include "platform/ui/widget_fonts.hpp"

namespace sonaris::platform::cli {

using namespace runtime;

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

// The folders made for the output, so that a run that writes nothing leaves none behind.
class CreatedFolders {
  public:
    // Makes `folder` and whatever is missing above it, remembering what it made.
    std::error_code create(const std::filesystem::path& folder) {
        std::error_code error;
        for (auto path = folder; !path.empty(); path = path.parent_path()) {
            if (std::filesystem::exists(std::filesystem::symlink_status(path, error)))
                break;
            made_.insert(made_.begin(), path);
            if (path == path.parent_path())
                break;
        }
        std::filesystem::create_directories(folder, error);
        return error;
    }
    // Only empty folders go: anything put in them meanwhile is not the program's to remove.
    void removeIfEmpty() {
        for (auto path = made_.rbegin(); path != made_.rend(); ++path) {
            std::error_code ignored;
            if (isFolder(*path) && std::filesystem::is_empty(*path, ignored))
                std::filesystem::remove(*path, ignored);
        }
        made_.clear();
    }

  private:
    std::vector<std::filesystem::path> made_;  // outermost first
};

// Where each family goes, or a one-line reason why the output folder cannot hold them.
std::variant<std::vector<Target>, std::string> targets(const Invocation& invocation,
                                                       CreatedFolders& createdFolders) {
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
            const std::error_code error = createdFolders.create(folder);
            if (error || !isFolder(folder)) {
                createdFolders.removeIfEmpty();
                return "cannot write into " + folder.string() + ": " +
                       (error ? error.message() : std::string("not a folder"));
            }
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
    CreatedFolders createdFolders;
    auto planned = targets(invocation, createdFolders);
    if (auto* reason = std::get_if<std::string>(&planned)) {
        reportError(streams.err, *reason);
        return exitOutputFailed;
    }
    const auto& outputs = std::get<std::vector<Target>>(planned);
    double scale = invocation.scale.value_or(2);

    // The fonts' caches are read the first time a text is laid out; that is done here while the
    // entry, and with it the cover file, is read.
    std::jthread fontsLoaded([] { ui::widgetFontConfig(); });
    auto first = outputs.front();
    auto current = requestTimeline(configuration, contextFor(first.family, first.size),
                                   foundation::Date::now());

    // A large cover takes longer to decode than anything else here, so it starts on a second
    // thread as soon as the first tree says how big it is drawn, while the other families are
    // laid out. That tree usually asks for the largest size already; when another asks for more,
    // the combined decode below makes it again, as it would have without the head start.
    std::vector<ui::LayoutResult> trees;
    fontsLoaded.join();
    trees.push_back(layOut(current.entry, first.family, first.size, scale));
    std::jthread headStart;
    if (outputs.size() > 1) {
        headStart = std::jthread([demands = render::imageDemand(trees.front(), scale)] {
            for (const auto& demand : demands)
                demand.image.decoded(demand.pixels);
        });
    }
    for (std::size_t i = 1; i < outputs.size(); ++i)
        trees.push_back(layOut(current.entry, outputs[i].family, outputs[i].size, scale));
    if (headStart.joinable())
        headStart.join();

    // Decoding each cover once, at the largest size any tree draws it, before painting keeps a
    // large cover from being decoded again for every family.
    std::vector<std::shared_ptr<const image::Bitmap>> decoded;
    for (const auto& demand : combinedDemand(trees, scale))
        decoded.push_back(demand.image.decoded(demand.pixels));

    // Compressing a PNG costs about as much as painting it, so each file is written on its own
    // thread while the next family is painted. The largest is painted first: its write is the
    // longest, and the smaller families' painting then hides it.
    std::vector<std::size_t> paintOrder(outputs.size());
    std::iota(paintOrder.begin(), paintOrder.end(), std::size_t{0});
    std::stable_sort(paintOrder.begin(), paintOrder.end(), [&](std::size_t a, std::size_t b) {
        const auto area = [](ui::Size size) { return size.width * size.height; };
        return area(outputs[a].size) > area(outputs[b].size);
    });
    // Each file is written beside its target and moved into place only once every earlier one
    // is, so a failure never leaves a partial PNG nor takes away a file that stood there.
    using Staged = std::variant<foundation::StagedFile, std::string>;
    std::vector<std::future<Staged>> writes(outputs.size());
    for (auto i : paintOrder) {
        writes[i] = std::async(std::launch::async,
                               [raster = render::paint(trees[i], scale), &path = outputs[i].path] {
                                   return render::stagePng(raster, path);
                               });
    }
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        auto staged = writes[i].get();
        std::optional<std::string> failure;
        if (auto* reason = std::get_if<std::string>(&staged))
            failure = std::move(*reason);
        else
            failure = std::get<foundation::StagedFile>(staged).commit();
        if (!failure) {
            streams.out << outputs[i].path.string() << '\n';
            continue;
        }
        // The later files are dropped unwritten (their temporary files go with them), so the
        // files changed are the ones listed, as when the writing stopped at the first failure.
        for (std::size_t j = i + 1; j < outputs.size(); ++j)
            writes[j].get();
        if (i == 0)
            createdFolders.removeIfEmpty();
        streams.out.flush();
        auto where = outputs[i].path.string();
        reportError(streams.err, failure->find(where) == std::string::npos
                                     ? "cannot write " + where + ": " + *failure
                                     : *failure);
        return exitOutputFailed;
    }
    return finishOutput(streams);
}

}  // namespace sonaris::platform::cli
