#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/foundation/shared_text.hpp"

namespace sonaris::platform::image {

struct PixelSize {
    int width = 0;
    int height = 0;
    bool operator==(const PixelSize&) const = default;
};

// Decoded pixels in Cairo's ARGB32 layout: premultiplied alpha, one native-endian 32-bit word a
// pixel, rows `stride` bytes apart.
struct Bitmap {
    PixelSize size;
    int stride = 0;
    std::vector<std::uint8_t> pixels;
};

class ImageSource;

// An immutable picture shared by counted reference. There is an image exactly when a decoder
// recognises the bytes, reads a valid header, finds the picture's data there (not a header
// alone, nor a file cut short) and can decode it within the working memory a picture is given;
// its pixels are decoded later, at the size they are drawn, and kept for the next draw. Copies
// share the source and its decoded pixels; every operation is safe to call from several threads at
// once.
class Image {
  public:
    static std::optional<Image> fromBytes(std::vector<std::uint8_t> bytes);
    // The same for a reader with a memory budget of its own, which has already capped the bytes
    // it read at `maxEncodedBytes` rather than at the widget's limit; the decode stays within the
    // widget's limits either way.
    static std::optional<Image> fromBytes(std::vector<std::uint8_t> bytes,
                                          std::size_t maxEncodedBytes);
    static std::optional<Image> fromFile(const std::filesystem::path& path);
    // A picture given as Base64 text that is kept elsewhere anyway (a state's inline cover): the
    // image holds a reference to the text and decodes the bytes from it again for each decode,
    // so between draws the picture costs no second copy. Nothing when the text is not strict
    // Base64 of a picture.
    static std::optional<Image> fromBase64(foundation::SharedText text);

    // The picture's own size in pixels, as its header states it.
    PixelSize naturalSize() const;

    // Pixels at least `atLeast` in both directions where the picture is that large (otherwise at
    // its natural size), keeping the aspect ratio, and never more pixels than a decode may have;
    // decoded on first need and reused by every later call that asks for no more. A side of zero or
    // less asks for nothing that way, so {0, 0} gives the smallest decode the encoding offers.
    // Nothing when the pixel data turns out to be corrupt.
    std::shared_ptr<const Bitmap> decoded(PixelSize atLeast) const;

    // Whether two values share one source (the same loaded picture).
    bool isSameImage(const Image& other) const { return source_ == other.source_; }
    // Whether two pictures were made from the same bytes (or the same Base64 text), loaded once
    // or twice.
    bool hasSameBytes(const Image& other) const;

  private:
    // The picture in `bytes`, which `owner` keeps alive.
    static std::optional<Image> fromHeld(std::shared_ptr<const void> owner,
                                         std::span<const std::uint8_t> bytes,
                                         std::size_t maxEncodedBytes);
    explicit Image(std::shared_ptr<ImageSource> source) : source_(std::move(source)) {}
    std::shared_ptr<ImageSource> source_;
};

}  // namespace sonaris::platform::image
