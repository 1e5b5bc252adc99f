#include <gtest/gtest.h>

#include "state/host_files.hpp"
#include "timeline/sonaris_entry.hpp"
#include "timeline/sonaris_widget_provider.hpp"

namespace sonaris::timeline {
namespace {

using testing::makeJpeg;
using testing::ScratchHome;
using testing::stateDocumentWith;
using testing::writeFile;

SonarisEntry readEntry() {
    std::optional<SonarisEntry> result;
    SonarisWidgetProvider().getSnapshot({}, [&](SonarisEntry entry) { result = std::move(entry); });
    return std::move(result).value();
}

// The live widget skips drawing an entry that shows the same as the shown one: anything the
// host changes must count, and a rewrite of the same files must not.
TEST(SameContent, FollowsEveryChangeOfTheHostsFilesAndNothingElse) {
    ScratchHome home;
    writeFile(home.supportState(), stateDocumentWith("title", "\"One\""));
    writeFile(home.supportCover(), makeJpeg(30, 20, 1));
    const auto shown = readEntry();

    writeFile(home.supportState(), stateDocumentWith("title", "\"One\""));
    EXPECT_TRUE(sameContent(shown, readEntry())) << "the same files written again";

    writeFile(home.supportCover(), makeJpeg(30, 20, 2));
    EXPECT_FALSE(sameContent(shown, readEntry())) << "a cover of the same size replaced alone";

    writeFile(home.supportCover(), makeJpeg(30, 20, 1));
    writeFile(home.supportState(), stateDocumentWith("title", "\"Two\""));
    EXPECT_FALSE(sameContent(shown, readEntry())) << "a new title";
}

}  // namespace
}  // namespace sonaris::timeline
