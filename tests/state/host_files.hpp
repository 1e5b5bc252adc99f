#pragma once

#include <stdlib.h>
#include <turbojpeg.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/foundation/base64.hpp"
#include "state/host_contract.hpp"

namespace sonaris::testing {

// A scratch home folder for the length of a test: $HOME points into a fresh temporary folder and
// $XDG_RUNTIME_DIR to "run" inside it (so that a real session's live files never show through),
// and all is restored and removed afterwards.
class ScratchHome {
  public:
    ScratchHome() {
        if (const char* home = std::getenv("HOME"))
            saved_ = home;
        if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"))
            savedRuntime_ = runtime;
        std::string pattern = (std::filesystem::temp_directory_path() / "sonaris-home-XXXXXX");
        path_ = mkdtemp(pattern.data());
        setenv("HOME", path_.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (path_ / "run").c_str(), 1);
    }
    ~ScratchHome() {
        if (saved_)
            setenv("HOME", saved_->c_str(), 1);
        else
            unsetenv("HOME");
        if (savedRuntime_)
            setenv("XDG_RUNTIME_DIR", savedRuntime_->c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchHome(const ScratchHome&) = delete;
    ScratchHome& operator=(const ScratchHome&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path runtimeFolder() const { return path_ / "run/sonaris"; }
    std::filesystem::path runtimeState() const {
        return runtimeFolder() / state::HostFiles::stateFileName;
    }
    std::filesystem::path runtimeCover() const {
        return runtimeFolder() / state::HostFiles::coverFileName;
    }
    std::filesystem::path containerFolder() const {
        return path_ / state::HostFiles::containerFolder();
    }
    std::filesystem::path supportFolder() const {
        return path_ / std::string(state::HostFiles::supportFolder);
    }
    std::filesystem::path containerState() const {
        return containerFolder() / state::HostFiles::stateFileName;
    }
    std::filesystem::path supportState() const {
        return supportFolder() / state::HostFiles::stateFileName;
    }
    std::filesystem::path containerCover() const {
        return containerFolder() / state::HostFiles::coverFileName;
    }
    std::filesystem::path supportCover() const {
        return supportFolder() / state::HostFiles::coverFileName;
    }

  private:
    std::optional<std::string> saved_;
    std::optional<std::string> savedRuntime_;
    std::filesystem::path path_;
};

inline void writeFile(const std::filesystem::path& path, std::string_view content) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(content.data(), static_cast<std::streamsize>(content.size()));
}

inline void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    writeFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// A JPEG of noise, `width` by `height` pixels.
inline std::string base64Of(const std::vector<std::uint8_t>& bytes) {
    return platform::foundation::base64Encode(bytes.data(), bytes.size());
}

inline std::vector<std::uint8_t> makeJpeg(int width, int height, unsigned seed = 1) {
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 3);
    std::mt19937 random(seed);
    for (auto& p : pixels)
        p = static_cast<unsigned char>(random());
    const std::unique_ptr<void, int (*)(tjhandle)> compressor(tjInitCompress(), tjDestroy);
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    if (tjCompress2(compressor.get(), pixels.data(), width, 0, height, TJPF_RGB, &jpeg, &size,
                    TJSAMP_420, 80, 0) != 0)
        return {};
    std::vector<std::uint8_t> bytes(jpeg, jpeg + size);
    tjFree(jpeg);
    return bytes;
}

// A valid state file's members, in order; tests replace, drop or add members to break one rule.
struct StateMember {
    std::string key;
    std::string json;
};

inline std::vector<StateMember> validStateMembers() {
    return {
        {"isPlaying", "true"},
        {"title", R"("Song")"},
        {"artist", R"("Band")"},
        {"album", R"("Record")"},
        {"duration", "200"},
        {"currentTime", "50"},
        {"mediaKind", R"("audio")"},
        {"hasArtwork", "false"},
        {"recentTracks", R"([{"title":"One","artist":"A","durationText":"3:00","path":"/m/1.mp3"},)"
                         R"({"title":"Two","artist":"B","durationText":"REC","path":"screen"}])"},
        {"updatedAt", "757000000.5"},
    };
}

inline std::string stateDocument(const std::vector<StateMember>& members) {
    std::string json = "{";
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (i)
            json += ", ";
        json += "\"" + members[i].key + "\": " + members[i].json;
    }
    return json + "}";
}

// The valid document with `key` set to `json` (added when absent), or dropped when `json` is
// nothing.
inline std::string stateDocumentWith(const std::string& key, std::optional<std::string> json) {
    auto members = validStateMembers();
    bool found = false;
    for (auto it = members.begin(); it != members.end(); ++it) {
        if (it->key != key)
            continue;
        found = true;
        if (json)
            it->json = *json;
        else
            members.erase(it);
        break;
    }
    if (!found && json)
        members.push_back({key, *json});
    return stateDocument(members);
}

inline std::string validStateDocument() {
    return stateDocument(validStateMembers());
}

}  // namespace sonaris::testing
