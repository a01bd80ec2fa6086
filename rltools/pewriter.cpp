#include "pewriter.h"

#include "bytewriter.h"
#include "pieceimage.h"

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

std::uint32_t get32(const PieceImage &b, std::uint64_t at)
{
    return std::uint32_t(b.get(at)) | (std::uint32_t(b.get(at + 1)) << 8) | (std::uint32_t(b.get(at + 2)) << 16) |
           (std::uint32_t(b.get(at + 3)) << 24);
}

std::uint16_t get16(const PieceImage &b, std::uint64_t at)
{
    return static_cast<std::uint16_t>(b.get(at) | (b.get(at + 1) << 8));
}

void set32(PieceImage &b, std::uint64_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.set(at + i, static_cast<std::uint8_t>(v >> (8 * i)));
}

void set16(PieceImage &b, std::uint64_t at, std::uint16_t v)
{
    b.set(at, static_cast<std::uint8_t>(v));
    b.set(at + 1, static_cast<std::uint8_t>(v >> 8));
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

// The same sum over the pieces of an image, byte for byte as over the whole.
std::uint32_t peChecksum(const PieceImage &image, std::size_t checksumAt)
{
    std::uint64_t sum = 0;
    std::uint64_t i = 0; // offset of the next byte
    std::uint32_t low = 0;
    for (const std::string_view piece : image.pieces()) {
        for (const char c : piece) {
            const std::uint32_t b = static_cast<unsigned char>(c);
            if ((i & 1) == 0) {
                low = b;
            } else {
                const std::uint64_t at = i - 1;
                const std::uint64_t k = at / 2;
                if (at != checksumAt && at != checksumAt + 2) {
                    sum += low | (b << 8);
                    if ((k & 0xFFFF) == 0xFFFF)
                        sum = (sum & 0xFFFF) + (sum >> 16);
                }
            }
            ++i;
        }
    }
    if (i % 2)
        sum += low;
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + image.size());
}

// Offsets and indexes of the PE format that the rewrite reads or changes.
namespace pe {
// The COFF file header, after the "PE\0\0" signature.
constexpr std::size_t kCoffSectionCount = 2;
constexpr std::size_t kCoffSymbolTable = 8;
constexpr std::size_t kCoffSymbolCount = 12;
constexpr std::size_t kCoffOptionalSize = 16;
constexpr std::size_t kCoffHeaderSize = 20;
// The optional header.
constexpr std::size_t kOptionalInitialisedData = 8;
constexpr std::size_t kOptionalSectionAlignment = 32;
constexpr std::size_t kOptionalFileAlignment = 36;
constexpr std::size_t kOptionalImageSize = 56;
constexpr std::size_t kOptionalHeadersSize = 60;
constexpr std::size_t kOptionalChecksum = 64;
constexpr std::size_t kDirectoriesPe32 = 96;
constexpr std::size_t kDirectoriesPe32Plus = 112;
// The data directories, 8 bytes each: an address and a size.
constexpr int kResourceDirectory = 2;
constexpr int kCertificateDirectory = 4;
constexpr int kDebugDirectory = 6;
constexpr int kBoundImportDirectory = 11;
constexpr std::size_t kDirectorySize = 8;
// A section header.
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kSectionVirtualSize = 8;
constexpr std::size_t kSectionVirtualAddress = 12;
constexpr std::size_t kSectionRawSize = 16;
constexpr std::size_t kSectionRawPointer = 20;
constexpr std::size_t kSectionCharacteristics = 36;
// A debug directory entry.
constexpr std::size_t kDebugEntrySize = 28;
constexpr std::size_t kDebugDataPointer = 24;
} // namespace pe

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

    std::size_t directoryAt(int index) const { return directories + pe::kDirectorySize * std::size_t(index); }
    std::size_t sectionHeaderAt(std::size_t index) const { return sectionTable + pe::kSectionHeaderSize * index; }
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
    h.sectionCount = get16(image, h.coff + pe::kCoffSectionCount);
    const std::uint16_t optionalSize = get16(image, h.coff + pe::kCoffOptionalSize);
    h.optional = h.coff + pe::kCoffHeaderSize;
    h.sectionTable = h.optional + optionalSize;
    const std::uint64_t headersEnd = h.sectionTable + pe::kSectionHeaderSize * std::uint64_t(h.sectionCount);
    if (headersEnd > size)
        throw ResourceError(truncated(size, headersEnd, "the section table"));
    if (optionalSize < 2)
        throw ResourceError("optional header too short");
    const std::uint16_t magic = get16(image, h.optional);
    if (magic != 0x10b && magic != 0x20b)
        throw ResourceError("unknown optional header");
    h.directories = h.optional + (magic == 0x10b ? pe::kDirectoriesPe32 : pe::kDirectoriesPe32Plus);
    if (h.directories > h.sectionTable)
        throw ResourceError("optional header too short");
    h.directoryCount = get32(image, h.directories - 4);
    // Only the directories that the optional header really holds count.
    h.directoryCount = std::min<std::uint32_t>(h.directoryCount, static_cast<std::uint32_t>((h.sectionTable - h.directories) / pe::kDirectorySize));
    h.sectionAlignment = get32(image, h.optional + pe::kOptionalSectionAlignment);
    h.fileAlignment = get32(image, h.optional + pe::kOptionalFileAlignment);
    h.sizeOfHeaders = get32(image, h.optional + pe::kOptionalHeadersSize);
    auto powerOfTwo = [](std::uint32_t v) { return v != 0 && (v & (v - 1)) == 0; };
    if (!powerOfTwo(h.fileAlignment) || h.fileAlignment > 0x10000 || !powerOfTwo(h.sectionAlignment))
        throw ResourceError("bad section or file alignment");
    if (h.sizeOfHeaders > size)
        throw ResourceError(truncated(size, h.sizeOfHeaders, "the PE headers"));
    if (headersEnd > h.sizeOfHeaders)
        throw ResourceError("the section table runs past the headers");
    for (std::uint16_t i = 0; i < h.sectionCount; ++i) {
        Section s;
        s.headerAt = h.sectionHeaderAt(i);
        const char *name = reinterpret_cast<const char *>(image.data() + s.headerAt);
        s.name.assign(name, strnlen(name, 8));
        s.virtualSize = get32(image, s.headerAt + pe::kSectionVirtualSize);
        s.virtualAddress = get32(image, s.headerAt + pe::kSectionVirtualAddress);
        s.rawSize = get32(image, s.headerAt + pe::kSectionRawSize);
        s.rawPointer = get32(image, s.headerAt + pe::kSectionRawPointer);
        s.characteristics = get32(image, s.headerAt + pe::kSectionCharacteristics);
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
// The section's directories, data entries and names (`bytes`), then each
// resource's data where `data` says, 8-byte aligned: the data stays the
// resources' own until the section is written out.
struct LaidOutSection
{
    std::vector<std::uint8_t> bytes;
    std::vector<std::size_t> dataEntries;
    std::vector<std::pair<std::size_t, const std::vector<std::uint8_t> *>> data; // offset in the section, bytes
    std::size_t size = 0; // the whole section's

    // The whole section in one piece.
    std::vector<std::uint8_t> flatten() const
    {
        std::vector<std::uint8_t> out = bytes;
        out.resize(size, 0);
        for (const auto &[at, d] : data)
            std::copy(d->begin(), d->end(), out.begin() + static_cast<std::ptrdiff_t>(at));
        return out;
    }
    // The section after what `image` holds.
    void appendTo(PieceImage &image) const
    {
        const std::uint64_t start = image.size();
        image.append(bytes);
        for (const auto &[at, d] : data) {
            image.resize(start + at);
            image.appendView(d->data(), d->size());
        }
        image.resize(start + size);
    }

    // The data entries give RVAs: the section's address is added to each.
    void placeAt(std::uint32_t rva)
    {
        for (std::size_t entry : dataEntries)
            set32(bytes, entry, to32(std::uint64_t(get32(bytes, entry)) + rva, "resource data"));
    }
};

// The section refers to the resources' data, which must outlive it.
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
    for (Type &t : types) {
        std::sort(t.names.begin(), t.names.end(), [](const Name &a, const Name &b) { return entryLess(a.id, b.id); });
        directoryBytes += 16 + 8 * t.names.size();
        for (Name &n : t.names) {
            std::stable_sort(n.langs.begin(), n.langs.end(), [](const Lang &a, const Lang &b) { return a.id < b.id; });
            directoryBytes += 16 + 8 * n.langs.size();
            dataEntries += n.langs.size();
        }
    }
    // Layout: directories, data entries, names, data.
    ByteWriter w;
    // The data stays the resources'; the names follow the entries.
    w.bytes.reserve(directoryBytes + 16 * dataEntries + 4096);
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
    std::uint64_t pos = w.pos();
    auto align8 = [](std::uint64_t v) { return (v + 7) & ~std::uint64_t(7); };
    for (const auto &[entry, resource] : pending) {
        pos = align8(pos);
        section.dataEntries.push_back(entry);
        w.put32(entry, to32(pos, "resource data"));
        w.put32(entry + 4, to32(resource->data.size(), "resource data"));
        w.put32(entry + 8, resource->codePage);
        section.data.emplace_back(static_cast<std::size_t>(pos), &resource->data);
        pos += resource->data.size();
    }
    pos = align8(pos);
    if (pos > 0x7FFFFFFFu)
        throw ResourceError("the resources would take more than 2 GB");
    section.bytes = std::move(w.bytes);
    section.size = static_cast<std::size_t>(pos);
    return section;
}

} // namespace

std::vector<std::uint8_t> BuildResourceSection(const std::vector<Resource> &resources, std::uint32_t rva)
{
    LaidOutSection section = layOutResources(resources);
    section.placeAt(rva);
    return section.flatten();
}

namespace {

// The resources as the image holds them now: the directory entry, the section
// holding them and whether that section is theirs alone.
struct OldResources
{
    std::uint32_t rva = 0;
    std::uint32_t size = 0;
    const Section *section = nullptr;
    bool own = false; // a section of its own: it starts with the directory and holds nothing else
};

OldResources findOldResources(const std::vector<std::uint8_t> &source, const Headers &h)
{
    OldResources old;
    old.rva = get32(source, h.directoryAt(pe::kResourceDirectory));
    old.size = get32(source, h.directoryAt(pe::kResourceDirectory) + 4);
    for (const Section &s : h.sections) {
        if (old.rva && old.rva >= s.virtualAddress &&
            old.rva < std::uint64_t(s.virtualAddress) + std::max(s.virtualSize, s.rawSize))
            old.section = &s;
    }
    old.own = old.section && old.section->virtualAddress == old.rva &&
              (old.section->name == ".rsrc" || old.size >= old.section->virtualSize);
    return old;
}

// How far the image reaches: in memory, in the file (the end of the last
// section's bytes), and the room in memory after the old resource section.
struct Extent
{
    std::uint64_t imageEnd = 0;
    std::uint64_t rawEnd = 0;
    std::uint64_t memoryRoom = UINT64_MAX;
};

Extent extentOf(const Headers &h, const OldResources &old, std::size_t fileSize)
{
    Extent e;
    e.rawEnd = h.sizeOfHeaders;
    for (const Section &s : h.sections) {
        e.imageEnd = std::max(e.imageEnd, alignUp(std::uint64_t(s.virtualAddress) + std::max(s.virtualSize, s.rawSize),
                                                  h.sectionAlignment));
        if (s.rawSize)
            e.rawEnd = std::max<std::uint64_t>(e.rawEnd, std::uint64_t(s.rawPointer) + s.rawSize);
        if (old.section && s.virtualAddress > old.section->virtualAddress)
            e.memoryRoom = std::min<std::uint64_t>(e.memoryRoom, s.virtualAddress - old.section->virtualAddress);
    }
    e.rawEnd = std::min<std::uint64_t>(e.rawEnd, fileSize);
    return e;
}

enum class Plan
{
    InPlace,    // the new data fits in the old section's file and memory space
    GrowLast,   // the old section is the last in memory: it grows there
    NewSection  // a new section at the end of the image
};

Plan choosePlan(const OldResources &old, const Extent &extent, std::uint64_t dataSize)
{
    if (old.own && dataSize <= old.section->rawSize && dataSize <= extent.memoryRoom)
        return Plan::InPlace;
    if (old.own && extent.memoryRoom == UINT64_MAX)
        return Plan::GrowLast;
    return Plan::NewSection;
}

// The file space of the old resource section, given up when nothing else lies
// in it and what follows stays aligned once moved up; empty otherwise.
struct Cut
{
    std::uint64_t from = 0;
    std::uint64_t length = 0;
};

Cut freedSpace(const Headers &h, const OldResources &old, Plan plan, const Extent &extent)
{
    const Section *current = old.section;
    if (plan == Plan::InPlace || !old.own || !current->rawSize)
        return {};
    const std::uint64_t from = current->rawPointer;
    const std::uint64_t to = from + current->rawSize;
    for (const Section &s : h.sections) {
        if (&s != current && s.rawSize && s.rawPointer < to && std::uint64_t(s.rawPointer) + s.rawSize > from)
            return {};
    }
    if ((current->rawSize % h.fileAlignment == 0 || to == extent.rawEnd) && from >= h.sizeOfHeaders)
        return {from, current->rawSize};
    return {};
}

// The certificate table: a file offset, normally at the very end. Its bytes are
// left out of the new file only where a certificate table belongs.
struct Certificate
{
    bool present = false;
    std::uint64_t from = 0;
    std::uint64_t to = 0;
};

Certificate certificateOf(const std::vector<std::uint8_t> &source, const Headers &h, const Extent &extent)
{
    Certificate c;
    const std::size_t entry = h.directoryAt(pe::kCertificateDirectory);
    c.present = h.hasDirectory(pe::kCertificateDirectory) && (get32(source, entry) || get32(source, entry + 4));
    if (!c.present)
        return c;
    c.from = get32(source, entry);
    c.to = std::min<std::uint64_t>(c.from + get32(source, entry + 4), source.size());
    if (c.from < extent.rawEnd)
        c.from = c.to = 0; // not where a certificate table belongs: only its entry goes
    return c;
}

// The new file as it is being put together, with where the source's bytes went.
struct Output
{
    explicit Output(const std::vector<std::uint8_t> &source) : bytes(source) {}
    PieceImage bytes;
    OffsetMap map;
    std::uint64_t resourcePointer = 0;

    void keep(const std::vector<std::uint8_t> &, std::uint64_t from, std::uint64_t to)
    {
        if (to <= from)
            return;
        map.add(from, to, bytes.size());
        bytes.keep(from, to);
    }
};

// The body of headers and sections (less the old resources' space where it is
// given up) with the new resource data, then whatever followed the sections,
// less a certificate table.
Output writeBody(const std::vector<std::uint8_t> &source, const Headers &h, const OldResources &old, Plan plan,
                 const Extent &extent, const Cut &cut, const Certificate &certificate,
                 const LaidOutSection &data, std::uint64_t rawSize)
{
    Output out(source);
    if (plan == Plan::InPlace) {
        // The old section's file space takes the new data, zeros after it.
        const Section &current = *old.section;
        out.map.add(0, extent.rawEnd, 0);
        out.bytes.keep(0, current.rawPointer);
        out.resourcePointer = current.rawPointer;
        data.appendTo(out.bytes);
        out.bytes.appendZeros(current.rawSize - data.size);
        out.bytes.keep(std::uint64_t(current.rawPointer) + current.rawSize, extent.rawEnd);
    } else {
        if (cut.length) {
            out.keep(source, 0, cut.from);
            out.keep(source, cut.from + cut.length, extent.rawEnd);
        } else {
            out.keep(source, 0, extent.rawEnd);
        }
        out.bytes.resize(alignUp(out.bytes.size(), h.fileAlignment));
        out.resourcePointer = out.bytes.size();
        data.appendTo(out.bytes);
        out.bytes.resize(out.resourcePointer + rawSize);
    }
    if (certificate.to > certificate.from) {
        out.keep(source, extent.rawEnd, certificate.from);
        out.keep(source, certificate.to, source.size());
    } else {
        out.keep(source, extent.rawEnd, source.size());
    }
    return out;
}

// The sections whose bytes moved point at their new place.
void moveSectionPointers(Output &out, const Headers &h, const OldResources &old)
{
    for (const Section &s : h.sections) {
        if (&s == old.section || !s.rawSize)
            continue;
        const auto moved = out.map(s.rawPointer);
        if (moved && *moved != s.rawPointer)
            set32(out.bytes, s.headerAt + pe::kSectionRawPointer, to32(*moved, "file offsets"));
    }
}

// Bound imports may sit behind the section table (their address is an offset
// in the headers), where the new section header goes; the loader does without them.
void dropBoundImportsAt(Output &out, const Headers &h, std::size_t header, std::uint64_t headersEnd)
{
    if (!h.hasDirectory(pe::kBoundImportDirectory))
        return;
    const std::size_t entry = h.directoryAt(pe::kBoundImportDirectory);
    const std::uint32_t bound = get32(out.bytes, entry);
    if (bound && bound < headersEnd && header < headersEnd && std::uint64_t(bound) + get32(out.bytes, entry + 4) > header) {
        set32(out.bytes, entry, 0);
        set32(out.bytes, entry + 4, 0);
        for (std::uint64_t at = header; at < headersEnd; ++at)
            out.bytes.set(at, 0);
    }
}

// Whether the bytes [from, to) are all zeros.
bool zeros(const PieceImage &bytes, std::uint64_t from, std::uint64_t to)
{
    for (std::uint64_t at = from; at < to; ++at) {
        if (bytes.get(at) != 0)
            return false;
    }
    return true;
}

// Sets bytes from `from` on.
void put(PieceImage &bytes, std::uint64_t at, const char *from, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        bytes.set(at + i, static_cast<std::uint8_t>(from[i]));
}

// A new ".rsrc" section header after the others; the old resource section, if
// any, is renamed and, where its file space was given up, keeps its addresses as
// zeros. Returns the change of the image's initialised data.
std::int64_t addResourceSection(Output &out, const Headers &h, const OldResources &old, const Cut &cut,
                                std::uint32_t rva, std::size_t dataSize, std::uint64_t rawSize)
{
    static const char kResourceName[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
    static const char kOldName[8] = {'.', 'o', 'l', 'd', 'r', 's', 'r', 'c'};
    PieceImage &bytes = out.bytes;
    const std::size_t header = h.sectionHeaderAt(h.sectionCount);
    std::uint64_t firstRaw = h.sizeOfHeaders;
    for (const Section &s : h.sections) {
        if (s.rawSize)
            firstRaw = std::min<std::uint64_t>(firstRaw, s.rawPointer);
    }
    dropBoundImportsAt(out, h, header, std::min<std::uint64_t>(firstRaw, h.sizeOfHeaders));
    if (h.sectionCount == 0xFFFF || header + pe::kSectionHeaderSize > h.sizeOfHeaders ||
        header + pe::kSectionHeaderSize > firstRaw || !zeros(bytes, header, header + pe::kSectionHeaderSize))
        throw ResourceError("no room for another section header");
    const Section *current = old.section;
    put(bytes, header, kResourceName, 8);
    set32(bytes, header + pe::kSectionVirtualSize, static_cast<std::uint32_t>(dataSize));
    set32(bytes, header + pe::kSectionVirtualAddress, rva);
    set32(bytes, header + pe::kSectionRawSize, static_cast<std::uint32_t>(rawSize));
    set32(bytes, header + pe::kSectionRawPointer, to32(out.resourcePointer, "file offsets"));
    set32(bytes, header + pe::kSectionCharacteristics, current ? current->characteristics : 0x40000040u);
    set16(bytes, h.coff + pe::kCoffSectionCount, static_cast<std::uint16_t>(h.sectionCount + 1));
    std::int64_t initialisedDelta = static_cast<std::int64_t>(rawSize);
    // No other section may keep the name the tools look the resources up by.
    for (const Section &s : h.sections) {
        if (s.name == ".rsrc")
            put(bytes, s.headerAt, kOldName, 8);
    }
    if (current && cut.length) {
        // The old resources keep their addresses, as zeros, and lose their file space.
        set32(bytes, current->headerAt + pe::kSectionRawSize, 0);
        set32(bytes, current->headerAt + pe::kSectionRawPointer, 0);
        std::uint32_t flags = current->characteristics;
        if (flags & kInitialisedData)
            flags = (flags & ~kInitialisedData) | kUninitialisedData;
        set32(bytes, current->headerAt + pe::kSectionCharacteristics, flags);
        initialisedDelta -= current->rawSize;
    } else if (current && current->rawSize) {
        const auto moved = out.map(current->rawPointer);
        if (moved && *moved != current->rawPointer)
            set32(bytes, current->headerAt + pe::kSectionRawPointer, to32(*moved, "file offsets"));
    }
    return initialisedDelta;
}

// The old resource section takes the new data, growing where it is the last in
// memory. Returns the change of the image's initialised data.
std::int64_t reuseResourceSection(Output &out, const OldResources &old, Plan plan, std::size_t dataSize,
                                  std::uint64_t rawSize)
{
    const Section &current = *old.section;
    set32(out.bytes, current.headerAt + pe::kSectionVirtualSize, static_cast<std::uint32_t>(dataSize));
    if (plan != Plan::GrowLast)
        return 0;
    set32(out.bytes, current.headerAt + pe::kSectionRawSize, static_cast<std::uint32_t>(rawSize));
    set32(out.bytes, current.headerAt + pe::kSectionRawPointer, to32(out.resourcePointer, "file offsets"));
    return static_cast<std::int64_t>(rawSize) - current.rawSize;
}

// The image's size in memory, its initialised data and the resource and
// certificate directory entries.
void updateOptionalHeader(Output &out, const Headers &h, std::int64_t initialisedDelta, std::uint32_t rva,
                          std::size_t dataSize, bool signedFile)
{
    PieceImage &bytes = out.bytes;
    std::uint64_t end = 0;
    const std::uint16_t count = get16(bytes, h.coff + pe::kCoffSectionCount);
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::size_t at = h.sectionHeaderAt(i);
        end = std::max(end, alignUp(std::uint64_t(get32(bytes, at + pe::kSectionVirtualAddress)) +
                                        std::max(get32(bytes, at + pe::kSectionVirtualSize),
                                                 get32(bytes, at + pe::kSectionRawSize)),
                                    h.sectionAlignment));
    }
    set32(bytes, h.optional + pe::kOptionalImageSize, to32(end, "image size"));
    const std::int64_t initialised =
        static_cast<std::int64_t>(get32(bytes, h.optional + pe::kOptionalInitialisedData)) + initialisedDelta;
    if (initialised >= 0 && initialised <= 0xFFFFFFFF)
        set32(bytes, h.optional + pe::kOptionalInitialisedData, static_cast<std::uint32_t>(initialised));
    set32(bytes, h.directoryAt(pe::kResourceDirectory), rva);
    set32(bytes, h.directoryAt(pe::kResourceDirectory) + 4, static_cast<std::uint32_t>(dataSize));
    if (signedFile) {
        set32(bytes, h.directoryAt(pe::kCertificateDirectory), 0);
        set32(bytes, h.directoryAt(pe::kCertificateDirectory) + 4, 0);
    }
}

// The COFF symbol table (and the string table behind it) moved with the tail.
void moveSymbolTable(Output &out, const std::vector<std::uint8_t> &source, const Headers &h)
{
    const std::uint32_t symbols = get32(source, h.coff + pe::kCoffSymbolTable);
    if (!symbols)
        return;
    if (const auto moved = out.map(symbols)) {
        set32(out.bytes, h.coff + pe::kCoffSymbolTable, to32(*moved, "file offsets"));
    } else {
        set32(out.bytes, h.coff + pe::kCoffSymbolTable, 0);
        set32(out.bytes, h.coff + pe::kCoffSymbolCount, 0);
    }
}

// Debug directory entries give the file offset of their data.
void moveDebugData(Output &out, const Headers &h, std::uint32_t resourceRva)
{
    if (!h.hasDirectory(pe::kDebugDirectory))
        return;
    PieceImage &bytes = out.bytes;
    const std::uint32_t debugRva = get32(bytes, h.directoryAt(pe::kDebugDirectory));
    const std::uint32_t debugSize = get32(bytes, h.directoryAt(pe::kDebugDirectory) + 4);
    const std::uint16_t count = get16(bytes, h.coff + pe::kCoffSectionCount);
    for (std::uint16_t i = 0; debugRva && i < count; ++i) {
        const std::size_t at = h.sectionHeaderAt(i);
        const std::uint32_t va = get32(bytes, at + pe::kSectionVirtualAddress);
        const std::uint32_t raw = get32(bytes, at + pe::kSectionRawSize);
        const std::uint32_t pointer = get32(bytes, at + pe::kSectionRawPointer);
        if (debugRva < va || std::uint64_t(debugRva) + debugSize > std::uint64_t(va) + raw || resourceRva == va)
            continue;
        const std::uint64_t first = std::uint64_t(pointer) + (debugRva - va);
        for (std::uint64_t e = first; e + pe::kDebugEntrySize <= first + debugSize && e + pe::kDebugEntrySize <= bytes.size();
             e += pe::kDebugEntrySize) {
            const std::uint32_t dataPointer = get32(bytes, e + pe::kDebugDataPointer);
            if (!dataPointer)
                continue;
            const auto moved = out.map(dataPointer);
            if (moved && *moved != dataPointer)
                set32(bytes, e + pe::kDebugDataPointer, to32(*moved, "file offsets"));
        }
        break;
    }
}

} // namespace

PeRewrite WritePeResources(const std::vector<std::uint8_t> &source, const std::vector<Resource> &resources)
{
    PeRewritePieces pieces = WritePeResourcePieces(source, resources);
    return {pieces.image.flatten(), std::move(pieces.notes)};
}

PeRewritePieces WritePeResourcePieces(const std::vector<std::uint8_t> &source, std::vector<Resource> resources)
{
    const Headers h = readHeaders(source);
    const bool hasResourceDirectory = h.hasDirectory(pe::kResourceDirectory);
    const OldResources old = hasResourceDirectory ? findOldResources(source, h) : OldResources();
    if (resources.empty() && (old.rva == 0 || old.size == 0)) {
        PeRewritePieces same{PieceImage(source), {}, {}};
        same.image.keep(0, source.size());
        return same; // no resources before, none after: nothing to rewrite
    }
    if (!hasResourceDirectory)
        throw ResourceError("the image has no resource directory entry");

    const Extent extent = extentOf(h, old, source.size());
    LaidOutSection laidOut = layOutResources(resources);
    const Plan plan = choosePlan(old, extent, laidOut.size);
    const Cut cut = freedSpace(h, old, plan, extent);
    const Certificate certificate = certificateOf(source, h, extent);
    PeRewritePieces result{PieceImage(source), {}, {}};
    if (certificate.present)
        result.notes.push_back("the certificate table (the file's signature) was dropped: a rewritten file is no "
                               "longer signed");

    // Where the new resource data goes.
    const std::uint32_t rva =
        plan == Plan::NewSection ? to32(extent.imageEnd, "section addresses") : old.section->virtualAddress;
    laidOut.placeAt(rva);
    const std::size_t dataSize = laidOut.size;
    const std::uint64_t rawSize = alignUp(dataSize, h.fileAlignment);

    Output out = writeBody(source, h, old, plan, extent, cut, certificate, laidOut, rawSize);
    moveSectionPointers(out, h, old);
    const std::int64_t initialisedDelta = plan == Plan::NewSection
                                              ? addResourceSection(out, h, old, cut, rva, dataSize, rawSize)
                                              : reuseResourceSection(out, old, plan, dataSize, rawSize);
    updateOptionalHeader(out, h, initialisedDelta, rva, dataSize, certificate.present);
    moveSymbolTable(out, source, h);
    moveDebugData(out, h, rva);

    const std::size_t checksumAt = h.optional + pe::kOptionalChecksum;
    if (get32(out.bytes, checksumAt) != 0)
        set32(out.bytes, checksumAt, peChecksum(out.bytes, checksumAt));
    result.image = std::move(out.bytes);
    // The image refers to the resources' data: they go with it.
    result.resources = std::move(resources);
    return result;
}
