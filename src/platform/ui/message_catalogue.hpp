#pragma once

#include <filesystem>
#include <optional>

namespace sonaris::platform::ui {

// The folder that holds the fixed labels' translations for a program at `executable`: the
// build tree's share/locale beside it, an installed tree's ../share/locale, else the folder the
// program was configured to be installed with.
std::filesystem::path messageCatalogueFolder(const std::filesystem::path& executable);

// Makes `localized` follow the user's language (LANGUAGE, LC_ALL, LC_MESSAGES, LANG) from the
// catalogue folder. Only the messages category is taken from the environment: numbers keep
// the C locale's form in every output. Without a catalogue for the language, labels stay as
// written.
void bindMessageCatalogue(const std::filesystem::path& folder);

}  // namespace sonaris::platform::ui
