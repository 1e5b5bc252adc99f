#include "platform/desktop/widget_settings.hpp"

#include <toml++/toml.h>
#include <cmath>
#include <cstdlib>
#include <system_error>

#include "platform/foundation/home_directory.hpp"
#include "platform/runtime/family_names.hpp"

namespace sonaris::platform::desktop {

using namespace runtime;

namespace {

// One widget's table, each key optional.
struct WidgetSettings {
    std::optional<ui::WidgetFamily> family;
    std::optional<ui::Size> size;
    std::optional<double> scale;
    std::optional<Anchor> anchor;
    std::optional<ui::Point> margin;
    std::optional<std::string> output;
    std::optional<Backend> backend;
};

class TableReader {
  public:
    TableReader(const std::filesystem::path& file, const toml::table& table)
        : file_(file.string()), table_(table) {}

    std::variant<WidgetSettings, UsageError> read() {
        WidgetSettings settings;
        for (const auto& [key, node] : table_) {
            std::string_view name = key.str();
            line_ = key.source().begin.line;
            std::optional<UsageError> error;
            if (name == "family")
                error =
                    word(node, "family", settings.family, familyNamed, "small, medium or large");
            else if (name == "anchor")
                error = word(node, "anchor", settings.anchor, anchorNamed,
                             "top-left, top, top-right, left, center, right, bottom-left, "
                             "bottom or bottom-right");
            else if (name == "backend")
                error = word(node, "backend", settings.backend, backendNamed, "x11 or wayland");
            else if (name == "output")
                error = text(node, settings.output);
            else if (name == "scale")
                error = scale(node, settings.scale);
            else if (name == "margin")
                error = pair(node, "margin", 0, [&](double x, double y) {
                    settings.margin = ui::Point{x, y};
                });
            else if (name == "size")
                error = pair(node, "size", std::nextafter(0.0, 1.0), [&](double w, double h) {
                    settings.size = ui::Size{w, h};
                });
            else
                error = failure("unknown key '" + std::string(name) +
                                "' (family, size, scale, anchor, margin, output or backend)");
            if (error)
                return *error;
        }
        return settings;
    }

  private:
    UsageError failure(const std::string& why) const {
        return UsageError{file_ + ":" + std::to_string(line_) + ": " + why};
    }

    template <class Value, class Named>
    std::optional<UsageError> word(const toml::node& node, std::string_view key,
                                   std::optional<Value>& out, Named named,
                                   std::string_view choices) {
        auto value = node.value<std::string_view>();
        if (value)
            out = named(*value);
        if (!out)
            return failure(std::string(key) + " must be one of " + std::string(choices));
        return std::nullopt;
    }

    std::optional<UsageError> text(const toml::node& node, std::optional<std::string>& out) {
        auto value = node.value<std::string>();
        if (!value || value->empty())
            return failure("output must be a monitor's name, as a string");
        out = std::move(*value);
        return std::nullopt;
    }

    std::optional<UsageError> scale(const toml::node& node, std::optional<double>& out) {
        auto value = node.value<double>();
        if (!value || !std::isfinite(*value) || *value <= 0)
            return failure("scale must be a number of pixels per point above 0");
        out = *value;
        return std::nullopt;
    }

    // [x, y]: two numbers, each at least `least`.
    template <class Take>
    std::optional<UsageError> pair(const toml::node& node, std::string_view key, double least,
                                   Take take) {
        const auto* array = node.as_array();
        std::optional<double> x;
        std::optional<double> y;
        if (array && array->size() == 2) {
            x = (*array)[0].value<double>();
            y = (*array)[1].value<double>();
        }
        constexpr double largest = 100000;
        auto fits = [&](std::optional<double> v) {
            return v && std::isfinite(*v) && *v >= least && *v <= largest;
        };
        if (!fits(x) || !fits(y))
            return failure(std::string(key) + " must be [x, y] in points, two numbers" +
                           (least > 0 ? " above 0" : " of 0 or more"));
        take(*x, *y);
        return std::nullopt;
    }

    std::string file_;
    const toml::table& table_;
    unsigned line_ = 0;
};

// The table that applies without --name, so that a widget started with no arguments (as by the
// session's autostart entry) is placed as the file says; it need not exist.
constexpr std::string_view defaultTableName = "default";

// `named`: asked for by --name, so a missing file or table is an error.
std::variant<WidgetSettings, UsageError> readSettings(const std::filesystem::path& file,
                                                      const std::string& name, bool named) {
    std::error_code error;
    if (!named && !std::filesystem::exists(file, error))
        return WidgetSettings{};
    if (!std::filesystem::is_regular_file(file, error))
        return UsageError{(named ? "--name " + name + ": " : std::string()) +
                          "there is no settings file " + file.string()};
    toml::table document;
    try {
        document = toml::parse_file(file.string());
    } catch (const toml::parse_error& broken) {
        return UsageError{file.string() + ":" + std::to_string(broken.source().begin.line) + ": " +
                          std::string(broken.description())};
    }
    const toml::node* node = document.get(name);
    if (!node && !named)
        return WidgetSettings{};
    if (!node)
        return UsageError{"--name " + name + ": " + file.string() + " has no table [" + name + "]"};
    const toml::table* table = node->as_table();
    if (!table)
        return UsageError{file.string() + ":" + std::to_string(node->source().begin.line) + ": " +
                          name + " must be a table, [" + name + "]"};
    return TableReader(file, *table).read();
}

}  // namespace

std::optional<std::filesystem::path> widgetSettingsPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config && std::filesystem::path(config).is_absolute())
        return std::filesystem::path(config) / "sonaris" / "widget.toml";
    auto home = foundation::homeDirectoryForCurrentUser();
    if (!home)
        return std::nullopt;
    return *home / ".config" / "sonaris" / "widget.toml";
}

std::variant<LiveWidgetChoice, UsageError> chooseLiveWidget(
    const LiveWidgetOptions& options, const std::optional<std::filesystem::path>& settingsFile) {
    WidgetSettings settings;
    if (options.name && !settingsFile)
        return UsageError{"--name " + *options.name +
                          ": there is no home folder to find the settings file in"};
    if (settingsFile) {
        auto read =
            readSettings(*settingsFile, options.name.value_or(std::string(defaultTableName)),
                         options.name.has_value());
        if (auto* error = std::get_if<UsageError>(&read))
            return std::move(*error);
        settings = std::get<WidgetSettings>(std::move(read));
    }

    LiveWidgetChoice choice;
    auto& request = choice.request;
    request.family =
        options.family.value_or(settings.family.value_or(ui::WidgetFamily::systemSmall));
    // A size goes with the family it was chosen for: a family on the command line drops the
    // file's size.
    if (options.size)
        request.points = *options.size;
    else if (settings.size && !options.family)
        request.points = *settings.size;
    else
        request.points = defaultSize(request.family);
    request.scale = options.scale ? options.scale : settings.scale;
    request.placement.anchor = options.anchor.value_or(settings.anchor.value_or(Anchor::center));
    request.placement.margin = options.margin.value_or(settings.margin.value_or(ui::Point{}));
    request.placement.output = options.output ? options.output : settings.output;
    choice.backend = options.backend.value_or(settings.backend.value_or(Backend::automatic));

    double scale = request.scale.value_or(1);
    if (std::ceil(request.points.width * scale) > maximumPixelsPerSide ||
        std::ceil(request.points.height * scale) > maximumPixelsPerSide)
        return UsageError{"the widget's size and scale ask for over 16384 pixels on a side"};
    return choice;
}

}  // namespace sonaris::platform::desktop
