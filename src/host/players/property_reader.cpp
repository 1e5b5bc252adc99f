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

bool isBasic(char type) {
    return type != '\0' && std::strchr("ybnqiuxtdsogh", type) != nullptr;
}

// Reads one basic value of `type` and drops it; false at the end of its container.
bool dropBasic(sdbus::Message& message, char type) {
    auto drop = [&](auto value) { return static_cast<bool>(message >> value); };
    switch (type) {
        case 'y':
            return drop(std::uint8_t{});
        case 'b':
            return drop(bool{});
        case 'n':
            return drop(std::int16_t{});
        case 'q':
            return drop(std::uint16_t{});
        case 'i':
            return drop(std::int32_t{});
        case 'u':
            return drop(std::uint32_t{});
        case 'x':
            return drop(std::int64_t{});
        case 't':
            return drop(std::uint64_t{});
        case 'd':
            return drop(double{});
        case 's':
            return drop(static_cast<char*>(nullptr));
        case 'o':
            return drop(sdbus::ObjectPath{});
        case 'g':
            return drop(sdbus::Signature{});
        default:
            return drop(sdbus::UnixFd{});
    }
}

// Steps over one complete value, whatever its shape, holding no more than one basic value of it
// at a time; an array of basic values goes without a look at each item.
void skip(sdbus::Message& message) {
    auto [type, contents] = peek(message);
    auto skipAll = [&] {
        while (peek(message).type != '\0')
            skip(message);
    };
    if (isBasic(type)) {
        dropBasic(message, type);
        return;
    }
    switch (type) {
        case 'a':
            message.enterContainer(contents);
            if (contents.size() == 1 && isBasic(contents[0])) {
                while (dropBasic(message, contents[0])) {
                }
                message.clearFlags();
            } else {
                skipAll();
            }
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
        default:
            return;
    }
}

std::vector<std::string> boundedStrings(sdbus::Message& message) {
    std::vector<std::string> items;
    message.enterContainer("s");
    while (items.size() < maxListItems) {
        char* text = nullptr;
        message >> text;
        if (!message || !text)
            break;
        items.emplace_back(text, ::strnlen(text, maxStringBytes));
    }
    while (dropBasic(message, 's')) {
    }
    message.clearFlags();
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
