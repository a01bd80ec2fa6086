#include "pewriter.h"

#include "bytewriter.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace {

std::uint32_t get32(const std::vector<std::uint8_t> &b, std::size_t at)
{
    return std::uint32_t(b[at]) | (std::uint32_t(b[at + 1]) << 8) | (std::uint32_t(b[at + 2]) << 16) |
           (std::uint32_t(b[at + 3]) << 24);
}

std::uint16_t get16(const std::vector<std::uint8_t> &b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

void set32(std::vector<std::uint8_t> &b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void set16(std::vector<std::uint8_t> &b, std::size_t at, std::uint16_t v)
{
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

std::uint64_t alignUp(std::uint64_t v, std::uint32_t a)
{
    return a ? (v + a - 1) / a * a : v;
}

std::uint32_t to32(std::uint64_t v, const char *what)
{
    if (v > 0xFFFFFFFFu)
        throw ResourceError(std::string("the image would be too large (") + what + ")");
    return static_cast<std::uint32_t>(v);
}

std::string truncated(std::size_t size, std::uint64_t needed, const std::string &what)
{
    return "the file is truncated: it has " + std::to_string(size) + " bytes, " + what + " needs " +
           std::to_string(needed);
}

// Names sort as Windows looks them up: case-insensitively, before numbers.
bool entryLess(const ResId &a, const ResId &b)
{
    if (a.isNumber != b.isNumber)
        return !a.isNumber;
    if (a.isNumber)
        return a.number < b.number;
    auto upper = [](char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; };
    return std::lexicographical_compare(a.text.begin(), a.text.end(), b.text.begin(), b.text.end(),
                                        [&](char16_t x, char16_t y) { return upper(x) < upper(y); });
}

std::uint32_t peChecksum(const std::vector<std::uint8_t> &image, std::size_t checksumAt)
{
    std::uint64_t sum = 0;
    const std::size_t pairs = image.size() / 2;
    for (std::size_t k = 0; k < pairs; ++k) {
        const std::size_t i = 2 * k;
        if (i == checksumAt || i == checksumAt + 2)
            continue;
        sum += std::uint32_t(image[i]) | (std::uint32_t(image[i + 1]) << 8);
        // Folding now and then keeps the sum far from overflowing.
        if ((k & 0xFFFF) == 0xFFFF)
            sum = (sum & 0xFFFF) + (sum >> 16);
    }
    if (image.size() % 2)
        sum += image.back();
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + image.size());
}

constexpr std::uint32_t kInitialisedData = 0x40;
constexpr std::uint32_t kUninitialisedData = 0x80;

struct Section
{
    std::size_t headerAt = 0;
    std::string name;
    std::uint32_t virtualSize = 0;
    std::uint32_t virtualAddress = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t rawPointer = 0;
    std::uint32_t characteristics = 0;
};

// The parts of the headers that a rewrite reads or changes.
struct Headers
{
    std::size_t coff = 0;
    std::size_t optional = 0;
    std::size_t directories = 0;
    std::uint32_t directoryCount = 0;
    std::size_t sectionTable = 0;
    std::uint16_t sectionCount = 0;
    std::uint32_t sectionAlignment = 0;
    std::uint32_t fileAlignment = 0;
    std::uint32_t sizeOfHeaders = 0;
    std::vector<Section> sections;

    std::size_t directoryAt(int index) const { return directories + 8 * std::size_t(index); }
    bool hasDirectory(int index) const { return std::uint32_t(index) < directoryCount; }
};

Headers readHeaders(const std::vector<std::uint8_t> &image)
{
    const std::size_t size = image.size();
    Headers h;
    if (size < 0x40)
        throw ResourceError(truncated(size, 0x40, "the MZ header"));
    const std::uint32_t pe = get32(image, 0x3C);
    if (std::uint64_t(pe) + 24 > size)
        throw ResourceError(truncated(size, std::uint64_t(pe) + 24, "the PE header"));
    if (get32(image, pe) != 0x00004550)
        throw ResourceError("no PE signature");
    h.coff = pe + 4;
    h.sectionCount = get16(image, h.coff + 2);
    const std::uint16_t optionalSize = get16(image, h.coff + 16);
    h.optional = h.coff + 20;
    h.sectionTable = h.optional + optionalSize;
    const std::uint64_t headersEnd = h.sectionTable + 40 * std::uint64_t(h.sectionCount);
    if (headersEnd > size)
        throw ResourceError(truncated(size, headersEnd, "the section table"));
    if (optionalSize < 2)
        throw ResourceError("optional header too short");
    const std::uint16_t magic = get16(image, h.optional);
    if (magic != 0x10b && magic != 0x20b)
        throw ResourceError("unknown optional header");
    h.directories = h.optional + (magic == 0x10b ? 96 : 112);
    if (h.directories > h.sectionTable)
        throw ResourceError("optional header too short");
    h.directoryCount = get32(image, h.directories - 4);
    // Only the directories that the optional header really holds count.
    h.directoryCount = std::min<std::uint32_t>(h.directoryCount, static_cast<std::uint32_t>((h.sectionTable - h.directories) / 8));
    h.sectionAlignment = get32(image, h.optional + 32);
    h.fileAlignment = get32(image, h.optional + 36);
    h.sizeOfHeaders = get32(image, h.optional + 60);
    auto powerOfTwo = [](std::uint32_t v) { return v != 0 && (v & (v - 1)) == 0; };
    if (!powerOfTwo(h.fileAlignment) || h.fileAlignment > 0x10000 || !powerOfTwo(h.sectionAlignment))
        throw ResourceError("bad section or file alignment");
    if (h.sizeOfHeaders > size)
        throw ResourceError(truncated(size, h.sizeOfHeaders, "the PE headers"));
    if (headersEnd > h.sizeOfHeaders)
        throw ResourceError("the section table runs past the headers");
    for (std::uint16_t i = 0; i < h.sectionCount; ++i) {
        Section s;
        s.headerAt = h.sectionTable + 40 * std::size_t(i);
        const char *name = reinterpret_cast<const char *>(image.data() + s.headerAt);
        s.name.assign(name, strnlen(name, 8));
        s.virtualSize = get32(image, s.headerAt + 8);
        s.virtualAddress = get32(image, s.headerAt + 12);
        s.rawSize = get32(image, s.headerAt + 16);
        s.rawPointer = get32(image, s.headerAt + 20);
        s.characteristics = get32(image, s.headerAt + 36);
        if (s.rawSize && std::uint64_t(s.rawPointer) + s.rawSize > size)
            throw ResourceError(truncated(size, std::uint64_t(s.rawPointer) + s.rawSize, "section " + s.name));
        h.sections.push_back(std::move(s));
    }
    return h;
}

// Where a run of the source's bytes lands in the output.
struct Move
{
    std::uint64_t from;
    std::uint64_t to;
    std::uint64_t length;
    std::uint64_t target;
};

class OffsetMap
{
public:
    void add(std::uint64_t from, std::uint64_t to, std::uint64_t target)
    {
        if (to > from)
            m_moves.push_back({from, to, to - from, target});
    }
    // The new offset of a byte of the source, or nothing when it was left out.
    std::optional<std::uint64_t> operator()(std::uint64_t offset) const
    {
        for (const Move &m : m_moves) {
            if (offset >= m.from && offset < m.to)
                return m.target + (offset - m.from);
        }
        return std::nullopt;
    }
    const std::vector<Move> &moves() const { return m_moves; }

private:
    std::vector<Move> m_moves;
};

} // namespace

namespace {

// A resource section laid out from offset 0, and where its data entries are.
struct LaidOutSection
{
    std::vector<std::uint8_t> bytes;
    std::vector<std::size_t> dataEntries;

    // The data entries give RVAs: the section's address is added to each.
    void placeAt(std::uint32_t rva)
    {
        for (std::size_t entry : dataEntries)
            set32(bytes, entry, to32(std::uint64_t(get32(bytes, entry)) + rva, "resource data"));
    }
};

LaidOutSection layOutResources(const std::vector<Resource> &resources)
{
    struct Lang
    {
        std::uint16_t id;
        const Resource *resource;
    };
    struct Name
    {
        ResId id;
        std::vector<Lang> langs;
    };
    struct Type
    {
        ResId id;
        std::vector<Name> names;
    };
    std::vector<Type> types;
    for (const Resource &r : resources) {
        auto t = std::find_if(types.begin(), types.end(), [&](const Type &x) { return x.id == r.type; });
        if (t == types.end()) {
            types.push_back({r.type, {}});
            t = types.end() - 1;
        }
        auto n = std::find_if(t->names.rbegin(), t->names.rend(), [&](const Name &x) { return x.id == r.name; });
        if (n == t->names.rend()) {
            t->names.push_back({r.name, {}});
            n = t->names.rbegin();
        }
        n->langs.push_back({r.language, &r});
    }
    std::sort(types.begin(), types.end(), [](const Type &a, const Type &b) { return entryLess(a.id, b.id); });
    std::size_t directoryBytes = 16 + 8 * types.size();
    std::size_t dataEntries = 0;
    std::size_t dataBytes = 0;
    for (Type &t : types) {
        std::sort(t.names.begin(), t.names.end(), [](const Name &a, const Name &b) { return entryLess(a.id, b.id); });
        directoryBytes += 16 + 8 * t.names.size();
        for (Name &n : t.names) {
            std::stable_sort(n.langs.begin(), n.langs.end(), [](const Lang &a, const Lang &b) { return a.id < b.id; });
            directoryBytes += 16 + 8 * n.langs.size();
            dataEntries += n.langs.size();
            for (const Lang &l : n.langs)
                dataBytes += l.resource->data.size() + 8;
        }
    }
    // Layout: directories, data entries, names, data.
    ByteWriter w;
    w.bytes.reserve(directoryBytes + 16 * dataEntries + dataBytes + 4096);
    w.bytes.assign(directoryBytes + 16 * dataEntries, 0);
    std::map<std::u16string, std::uint32_t> nameOffsets;
    auto nameOffset = [&](const ResId &id) -> std::uint32_t {
        auto found = nameOffsets.find(id.text);
        if (found != nameOffsets.end())
            return found->second;
        const auto at = static_cast<std::uint32_t>(w.pos());
        w.u16(static_cast<std::uint16_t>(std::min<std::size_t>(id.text.size(), 0xFFFF)));
        w.chars(id.text.substr(0, 0xFFFF));
        nameOffsets.emplace(id.text, at);
        return at;
    };
    std::size_t nextDirectory = 0;
    std::size_t nextEntry = directoryBytes;
    auto directory = [&](std::size_t count, std::size_t named) {
        if (count > 0xFFFF)
            throw ResourceError("more than 65,535 entries in one resource directory");
        const std::size_t at = nextDirectory;
        nextDirectory += 16 + 8 * count;
        w.put16(at + 12, static_cast<std::uint16_t>(named));
        w.put16(at + 14, static_cast<std::uint16_t>(count - named));
        return at;
    };
    auto countNamed = [](const auto &list) {
        return static_cast<std::size_t>(
            std::count_if(list.begin(), list.end(), [](const auto &e) { return !e.id.isNumber; }));
    };
    auto idField = [&](const ResId &id) -> std::uint32_t {
        return id.isNumber ? id.number : (0x80000000u | nameOffset(id));
    };
    std::vector<std::pair<std::size_t, const Resource *>> pending; // data entry offset, resource
    pending.reserve(dataEntries);
    const std::size_t root = directory(types.size(), countNamed(types));
    for (std::size_t ti = 0; ti < types.size(); ++ti) {
        const Type &t = types[ti];
        const std::size_t typeDir = directory(t.names.size(), countNamed(t.names));
        w.put32(root + 16 + 8 * ti, idField(t.id));
        w.put32(root + 16 + 8 * ti + 4, 0x80000000u | static_cast<std::uint32_t>(typeDir));
        for (std::size_t ni = 0; ni < t.names.size(); ++ni) {
            const Name &n = t.names[ni];
            const std::size_t nameDir = directory(n.langs.size(), 0);
            w.put32(typeDir + 16 + 8 * ni, idField(n.id));
            w.put32(typeDir + 16 + 8 * ni + 4, 0x80000000u | static_cast<std::uint32_t>(nameDir));
            for (std::size_t li = 0; li < n.langs.size(); ++li) {
                w.put32(nameDir + 16 + 8 * li, n.langs[li].id);
                w.put32(nameDir + 16 + 8 * li + 4, static_cast<std::uint32_t>(nextEntry));
                pending.emplace_back(nextEntry, n.langs[li].resource);
                nextEntry += 16;
            }
        }
    }
    LaidOutSection section;
    section.dataEntries.reserve(pending.size());
    for (const auto &[entry, resource] : pending) {
        w.alignTo(8);
        section.dataEntries.push_back(entry);
        w.put32(entry, to32(w.pos(), "resource data"));
        w.put32(entry + 4, to32(resource->data.size(), "resource data"));
        w.put32(entry + 8, resource->codePage);
        w.raw(resource->data.data(), resource->data.size());
    }
    w.alignTo(8);
    if (w.pos() > 0x7FFFFFFFu)
        throw ResourceError("the resources would take more than 2 GB");
    section.bytes = std::move(w.bytes);
    return section;
}

} // namespace

std::vector<std::uint8_t> BuildResourceSection(const std::vector<Resource> &resources, std::uint32_t rva)
{
    LaidOutSection section = layOutResources(resources);
    section.placeAt(rva);
    return std::move(section.bytes);
}

PeRewrite WritePeResources(const std::vector<std::uint8_t> &source, const std::vector<Resource> &resources)
{
    const Headers h = readHeaders(source);
    const std::size_t fileSize = source.size();
    const bool hasResourceDirectory = h.hasDirectory(2);
    const std::uint32_t resourceRva = hasResourceDirectory ? get32(source, h.directoryAt(2)) : 0;
    const std::uint32_t resourceSize = hasResourceDirectory ? get32(source, h.directoryAt(2) + 4) : 0;
    if (resources.empty() && (resourceRva == 0 || resourceSize == 0))
        return {source, {}}; // no resources before, none after: nothing to rewrite
    if (!hasResourceDirectory)
        throw ResourceError("the image has no resource directory entry");

    // The section that holds the resources now, and the room it has in memory.
    const Section *current = nullptr;
    for (const Section &s : h.sections) {
        if (resourceRva && resourceRva >= s.virtualAddress &&
            resourceRva < std::uint64_t(s.virtualAddress) + std::max(s.virtualSize, s.rawSize))
            current = &s;
    }
    // A section of its own: it starts with the directory and holds nothing else.
    const bool own = current && current->virtualAddress == resourceRva &&
                     (current->name == ".rsrc" || resourceSize >= current->virtualSize);
    std::uint64_t imageEnd = 0;
    std::uint64_t rawEnd = h.sizeOfHeaders;
    std::uint64_t memoryRoom = UINT64_MAX;
    for (const Section &s : h.sections) {
        imageEnd = std::max(imageEnd, alignUp(std::uint64_t(s.virtualAddress) + std::max(s.virtualSize, s.rawSize),
                                              h.sectionAlignment));
        if (s.rawSize)
            rawEnd = std::max<std::uint64_t>(rawEnd, std::uint64_t(s.rawPointer) + s.rawSize);
        if (current && s.virtualAddress > current->virtualAddress)
            memoryRoom = std::min<std::uint64_t>(memoryRoom, s.virtualAddress - current->virtualAddress);
    }
    rawEnd = std::min<std::uint64_t>(rawEnd, fileSize);

    enum class Plan
    {
        InPlace,    // the new data fits in the old section's file and memory space
        GrowLast,   // the old section is the last in memory: it grows there
        NewSection  // a new section at the end of the image
    };
    LaidOutSection laidOut = layOutResources(resources);
    const std::uint64_t dataSize = laidOut.bytes.size();
    Plan plan = Plan::NewSection;
    if (own && dataSize <= current->rawSize && dataSize <= memoryRoom)
        plan = Plan::InPlace;
    else if (own && memoryRoom == UINT64_MAX)
        plan = Plan::GrowLast;

    // The old section's file space is given up when nothing else lies in it and
    // what follows stays aligned once moved up.
    std::uint64_t cutFrom = 0;
    std::uint64_t cutLength = 0;
    if (plan != Plan::InPlace && own && current->rawSize) {
        const std::uint64_t from = current->rawPointer;
        const std::uint64_t to = from + current->rawSize;
        bool alone = true;
        for (const Section &s : h.sections) {
            if (&s != current && s.rawSize && s.rawPointer < to && std::uint64_t(s.rawPointer) + s.rawSize > from)
                alone = false;
        }
        if (alone && (current->rawSize % h.fileAlignment == 0 || to == rawEnd) && from >= h.sizeOfHeaders) {
            cutFrom = from;
            cutLength = current->rawSize;
        }
    }

    // The certificate table: a file offset, normally at the very end.
    PeRewrite result;
    std::uint64_t certificateFrom = 0;
    std::uint64_t certificateTo = 0;
    const bool signedFile = h.hasDirectory(4) && (get32(source, h.directoryAt(4)) || get32(source, h.directoryAt(4) + 4));
    if (signedFile) {
        certificateFrom = get32(source, h.directoryAt(4));
        certificateTo = std::min<std::uint64_t>(certificateFrom + get32(source, h.directoryAt(4) + 4), fileSize);
        if (certificateFrom < rawEnd)
            certificateFrom = certificateTo = 0; // not where a certificate table belongs: only its entry goes
        result.notes.push_back("the certificate table (the file's signature) was dropped: a rewritten file is no "
                               "longer signed");
    }

    // Where the new resource data goes.
    const bool newSection = plan == Plan::NewSection;
    std::uint32_t rva = 0;
    if (plan == Plan::NewSection)
        rva = to32(imageEnd, "section addresses");
    else
        rva = current->virtualAddress;
    laidOut.placeAt(rva);
    const std::vector<std::uint8_t> &data = laidOut.bytes;
    const std::uint64_t rawSize = alignUp(data.size(), h.fileAlignment);

    // The new file: the body of headers and sections (less the old resources'
    // space), the new resource data, then whatever followed the sections.
    OffsetMap map;
    std::vector<std::uint8_t> out;
    std::uint64_t resourcePointer = 0;
    if (plan == Plan::InPlace) {
        map.add(0, rawEnd, 0);
        out.reserve(fileSize);
        out.assign(source.begin(), source.begin() + static_cast<std::ptrdiff_t>(rawEnd));
        resourcePointer = current->rawPointer;
        std::fill(out.begin() + current->rawPointer, out.begin() + current->rawPointer + current->rawSize, 0);
        std::copy(data.begin(), data.end(), out.begin() + current->rawPointer);
    } else {
        out.reserve(fileSize + rawSize + h.fileAlignment);
        if (cutLength) {
            map.add(0, cutFrom, 0);
            map.add(cutFrom + cutLength, rawEnd, cutFrom);
            out.insert(out.end(), source.begin(), source.begin() + static_cast<std::ptrdiff_t>(cutFrom));
            out.insert(out.end(), source.begin() + static_cast<std::ptrdiff_t>(cutFrom + cutLength),
                       source.begin() + static_cast<std::ptrdiff_t>(rawEnd));
        } else {
            map.add(0, rawEnd, 0);
            out.insert(out.end(), source.begin(), source.begin() + static_cast<std::ptrdiff_t>(rawEnd));
        }
        out.resize(alignUp(out.size(), h.fileAlignment), 0);
        resourcePointer = out.size();
        out.insert(out.end(), data.begin(), data.end());
        out.resize(resourcePointer + rawSize, 0);
    }
    // What followed the sections, less a certificate table.
    auto keepTail = [&](std::uint64_t from, std::uint64_t to) {
        if (to <= from)
            return;
        map.add(from, to, out.size());
        out.insert(out.end(), source.begin() + static_cast<std::ptrdiff_t>(from),
                   source.begin() + static_cast<std::ptrdiff_t>(to));
    };
    if (certificateTo > certificateFrom) {
        keepTail(rawEnd, certificateFrom);
        keepTail(certificateTo, fileSize);
    } else {
        keepTail(rawEnd, fileSize);
    }

    // Section headers: the moved sections, the old and the new resource section.
    std::int64_t initialisedDelta = 0;
    for (const Section &s : h.sections) {
        if (&s == current || !s.rawSize)
            continue;
        const auto moved = map(s.rawPointer);
        if (moved && *moved != s.rawPointer)
            set32(out, s.headerAt + 20, to32(*moved, "file offsets"));
    }
    static const char kResourceName[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
    static const char kOldName[8] = {'.', 'o', 'l', 'd', 'r', 's', 'r', 'c'};
    if (newSection) {
        const std::size_t header = h.sectionTable + 40 * std::size_t(h.sectionCount);
        std::uint64_t firstRaw = h.sizeOfHeaders;
        for (const Section &s : h.sections) {
            if (s.rawSize)
                firstRaw = std::min<std::uint64_t>(firstRaw, s.rawPointer);
        }
        // Bound imports may sit behind the section table (their address is an
        // offset in the headers); the loader does without them.
        if (h.hasDirectory(11)) {
            const std::uint32_t bound = get32(out, h.directoryAt(11));
            const std::uint64_t headersEnd = std::min<std::uint64_t>(firstRaw, h.sizeOfHeaders);
            if (bound && bound < headersEnd && header < headersEnd &&
                std::uint64_t(bound) + get32(out, h.directoryAt(11) + 4) > header) {
                set32(out, h.directoryAt(11), 0);
                set32(out, h.directoryAt(11) + 4, 0);
                std::fill(out.begin() + static_cast<std::ptrdiff_t>(header),
                          out.begin() + static_cast<std::ptrdiff_t>(headersEnd), 0);
            }
        }
        if (h.sectionCount == 0xFFFF || header + 40 > h.sizeOfHeaders || header + 40 > firstRaw ||
            std::any_of(out.begin() + static_cast<std::ptrdiff_t>(header),
                        out.begin() + static_cast<std::ptrdiff_t>(header + 40), [](std::uint8_t b) { return b != 0; }))
            throw ResourceError("no room for another section header");
        std::copy(kResourceName, kResourceName + 8, out.begin() + static_cast<std::ptrdiff_t>(header));
        set32(out, header + 8, static_cast<std::uint32_t>(data.size()));
        set32(out, header + 12, rva);
        set32(out, header + 16, static_cast<std::uint32_t>(rawSize));
        set32(out, header + 20, to32(resourcePointer, "file offsets"));
        set32(out, header + 36, current ? current->characteristics : 0x40000040u);
        set16(out, h.coff + 2, static_cast<std::uint16_t>(h.sectionCount + 1));
        initialisedDelta += static_cast<std::int64_t>(rawSize);
        // No other section may keep the name the tools look the resources up by.
        for (const Section &s : h.sections) {
            if (s.name == ".rsrc")
                std::copy(kOldName, kOldName + 8, out.begin() + static_cast<std::ptrdiff_t>(s.headerAt));
        }
        if (current && cutLength) {
            // The old resources keep their addresses, as zeros, and lose their file space.
            set32(out, current->headerAt + 16, 0);
            set32(out, current->headerAt + 20, 0);
            std::uint32_t flags = current->characteristics;
            if (flags & kInitialisedData)
                flags = (flags & ~kInitialisedData) | kUninitialisedData;
            set32(out, current->headerAt + 36, flags);
            initialisedDelta -= current->rawSize;
        } else if (current && current->rawSize) {
            const auto moved = map(current->rawPointer);
            if (moved && *moved != current->rawPointer)
                set32(out, current->headerAt + 20, to32(*moved, "file offsets"));
        }
    } else {
        set32(out, current->headerAt + 8, static_cast<std::uint32_t>(data.size()));
        if (plan == Plan::GrowLast) {
            set32(out, current->headerAt + 16, static_cast<std::uint32_t>(rawSize));
            set32(out, current->headerAt + 20, to32(resourcePointer, "file offsets"));
            initialisedDelta += static_cast<std::int64_t>(rawSize) - current->rawSize;
        }
    }

    // The image's size in memory, its initialised data and the resource directory.
    std::uint64_t end = 0;
    const std::uint16_t count = get16(out, h.coff + 2);
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::size_t at = h.sectionTable + 40 * std::size_t(i);
        end = std::max(end, alignUp(std::uint64_t(get32(out, at + 12)) + std::max(get32(out, at + 8), get32(out, at + 16)),
                                    h.sectionAlignment));
    }
    set32(out, h.optional + 56, to32(end, "image size"));
    const std::int64_t initialised = static_cast<std::int64_t>(get32(out, h.optional + 8)) + initialisedDelta;
    if (initialised >= 0 && initialised <= 0xFFFFFFFF)
        set32(out, h.optional + 8, static_cast<std::uint32_t>(initialised));
    set32(out, h.directoryAt(2), rva);
    set32(out, h.directoryAt(2) + 4, static_cast<std::uint32_t>(data.size()));
    if (signedFile) {
        set32(out, h.directoryAt(4), 0);
        set32(out, h.directoryAt(4) + 4, 0);
    }

    // The COFF symbol table (and the string table behind it) moved with the tail.
    const std::uint32_t symbols = get32(source, h.coff + 8);
    if (symbols) {
        const auto moved = map(symbols);
        if (moved) {
            set32(out, h.coff + 8, to32(*moved, "file offsets"));
        } else {
            set32(out, h.coff + 8, 0);
            set32(out, h.coff + 12, 0);
        }
    }

    // Debug directory entries give the file offset of their data.
    if (h.hasDirectory(6)) {
        const std::uint32_t debugRva = get32(out, h.directoryAt(6));
        const std::uint32_t debugSize = get32(out, h.directoryAt(6) + 4);
        for (std::uint16_t i = 0; debugRva && i < count; ++i) {
            const std::size_t at = h.sectionTable + 40 * std::size_t(i);
            const std::uint32_t va = get32(out, at + 12);
            const std::uint32_t raw = get32(out, at + 16);
            const std::uint32_t pointer = get32(out, at + 20);
            if (debugRva < va || std::uint64_t(debugRva) + debugSize > std::uint64_t(va) + raw || rva == va)
                continue;
            const std::uint64_t first = std::uint64_t(pointer) + (debugRva - va);
            for (std::uint64_t e = first; e + 28 <= first + debugSize && e + 28 <= out.size(); e += 28) {
                const std::uint32_t dataPointer = get32(out, e + 24);
                if (!dataPointer)
                    continue;
                const auto moved = map(dataPointer);
                if (moved && *moved != dataPointer)
                    set32(out, e + 24, to32(*moved, "file offsets"));
            }
            break;
        }
    }

    const std::size_t checksumAt = h.optional + 64;
    if (get32(out, checksumAt) != 0)
        set32(out, checksumAt, peChecksum(out, checksumAt));
    result.image = std::move(out);
    return result;
}
