#include "platform/ui/message_catalogue.hpp"

#include <libintl.h>

#include <clocale>
#include <system_error>

#include "platform/ui/views.hpp"

#ifndef SONARIS_LOCALEDIR
#define SONARIS_LOCALEDIR "/usr/local/share/locale"
#endif

namespace sonaris::platform::ui {

std::filesystem::path messageCatalogueFolder(const std::filesystem::path& executable) {
    std::error_code error;
    auto folder = executable.parent_path();
    for (const auto& candidate : {folder / "share" / "locale", folder / ".." / "share" / "locale"})
        if (std::filesystem::is_directory(candidate, error))
            return candidate.lexically_normal();
    return SONARIS_LOCALEDIR;
}

void bindMessageCatalogue(const std::filesystem::path& folder) {
    std::setlocale(LC_MESSAGES, "");
    bindtextdomain(textDomain, folder.c_str());
    // Labels are drawn and printed as UTF-8 whatever the character set of the user's locale.
    bind_textdomain_codeset(textDomain, "UTF-8");
}

}  // namespace sonaris::platform::ui
