#include "state/widget_data_loader.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/foundation/base64.hpp"
#include "state/host_files.hpp"

namespace sonaris::state {
namespace {

using platform::image::PixelSize;
using testing::base64Of;
using testing::makeJpeg;
using testing::ScratchHome;
using testing::stateDocumentWith;
using testing::writeFile;

std::string stateTitled(const std::string& title) {
    return stateDocumentWith("title", "\"" + title + "\"");
}

// Files that are no state file, each made at `path`.
struct BadFile {
    const char* name;
    void (*make)(const std::filesystem::path& path);
};

const BadFile badFiles[] = {
    {"empty", [](const auto& path) { writeFile(path, ""); }},
    {"binary junk",
     [](const auto& path) {
         std::vector<std::uint8_t> junk(5000);
         for (std::size_t i = 0; i < junk.size(); ++i)
             junk[i] = static_cast<std::uint8_t>(i * 7919 >> 3);
         writeFile(path, junk);
     }},
    {"a truncated picture",
     [](const auto& path) {
         auto picture = makeJpeg(64, 64);
         picture.resize(20);
         writeFile(path, picture);
     }},
    {"truncated", [](const auto& path) { writeFile(path, stateTitled("Broken").substr(0, 80)); }},
    {"invalid UTF-8", [](const auto& path) { writeFile(path, stateTitled("\xc3\x28")); }},
    {"deep nesting",
     [](const auto& path) { writeFile(path, stateDocumentWith("x", std::string(200000, '['))); }},
    {"a directory", [](const auto& path) { std::filesystem::create_directories(path); }},
    // Sparse, so it costs no disk; refused on its size, it is never read.
    {"a gigabyte",
     [](const auto& path) {
         writeFile(path, stateTitled("Huge"));
         std::filesystem::resize_file(path, std::size_t{1} << 30);
     }},
    // A lossless WebP header stating its bitstream, and no bitstream: what a reader sees of a
    // cover the host has only begun to write.
    {"a picture header without its data",
     [](const auto& path) {
         std::vector<std::uint8_t> webp = {'R', 'I', 'F',  'F',  0xF4, 0x03, 0,   0,    'W',
                                           'E', 'B', 'P',  'V',  'P',  '8',  'L', 0xE8, 0x03,
                                           0,   0,   0x2F, 0x1F, 0xC0, 0x07, 0x00};
         webp.resize(42, 0);
         writeFile(path, webp);
     }},
    {"a named pipe",
     [](const auto& path) {
         std::filesystem::create_directories(path.parent_path());
         ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
     }},
    {"100 MB of spaces before junk",
     [](const auto& path) {
         std::string big(100 << 20, ' ');
         big += "{]";
         writeFile(path, big);
     }},
};

TEST(LoadStateTest, PrefersTheContainerFileAndFallsBackInOrder) {
    {
        ScratchHome home;
        writeFile(home.supportState(), stateTitled("Support"));
        EXPECT_EQ(WidgetDataLoader::loadState().title, "Support");
        writeFile(home.containerState(), stateTitled("Container"));
        EXPECT_EQ(WidgetDataLoader::loadState().title, "Container");
        // The runtime folder, where this platform's host writes, comes before both.
        writeFile(home.runtimeState(), stateTitled("Runtime"));
        EXPECT_EQ(WidgetDataLoader::loadState().title, "Runtime");
        writeFile(home.runtimeState(), "{broken");
        EXPECT_EQ(WidgetDataLoader::loadState().title, "Container");
        // Without XDG_RUNTIME_DIR only the two folders under the home folder count.
        writeFile(home.runtimeState(), stateTitled("Runtime"));
        unsetenv("XDG_RUNTIME_DIR");
        EXPECT_EQ(WidgetDataLoader::loadState().title, "Container");
        setenv("XDG_RUNTIME_DIR", "relative/run", 1);
        EXPECT_EQ(WidgetDataLoader::loadState().title, "Container");
    }
    {
        ScratchHome home;
        writeFile(home.containerState(), stateTitled("Container"));
        EXPECT_EQ(WidgetDataLoader::loadState().title, "Container");
    }
    {
        ScratchHome home;
        const auto state = WidgetDataLoader::loadState();
        EXPECT_EQ(state.title, "Sonaris");
        EXPECT_EQ(state.recentTracks.size(), 3u);
    }
}

TEST(LoadStateTest, SeesChangesAndANewHomeOnEveryCall) {
    ScratchHome home;
    writeFile(home.supportState(), stateTitled("First"));
    EXPECT_EQ(WidgetDataLoader::loadState().title, "First");
    writeFile(home.supportState(), stateTitled("Second"));
    EXPECT_EQ(WidgetDataLoader::loadState().title, "Second");
    {
        ScratchHome other;
        EXPECT_EQ(WidgetDataLoader::loadState().title, "Sonaris");
    }
}

TEST(LoadStateTest, ABadFileAtEitherPlaceNeverHidesAGoodOneOrHangs) {
    for (const auto& bad : badFiles) {
        {
            ScratchHome home;
            bad.make(home.containerState());
            writeFile(home.supportState(), stateTitled("Support"));
            EXPECT_EQ(WidgetDataLoader::loadState().title, "Support") << bad.name;
        }
        {
            ScratchHome home;
            bad.make(home.supportState());
            EXPECT_EQ(WidgetDataLoader::loadState().title, "Sonaris") << bad.name;
        }
    }
}

TEST(LoadStateTest, SkipsAFileItMayNotRead) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permission bits do not stop root";
    ScratchHome home;
    writeFile(home.containerState(), stateTitled("Hidden"));
    ASSERT_EQ(chmod(home.containerState().c_str(), 0), 0);
    writeFile(home.supportState(), stateTitled("Support"));
    EXPECT_EQ(WidgetDataLoader::loadState().title, "Support");
}

TEST(LoadStateTest, DecodesALargeInlineCover) {
    ScratchHome home;
    const auto cover = makeJpeg(600, 400);
    writeFile(home.supportState(),
              stateDocumentWith("artworkBase64", "\"" + base64Of(cover) + "\""));
    const auto state = WidgetDataLoader::loadState();
    ASSERT_TRUE(state.artworkBase64);
    EXPECT_EQ(*state.artworkBase64, base64Of(cover));
    // Every copy of the state (one per view and layout) shares the one text.
    const WidgetSharedState copy = state;
    EXPECT_EQ(copy.artworkBase64->data(), state.artworkBase64->data());
}

class LoadArtworkTest : public ::testing::Test {
  protected:
    ScratchHome home;
    const std::vector<std::uint8_t> inlinePicture = makeJpeg(40, 30);
    const std::vector<std::uint8_t> containerPicture = makeJpeg(20, 10);
    const std::vector<std::uint8_t> supportPicture = makeJpeg(12, 34);

    static std::optional<PixelSize> loadedSize(std::optional<std::string_view> base64) {
        const auto image = WidgetDataLoader::loadArtworkImage(base64);
        if (!image)
            return std::nullopt;
        return image->naturalSize();
    }
};

TEST_F(LoadArtworkTest, InlineTextComesFirstThenTheCoverFilesInOrder) {
    writeFile(home.runtimeCover(), inlinePicture);
    writeFile(home.containerCover(), containerPicture);
    writeFile(home.supportCover(), supportPicture);
    EXPECT_EQ(loadedSize(std::nullopt), (PixelSize{40, 30}));
    std::filesystem::remove(home.runtimeCover());
    EXPECT_EQ(loadedSize(base64Of(inlinePicture)), (PixelSize{40, 30}));
    EXPECT_EQ(loadedSize(std::nullopt), (PixelSize{20, 10}));
    std::filesystem::remove(home.containerCover());
    EXPECT_EQ(loadedSize(std::nullopt), (PixelSize{12, 34}));
    std::filesystem::remove(home.supportCover());
    EXPECT_EQ(loadedSize(std::nullopt), std::nullopt);
}

TEST_F(LoadArtworkTest, TextThatGivesNoPictureFallsBackToTheFiles) {
    writeFile(home.supportCover(), supportPicture);
    std::string broken = base64Of(inlinePicture);
    broken.insert(76, "\n");
    const std::string notAPicture = base64Of(std::vector<std::uint8_t>(300, 'x'));
    std::string truncated = base64Of(inlinePicture);
    truncated.resize(truncated.size() / 2 / 4 * 4);
    for (const std::string& text : {std::string(), broken, notAPicture, std::string("!!!!")})
        EXPECT_EQ(loadedSize(text), (PixelSize{12, 34})) << text.substr(0, 20);
    // Without cover files the same texts give no image.
    std::filesystem::remove(home.supportCover());
    for (const std::string& text : {std::string(), broken, notAPicture})
        EXPECT_EQ(loadedSize(text), std::nullopt) << text.substr(0, 20);
}

TEST_F(LoadArtworkTest, ACoverFileThatIsNoPictureGivesWayToTheNext) {
    writeFile(home.supportCover(), supportPicture);
    for (const auto& bad : badFiles) {
        std::filesystem::remove_all(home.containerCover());
        bad.make(home.containerCover());
        EXPECT_EQ(loadedSize(std::nullopt), (PixelSize{12, 34})) << bad.name;
    }
}

TEST(WidgetDataLoaderTest, NamesItsLocationsUnderTheCurrentHome) {
    ScratchHome home;
    using Paths = std::vector<std::filesystem::path>;
    EXPECT_EQ(WidgetDataLoader::stateFileLocations(),
              (Paths{home.path() / "run/sonaris/widget_state.json",
                     home.path() / "Library/Containers/com.tavrin.sonaris.widget/Data/Documents/"
                                   "widget_state.json",
                     home.path() / "Library/Application Support/Sonaris/widget_state.json"}));
    EXPECT_EQ(WidgetDataLoader::coverFileLocations(),
              (Paths{home.runtimeCover(), home.containerCover(), home.supportCover()}));
    EXPECT_EQ(WidgetDataLoader::hostFolders(),
              (Paths{home.runtimeFolder(), home.containerFolder(), home.supportFolder()}));
}

}  // namespace
}  // namespace sonaris::state
