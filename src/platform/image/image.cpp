#include "platform/image/image.hpp"

#include <algorithm>
#include <mutex>
#include <new>

#include "platform/foundation/base64.hpp"
#include "platform/foundation/file.hpp"
#include "platform/image/box_reducer.hpp"
#include "platform/image/codec.hpp"
#include "platform/image/limits.hpp"

namespace sonaris::platform::image {

// The bytes of one picture and the largest decode made of it so far, shared by every copy of the
// Image made from them.
class ImageSource {
  public:
    // `bytes` lie in memory kept alive by `owner`.
    ImageSource(std::shared_ptr<const void> owner, std::span<const std::uint8_t> bytes,
                Header header)
        : owner_(std::move(owner)), bytes_(bytes), header_(header) {}
    ImageSource(foundation::SharedText base64, Header header)
        : base64_(std::move(base64)), header_(header) {}

    PixelSize naturalSize() const { return header_.size; }

    bool hasSameBytes(const ImageSource& other) const {
        return std::equal(bytes_.begin(), bytes_.end(), other.bytes_.begin(), other.bytes_.end()) &&
               base64_ == other.base64_;
    }

    std::shared_ptr<const Bitmap> decoded(PixelSize atLeast) {
        const auto want = coveredSize(header_.size, atLeast);
        // A decode held to the pixel limit may be smaller than what it was asked for; it still
        // serves that request and every smaller one, instead of being made again for each.
        const auto serves = [want](const Bitmap& bitmap, PixelSize madeFor) {
            return (bitmap.size.width >= want.width && bitmap.size.height >= want.height) ||
                   (madeFor.width >= want.width && madeFor.height >= want.height);
        };
        {
            const std::lock_guard lock(mutex_);
            if (cached_ && serves(*cached_, cachedFor_)) {
                return cached_;
            }
            if (unreadable_) {
                return nullptr;
            }
        }

        // Decoding runs unlocked so that a large decode does not hold up draws the cache can
        // already serve; two threads may then decode at once, and the larger result is kept.
        std::optional<Bitmap> bitmap;
        try {
            if (base64_) {
                // The text was strict Base64 when the picture was made, and it cannot change.
                const auto bytes = foundation::base64Decode(*base64_);
                if (bytes) {
                    bitmap = decode(header_.format, *bytes, atLeast);
                }
            } else {
                bitmap = decode(header_.format, bytes_, atLeast);
            }
        } catch (const std::bad_alloc&) {
            return nullptr;  // memory may be back next time, so this is not remembered
        }

        const std::lock_guard lock(mutex_);
        if (!bitmap) {
            unreadable_ = true;
            return nullptr;
        }
        auto fresh = std::make_shared<const Bitmap>(std::move(*bitmap));
        if (!cached_ || area(*fresh) > area(*cached_)) {
            cached_ = fresh;
            cachedFor_ = want;
        }
        return serves(*cached_, cachedFor_) ? cached_ : fresh;
    }

  private:
    static std::int64_t area(const Bitmap& bitmap) {
        return std::int64_t{bitmap.size.width} * bitmap.size.height;
    }

    const std::shared_ptr<const void> owner_;
    const std::span<const std::uint8_t> bytes_;
    const std::optional<foundation::SharedText> base64_;
    const Header header_;
    std::mutex mutex_;
    std::shared_ptr<const Bitmap> cached_;
    PixelSize cachedFor_;
    bool unreadable_ = false;
};

std::optional<Image> Image::fromHeld(std::shared_ptr<const void> owner,
                                     std::span<const std::uint8_t> bytes,
                                     std::size_t maxEncodedBytes) {
    if (bytes.size() > maxEncodedBytes) {
        return std::nullopt;
    }
    const auto header = readHeader(bytes);
    if (!header) {
        return std::nullopt;
    }
    return Image(std::make_shared<ImageSource>(std::move(owner), bytes, *header));
}

std::optional<Image> Image::fromBytes(std::vector<std::uint8_t> bytes) {
    return fromBytes(std::move(bytes), kMaxEncodedBytes);
}

std::optional<Image> Image::fromBytes(std::vector<std::uint8_t> bytes,
                                      std::size_t maxEncodedBytes) {
    auto held = std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
    const std::span<const std::uint8_t> view(*held);
    return fromHeld(std::move(held), view, maxEncodedBytes);
}

std::optional<Image> Image::fromBase64(foundation::SharedText text) {
    const auto bytes = foundation::base64Decode(text);
    if (!bytes || bytes->size() > kMaxEncodedBytes) {
        return std::nullopt;
    }
    const auto header = readHeader(*bytes);
    if (!header) {
        return std::nullopt;
    }
    return Image(std::make_shared<ImageSource>(std::move(text), *header));
}

std::optional<Image> Image::fromFile(const std::filesystem::path& path) {
    // Read into memory of its own rather than a vector, which would zero it first.
    auto bytes = foundation::readWholeFilePadded(path, 0, kMaxEncodedBytes);
    if (!bytes) {
        return std::nullopt;
    }
    auto held = std::make_shared<const foundation::PaddedBytes>(std::move(*bytes));
    const auto view = held->bytes();
    return fromHeld(std::move(held), view, kMaxEncodedBytes);
}

PixelSize Image::naturalSize() const {
    return source_->naturalSize();
}

std::shared_ptr<const Bitmap> Image::decoded(PixelSize atLeast) const {
    return source_->decoded(atLeast);
}

bool Image::hasSameBytes(const Image& other) const {
    return source_ == other.source_ || source_->hasSameBytes(*other.source_);
}

}  // namespace sonaris::platform::image
