#include "resources.h"

#include "bytereader.h"

#include <set>

bool ResId::operator<(const ResId &o) const
{
    // Names come before numbers, as in a resource directory.
    if (isNumber != o.isNumber)
        return !isNumber;
    return isNumber ? number < o.number : text < o.text;
}

namespace {

struct Section
{
    std::uint32_t virtualAddress = 0;
    std::uint32_t virtualSize = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t rawPointer = 0;
};

// File offset of an RVA, through the section that holds it.
std::size_t fileOffset(const std::vector<Section> &sections, std::uint64_t rva, std::uint64_t length,
                       std::size_t fileSize)
{
    for (const Section &s : sections) {
        const std::uint64_t extent = std::max(s.virtualSize, s.rawSize);
        if (rva >= s.virtualAddress && rva + length <= std::uint64_t(s.virtualAddress) + extent) {
            const std::uint64_t offset = std::uint64_t(s.rawPointer) + (rva - s.virtualAddress);
            if (rva + length > std::uint64_t(s.virtualAddress) + s.rawSize)
                throw ResourceError("resource data at RVA " + std::to_string(rva) +
                                    " lies beyond its section's data in the file");
            if (offset + length > fileSize)
                throw ResourceError("the file is truncated: it has " + std::to_string(fileSize) +
                                    " bytes, where its resources need " + std::to_string(offset + length));
            return static_cast<std::size_t>(offset);
        }
    }
    throw ResourceError("RVA " + std::to_string(rva) + " lies in no section");
}

class DirectoryWalker
{
public:
    DirectoryWalker(const std::vector<std::uint8_t> &image, const std::vector<Section> &sections,
                    std::size_t rootOffset, std::size_t rootSize)
        : m_image(image), m_sections(sections), m_root(rootOffset), m_rootSize(rootSize),
          m_reader(image.data() + rootOffset, rootSize, "resource directory")
    {
    }

    void walk(std::vector<Resource> &out)
    {
        Resource r;
        directory(0, 0, r, out);
    }

private:
    ResId nameAt(std::uint32_t offset)
    {
        ByteReader names(m_image.data() + m_root, m_rootSize, "resource name");
        names.seek(offset);
        const std::uint16_t length = names.u16();
        ResId id;
        id.isNumber = false;
        id.text = names.chars(length);
        return id;
    }

    void directory(std::uint32_t offset, int depth, Resource &current, std::vector<Resource> &out)
    {
        if (depth > 2)
            m_reader.fail("resource directory nests too deep");
        if (!m_visited.insert(offset).second)
            m_reader.fail("resource directory loops");
        m_reader.seek(offset);
        m_reader.skip(12);
        const std::uint32_t count = std::uint32_t(m_reader.u16()) + m_reader.u16();
        const std::size_t entries = m_reader.pos();
        for (std::uint32_t i = 0; i < count; ++i) {
            m_reader.seek(entries + i * 8);
            const std::uint32_t name = m_reader.u32();
            const std::uint32_t target = m_reader.u32();
            const ResId id = (name & 0x80000000u) ? nameAt(name & 0x7fffffffu) : ResId::of(name & 0xffffu);
            if (depth == 0)
                current.type = id;
            else if (depth == 1)
                current.name = id;
            else
                current.language = static_cast<std::uint16_t>(name & 0xffffu);
            if (target & 0x80000000u) {
                directory(target & 0x7fffffffu, depth + 1, current, out);
            } else {
                if (depth != 2)
                    m_reader.fail("resource data entry at the wrong level");
                ByteReader entry(m_image.data() + m_root, m_rootSize, "resource data entry");
                entry.seek(target);
                const std::uint32_t rva = entry.u32();
                const std::uint32_t size = entry.u32();
                const std::uint32_t codePage = entry.u32();
                const std::size_t at = fileOffset(m_sections, rva, size, m_image.size());
                Resource r = current;
                r.codePage = codePage;
                r.data.assign(m_image.begin() + static_cast<std::ptrdiff_t>(at),
                              m_image.begin() + static_cast<std::ptrdiff_t>(at + size));
                out.push_back(std::move(r));
            }
        }
    }

    const std::vector<std::uint8_t> &m_image;
    const std::vector<Section> &m_sections;
    std::size_t m_root;
    std::size_t m_rootSize;
    ByteReader m_reader;
    std::set<std::uint32_t> m_visited;
};

} // namespace

ResourceFile ReadPeResources(const std::vector<std::uint8_t> &image)
{
    ByteReader r(image.data(), image.size(), "PE image");
    if (r.u16() != 0x5A4D)
        r.fail("not an MZ executable");
    if (image.size() < 0x40)
        throw ResourceError("the file is truncated: it has " + std::to_string(image.size()) +
                            " bytes, where its MZ header needs 64");
    r.seek(0x3C);
    const std::uint32_t peOffset = r.u32();
    if (std::uint64_t(peOffset) + 24 > image.size())
        throw ResourceError("the PE header lies outside the file: the file is truncated (it has " +
                            std::to_string(image.size()) + " bytes, where its PE header needs " +
                            std::to_string(std::uint64_t(peOffset) + 24) + "), or not a PE image");
    r.seek(peOffset);
    if (r.u32() != 0x00004550)
        r.fail("no PE signature");
    r.skip(2); // machine
    const std::uint16_t sectionCount = r.u16();
    r.skip(12);
    const std::uint16_t optionalSize = r.u16();
    r.skip(2);
    const std::size_t optional = r.pos();
    const std::uint16_t magic = r.u16();
    std::size_t directories = 0;
    if (magic == 0x10b)
        directories = optional + 96;
    else if (magic == 0x20b)
        directories = optional + 112;
    else
        r.fail("unknown optional header");
    r.seek(directories - 4);
    const std::uint32_t directoryCount = r.u32();
    ResourceFile file;
    file.kind = ResourceFileKind::PeImage;
    if (directoryCount <= 2)
        return file;
    if (directories + 24 > optional + optionalSize)
        r.fail("optional header too short");
    r.seek(directories + 2 * 8);
    const std::uint32_t resourceRva = r.u32();
    const std::uint32_t resourceSize = r.u32();

    // A file cut short says so, with what it lacks.
    const std::uint64_t headersEnd = std::uint64_t(optional) + optionalSize + 40ull * sectionCount;
    if (headersEnd > image.size())
        throw ResourceError("the file is truncated: it has " + std::to_string(image.size()) +
                            " bytes, where its headers need " + std::to_string(headersEnd));
    std::vector<Section> sections;
    r.seek(optional + optionalSize);
    for (std::uint16_t i = 0; i < sectionCount; ++i) {
        r.skip(8);
        Section s;
        s.virtualSize = r.u32();
        s.virtualAddress = r.u32();
        s.rawSize = r.u32();
        s.rawPointer = r.u32();
        r.skip(16);
        sections.push_back(s);
    }
    if (resourceRva == 0 || resourceSize == 0)
        return file;
    // The directory may be described smaller than what its names and entries use:
    // read it within the whole section.
    std::size_t rootSize = resourceSize;
    for (const Section &s : sections) {
        if (resourceRva >= s.virtualAddress && resourceRva < s.virtualAddress + std::max(s.virtualSize, s.rawSize)) {
            rootSize = std::max<std::size_t>(rootSize, s.virtualAddress + s.rawSize - resourceRva);
            if (std::uint64_t(s.rawPointer) + s.rawSize > image.size())
                throw ResourceError("the file is truncated: it has " + std::to_string(image.size()) +
                                    " bytes, where its resource section needs " +
                                    std::to_string(std::uint64_t(s.rawPointer) + s.rawSize));
        }
    }
    const std::size_t root = fileOffset(sections, resourceRva, 16, image.size());
    rootSize = std::min(rootSize, image.size() - root);
    DirectoryWalker(image, sections, root, rootSize).walk(file.resources);
    return file;
}

ResourceFile ReadResResources(const std::vector<std::uint8_t> &bytes)
{
    ResourceFile file;
    file.kind = ResourceFileKind::ResFile;
    ByteReader r(bytes.data(), bytes.size(), "resource file");
    while (!r.atEnd()) {
        const std::size_t start = r.pos();
        const std::uint32_t dataSize = r.u32();
        const std::uint32_t headerSize = r.u32();
        if (headerSize < 16)
            r.fail("resource header too short");
        Resource res;
        res.type = r.szOrOrd();
        res.name = r.szOrOrd();
        r.alignTo(4);
        res.dataVersion = r.u32();
        res.memoryFlags = r.u16();
        res.language = r.u16();
        res.version = r.u32();
        res.characteristics = r.u32();
        if (r.pos() > start + headerSize)
            r.fail("resource header longer than it says");
        r.seek(start);
        r.skip(headerSize);
        const std::size_t dataStart = r.pos();
        r.skip(dataSize);
        // The empty entry that opens every .res file holds nothing.
        if (!(dataSize == 0 && res.type.isNumber && res.type.number == 0)) {
            res.data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(dataStart),
                            bytes.begin() + static_cast<std::ptrdiff_t>(dataStart + dataSize));
            file.resources.push_back(std::move(res));
        }
        r.alignTo(4);
    }
    return file;
}

std::optional<ResourceFileKind> ResourceFileKindOf(const std::vector<std::uint8_t> &bytes)
{
    auto u32 = [&bytes](std::size_t at) {
        return std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8 | std::uint32_t(bytes[at + 2]) << 16 |
               std::uint32_t(bytes[at + 3]) << 24;
    };
    if (bytes.size() >= 0x40 && bytes[0] == 'M' && bytes[1] == 'Z') {
        const std::uint64_t pe = u32(0x3C);
        if (pe + 4 <= bytes.size() && u32(static_cast<std::size_t>(pe)) == 0x00004550)
            return ResourceFileKind::PeImage;
    }
    if (bytes.size() >= 32 && u32(0) == 0 && u32(4) == 0x20 && u32(8) == 0xFFFF && u32(12) == 0xFFFF)
        return ResourceFileKind::ResFile;
    return std::nullopt;
}

ResourceFile ReadResourceFile(const std::vector<std::uint8_t> &bytes)
{
    if (bytes.size() >= 2 && bytes[0] == 'M' && bytes[1] == 'Z')
        return ReadPeResources(bytes);
    if (bytes.size() >= 32 && bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 0 && bytes[3] == 0 && bytes[4] == 0x20)
        return ReadResResources(bytes);
    throw ResourceError("neither a PE image nor a 32-bit resource file");
}
