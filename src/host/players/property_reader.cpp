#include "host/players/property_reader.hpp"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace sonaris::host::players {
namespace {

constexpr std::size_t maxStringBytes = maxArtUrlBytes + 1;
constexpr std::size_t maxListItems = 512;
// Metadata is a map inside the properties' map; nothing a player sends needs to go deeper.
constexpr int maxMapDepth = 2;

struct Peeked {
    char type = 0;
    std::string contents;
};

Peeked peek(sdbus::Message& message) {
    std::string type, contents;
    message.peekType(type, contents);
    return {type.empty() ? '\0' : type[0], std::move(contents)};
}

// A string read where it lies in the message; only the part kept is copied.
std::string boundedString(sdbus::Message& message) {
    char* text = nullptr;
    message >> text;
    if (!message || !text)
        return {};
    return std::string(text, ::strnlen(text, maxStringBytes));
}

template <typename T>
sdbus::Variant basic(sdbus::Message& message) {
    T value{};
    message >> value;
    return sdbus::Variant(value);
}

std::optional<sdbus::Variant> basicVariant(sdbus::Message& message, char type) {
    switch (type) {
        case 'y':
            return basic<std::uint8_t>(message);
        case 'b':
            return basic<bool>(message);
        case 'n':
            return basic<std::int16_t>(message);
        case 'q':
            return basic<std::uint16_t>(message);
        case 'i':
            return basic<std::int32_t>(message);
        case 'u':
            return basic<std::uint32_t>(message);
        case 'x':
            return basic<std::int64_t>(message);
        case 't':
            return basic<std::uint64_t>(message);
        case 'd':
            return basic<double>(message);
        case 's':
            return sdbus::Variant(boundedString(message));
        case 'o':
            return basic<sdbus::ObjectPath>(message);
        default:
            return std::nullopt;
    }
}

// Steps over one complete value, whatever its shape, holding no more than one basic value of it
// at a time.
void skip(sdbus::Message& message) {
    auto [type, contents] = peek(message);
    auto skipAll = [&] {
        while (peek(message).type != '\0')
            skip(message);
    };
    switch (type) {
        case '\0':
            return;
        case 'a':
            message.enterContainer(contents);
            skipAll();
            message.exitContainer();
            return;
        case 'v':
            message.enterVariant(contents);
            skip(message);
            message.exitVariant();
            return;
        case 'r':
            message.enterStruct(contents);
            skipAll();
            message.exitStruct();
            return;
        case 'e':
            message.enterDictEntry(contents);
            skipAll();
            message.exitDictEntry();
            return;
        case 'g': {
            sdbus::Signature signature;
            message >> signature;
            return;
        }
        case 'h': {
            sdbus::UnixFd fd;
            message >> fd;
            return;
        }
        default:
            if (!basicVariant(message, type))
                throw sdbus::Error("org.freedesktop.DBus.Error.InvalidSignature",
                                   "unknown type in a player's message");
    }
}

std::vector<std::string> boundedStrings(sdbus::Message& message) {
    std::vector<std::string> items;
    message.enterContainer("s");
    while (peek(message).type != '\0') {
        if (items.size() < maxListItems)
            items.push_back(boundedString(message));
        else
            skip(message);
    }
    message.exitContainer();
    return items;
}

PropertyMap readMap(sdbus::Message& message, int depth);

std::optional<sdbus::Variant> readVariantAt(sdbus::Message& message, int depth) {
    auto [type, contents] = peek(message);
    if (type != 'v') {
        skip(message);
        return std::nullopt;
    }
    message.enterVariant(contents);
    std::optional<sdbus::Variant> value;
    if (contents == "as")
        value = sdbus::Variant(boundedStrings(message));
    else if (contents == "a{sv}" && depth < maxMapDepth)
        value = sdbus::Variant(readMap(message, depth + 1));
    else if (contents.size() == 1 && contents != "v")
        value = basicVariant(message, contents[0]);
    if (!value)
        skip(message);
    message.exitVariant();
    return value;
}

PropertyMap readMap(sdbus::Message& message, int depth) {
    PropertyMap map;
    if (!message.enterContainer("{sv}"))
        return map;
    while (message.enterDictEntry("sv")) {
        auto key = boundedString(message);
        if (auto value = readVariantAt(message, depth))
            map.insert_or_assign(std::move(key), std::move(*value));
        message.exitDictEntry();
    }
    message.clearFlags();
    message.exitContainer();
    return map;
}

}  // namespace

PropertyMap readPropertyMap(sdbus::Message& message) {
    return readMap(message, 1);
}

std::optional<sdbus::Variant> readVariant(sdbus::Message& message) {
    return readVariantAt(message, 1);
}

}  // namespace sonaris::host::players
