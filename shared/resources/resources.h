#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// Windows resources as read from a PE image (.exe, .dll) or a compiled
// resource file (.res).

// Malformed input: the message says what is wrong and where.
class ResourceError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A resource type or name: a number or a text.
struct ResId
{
    bool isNumber = true;
    std::uint16_t number = 0;
    std::u16string text;

    static ResId of(std::uint16_t n) { return ResId{true, n, {}}; }
    bool operator==(const ResId &o) const
    {
        return isNumber == o.isNumber && (isNumber ? number == o.number : text == o.text);
    }
    bool operator!=(const ResId &o) const { return !(*this == o); }
    bool operator<(const ResId &o) const;
};

struct Resource
{
    ResId type;
    ResId name;
    std::uint16_t language = 0;
    std::vector<std::uint8_t> data;
    // Kept from the source so that a rewritten file says the same.
    std::uint32_t codePage = 0;
    std::uint16_t memoryFlags = 0x1030;
    std::uint32_t dataVersion = 0;
    std::uint32_t version = 0;
    std::uint32_t characteristics = 0;
};

enum class ResourceFileKind
{
    PeImage,
    ResFile
};

struct ResourceFile
{
    ResourceFileKind kind = ResourceFileKind::PeImage;
    std::vector<Resource> resources; // in the order of the file's directory
};

// What the file is by its headers alone (an MZ header leading to a PE
// signature, or the empty entry that begins a 32-bit .res), whether or not its
// resources can be read; nothing for any other file.
std::optional<ResourceFileKind> ResourceFileKindOf(const std::vector<std::uint8_t> &bytes);

// Reads the resources of a PE image (32 or 64-bit) or a 32-bit .res file.
// Throws ResourceError on malformed input.
ResourceFile ReadResourceFile(const std::vector<std::uint8_t> &bytes);
ResourceFile ReadPeResources(const std::vector<std::uint8_t> &image);
ResourceFile ReadResResources(const std::vector<std::uint8_t> &bytes);

// Resource types that give tokens.
enum ResourceType : std::uint16_t
{
    RT_MENU_TYPE = 4,
    RT_DIALOG_TYPE = 5,
    RT_STRING_TYPE = 6,
    RT_VERSION_TYPE = 16
};

constexpr std::uint16_t MakeLangId(unsigned primary, unsigned sub)
{
    return static_cast<std::uint16_t>((sub << 10) | primary);
}
