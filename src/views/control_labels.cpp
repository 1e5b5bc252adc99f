#include "views/control_labels.hpp"

namespace sonaris::views {

using namespace platform::ui;

LocalizedStringKey previousLabel() {
    return "Предыдущий"_key;
}

LocalizedStringKey nextLabel() {
    return "Следующий"_key;
}

LocalizedStringKey toggleLabel(bool isPlaying) {
    return isPlaying ? "Пауза"_key : "Играть"_key;
}

LocalizedStringKey recordScreenLabel() {
    return "Запись экрана"_key;
}

LocalizedStringKey recordAudioLabel() {
    return "Запись звука"_key;
}

LocalizedStringKey editorLabel() {
    return "Монтаж"_key;
}

}  // namespace sonaris::views
