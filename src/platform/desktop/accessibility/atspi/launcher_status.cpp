#include "platform/desktop/accessibility/atspi/launcher_status.hpp"

#include <chrono>
#include <vector>

#include "platform/desktop/accessibility/atspi/atspi_names.hpp"

namespace sonaris::platform::desktop::accessibility::atspi {

namespace {

using namespace std::chrono_literals;

constexpr const char* propertiesInterface = "org.freedesktop.DBus.Properties";
// The launcher answers at once; one that does not is treated as absent rather than waited for.
constexpr auto launcherTimeout = 1s;

}  // namespace

std::unique_ptr<LauncherStatus> LauncherStatus::connect() {
    try {
        std::unique_ptr<LauncherStatus> status(
            new LauncherStatus(sdbus::createSessionBusConnection()));
        std::map<std::string, sdbus::Variant> properties;
        status->launcher_->callMethod("GetAll")
            .onInterface(propertiesInterface)
            .withTimeout(launcherTimeout)
            .withArguments(std::string(statusInterface))
            .storeResultsTo(properties);
        status->update(properties);
        return status;
    } catch (const sdbus::Error&) {
        return nullptr;
    }
}

LauncherStatus::LauncherStatus(std::unique_ptr<sdbus::IConnection> session)
    : session_(std::move(session)),
      launcher_(sdbus::createProxy(*session_, launcherName, launcherPath)) {
    launcher_->uponSignal("PropertiesChanged")
        .onInterface(propertiesInterface)
        .call([this](const std::string& interface,
                     const std::map<std::string, sdbus::Variant>& properties,
                     const std::vector<std::string>&) {
            if (interface != statusInterface)
                return;
            const bool before = enabled_;
            update(properties);
            if (enabled_ != before && changed_)
                changed_(enabled_);
        });
    launcher_->finishRegistration();
}

void LauncherStatus::update(const std::map<std::string, sdbus::Variant>& properties) {
    auto read = [&](const char* name, bool& into) {
        auto found = properties.find(name);
        if (found != properties.end() && found->second.containsValueOfType<bool>())
            into = found->second.get<bool>();
    };
    read("IsEnabled", isEnabled_);
    read("ScreenReaderEnabled", screenReaderEnabled_);
    enabled_ = isEnabled_ || screenReaderEnabled_;
}

std::optional<std::string> LauncherStatus::busAddress() {
    try {
        std::string address;
        launcher_->callMethod("GetAddress")
            .onInterface(launcherInterface)
            .withTimeout(launcherTimeout)
            .storeResultsTo(address);
        if (address.empty())
            return std::nullopt;
        return address;
    } catch (const sdbus::Error&) {
        return std::nullopt;
    }
}

}  // namespace sonaris::platform::desktop::accessibility::atspi
