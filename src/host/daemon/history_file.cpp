#include "host/daemon/history_file.hpp"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <unistd.h>

#include <simdjson.h>
#include <cerrno>
#include <cstring>

#include "host/daemon/atomic_file.hpp"
#include "host/daemon/track_history.hpp"
#include "host/daemon/track_text.hpp"
#include "platform/foundation/file.hpp"
#include "state/state_json.hpp"

namespace sonaris::host::daemon {
namespace {

// Twenty rows of capped texts stay far below this; anything larger is not ours.
constexpr std::size_t maxHistoryFileBytes = 4u << 20;

class LockFile {
  public:
    explicit LockFile(const std::filesystem::path& path)
        : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {}
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;
    ~LockFile() {
        if (fd_ >= 0)
            ::close(fd_);  // releases the lock
    }
    int fd() const { return fd_; }

  private:
    int fd_;
};

// Moves the file to the first free "<name>.broken[.N]"; its new name, or nothing.
std::optional<std::filesystem::path> setAside(const std::filesystem::path& path) {
    for (int i = 0; i < 100; ++i) {
        auto name = path;
        name += i == 0 ? ".broken" : ".broken." + std::to_string(i);
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0)
            return name;
        if (errno == EEXIST)
            continue;
        // A file system that cannot rename without replacing can still link without replacing.
        if (errno == EINVAL && ::link(path.c_str(), name.c_str()) == 0)
            return name;
        if (errno != EEXIST)
            return std::nullopt;
    }
    return std::nullopt;
}

HistoryRead unreadable(const std::filesystem::path& path, const std::string& why) {
    HistoryRead read;
    auto kept = setAside(path);
    read.notice = path.string() + " " + why + (kept ? "; kept as " + kept->string() : "") +
                  "; the history starts afresh";
    return read;
}

std::optional<std::string> write(const std::filesystem::path& path,
                                 const std::vector<state::WidgetTrackInfo>& rows) {
    std::string text = "{\"recentTracks\":[";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0)
            text += ',';
        text += state::encodeJson(rows[i]);
    }
    text += "]}\n";
    return writeFileAtomically(path, text, true);
}

}  // namespace

HistoryRead readHistory(const std::filesystem::path& path) {
    std::error_code error;
    auto size = std::filesystem::file_size(path, error);
    if (error)
        return {};  // missing: nothing played yet
    if (size > maxHistoryFileBytes)
        return unreadable(path, "is too large to be a history");
    auto bytes = platform::foundation::readWholeFile(path);
    if (!bytes)
        return {{}, path.string() + " cannot be read; the history is kept in memory", true};
    simdjson::dom::parser parser;
    simdjson::dom::element document;
    simdjson::dom::array list;
    if (parser.parse(reinterpret_cast<const char*>(bytes->data()), bytes->size()).get(document) ||
        document["recentTracks"].get_array().get(list))
        return unreadable(path, "is not a history");
    HistoryRead read;
    std::size_t skipped = 0;
    for (auto item : list) {
        std::string_view title, artist, durationText, url;
        if (item["title"].get_string().get(title) || item["artist"].get_string().get(artist) ||
            item["durationText"].get_string().get(durationText) ||
            item["path"].get_string().get(url)) {
            ++skipped;
            continue;
        }
        read.rows.push_back({withoutControlCharacters(title), withoutControlCharacters(artist),
                             withoutControlCharacters(durationText),
                             withoutControlCharacters(url)});
    }
    if (skipped > 0)
        read.notice = path.string() + ": skipped " + std::to_string(skipped) +
                      (skipped == 1 ? " row" : " rows") + " that could not be read";
    return read;
}

HistorySaved saveHistory(const std::filesystem::path& path,
                         const std::vector<state::WidgetTrackInfo>& added) {
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    auto lockPath = path;
    lockPath += ".lock";
    LockFile lock(lockPath);
    if (lock.fd() < 0)
        return "cannot open " + lockPath.string() + ": " + std::strerror(errno);
    // Not waited for: a stuck process holding it must not stop the host.
    if (::flock(lock.fd(), LOCK_EX | LOCK_NB) != 0)
        return errno == EWOULDBLOCK
                   ? HistorySaved(HistoryBusy{})
                   : "cannot lock " + lockPath.string() + ": " + std::strerror(errno);
    auto read = readHistory(path);
    if (read.blocked)
        return *read.notice;
    TrackHistory merged(read.rows);
    for (const auto& row : added)
        merged.add(row);
    read.rows = merged.rows();
    if (auto failure = write(path, read.rows))
        return *failure;
    return read;
}

}  // namespace sonaris::host::daemon
