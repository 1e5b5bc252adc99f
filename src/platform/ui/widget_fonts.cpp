#include "platform/ui/widget_fonts.hpp"

#include <fontconfig/fontconfig.h>
#include <glib.h>

#include <memory>

namespace sonaris::platform::ui {

namespace {

// Where Debian's fonts-inter, fonts-comfortaa, fonts-noto-cjk and fonts-noto-color-emoji put
// them. The Noto folders hold hundreds of other faces, left out by name; the caches are the ones
// fc-cache keeps for the desktop, so nothing is scanned unless the fonts changed since. Of the
// desktop's rules two change how these fonts are drawn: the colour emoji are bitmaps, scaled to
// the size asked for, and a weight a family lacks is made bolder from a lighter one.
constexpr char kConfiguration[] = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>/usr/share/fonts/opentype/inter</dir>
  <dir>/usr/share/fonts/truetype/comfortaa</dir>
  <dir>/usr/share/fonts/opentype/noto</dir>
  <dir>/usr/share/fonts/truetype/noto</dir>
  <cachedir>/var/cache/fontconfig</cachedir>
  <cachedir prefix="xdg">fontconfig</cachedir>
  <include ignore_missing="yes">/etc/fonts/conf.d/10-scale-bitmap-fonts.conf</include>
  <include ignore_missing="yes">/etc/fonts/conf.d/90-synthetic.conf</include>
  <selectfont>
    <acceptfont>
      <glob>/usr/share/fonts/opentype/inter/Inter-*</glob>
      <glob>/usr/share/fonts/opentype/noto/NotoSansCJK-*</glob>
      <glob>/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf</glob>
    </acceptfont>
    <rejectfont>
      <glob>/usr/share/fonts/opentype/inter/*</glob>
      <glob>/usr/share/fonts/opentype/noto/*</glob>
      <glob>/usr/share/fonts/truetype/noto/*</glob>
    </rejectfont>
  </selectfont>
</fontconfig>
)";

struct ConfigDeleter {
    void operator()(FcConfig* config) const { FcConfigDestroy(config); }
};
struct CharSetDeleter {
    void operator()(FcCharSet* charSet) const { FcCharSetDestroy(charSet); }
};

struct WidgetFonts {
    std::unique_ptr<FcConfig, ConfigDeleter> config;
    std::unique_ptr<FcCharSet, CharSetDeleter> characters;
};

WidgetFonts loadWidgetFonts() {
    std::unique_ptr<FcConfig, ConfigDeleter> config(FcConfigCreate());
    if (!config ||
        !FcConfigParseAndLoadFromMemory(
            config.get(), reinterpret_cast<const FcChar8*>(kConfiguration), FcFalse) ||
        !FcConfigBuildFonts(config.get()))
        return {};
    FcFontSet* fonts = FcConfigGetFonts(config.get(), FcSetSystem);
    if (!fonts)
        return {};
    std::unique_ptr<FcCharSet, CharSetDeleter> characters(FcCharSetCreate());
    bool inter = false;
    bool comfortaa = false;
    for (int i = 0; i < fonts->nfont; ++i) {
        FcChar8* family = nullptr;
        for (int n = 0; FcPatternGetString(fonts->fonts[i], FC_FAMILY, n, &family) == FcResultMatch;
             ++n) {
            const std::string_view name(reinterpret_cast<const char*>(family));
            inter = inter || name == "Inter";
            comfortaa = comfortaa || name == "Comfortaa";
        }
        FcCharSet* covered = nullptr;
        if (FcPatternGetCharSet(fonts->fonts[i], FC_CHARSET, 0, &covered) == FcResultMatch)
            FcCharSetMerge(characters.get(), covered, nullptr);
    }
    // Without the two named families the desktop's own substitutes are the better choice.
    if (!inter || !comfortaa)
        return {};
    return {std::move(config), std::move(characters)};
}

const WidgetFonts& widgetFonts() {
    static const WidgetFonts fonts = loadWidgetFonts();
    return fonts;
}

// Characters that are never drawn as glyphs: controls, and the line and paragraph separators.
bool drawsNoGlyph(gunichar c) {
    return c < 0x20 || (c >= 0x7f && c < 0xa0) || c == 0x2028 || c == 0x2029;
}

}  // namespace

FcConfig* widgetFontConfig() {
    return widgetFonts().config.get();
}

bool widgetFontsCover(std::string_view text) {
    const FcCharSet* characters = widgetFonts().characters.get();
    if (!characters)
        return false;
    const char* end = text.data() + text.size();
    for (const char* at = text.data(); at < end; at = g_utf8_next_char(at)) {
        const gunichar c = g_utf8_get_char(at);
        if (!drawsNoGlyph(c) && !FcCharSetHasChar(characters, c))
            return false;
    }
    return true;
}

}  // namespace sonaris::platform::ui
