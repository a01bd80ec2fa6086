#include "reswriter.h"

#include "bytereader.h"
#include "restokens.h"
#include "tokenmerge.h"

#include <algorithm>
#include <map>
#include <unordered_map>

namespace {

// Little-endian writing.
class ByteWriter
{
public:
    std::vector<std::uint8_t> bytes;

    std::size_t pos() const { return bytes.size(); }
    void u8(std::uint8_t v) { bytes.push_back(v); }
    void u16(std::uint16_t v)
    {
        bytes.push_back(static_cast<std::uint8_t>(v));
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v)
    {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void put16(std::size_t at, std::uint16_t v)
    {
        bytes[at] = static_cast<std::uint8_t>(v);
        bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    void put32(std::size_t at, std::uint32_t v)
    {
        put16(at, static_cast<std::uint16_t>(v));
        put16(at + 2, static_cast<std::uint16_t>(v >> 16));
    }
    void chars(const std::u16string &s)
    {
        for (char16_t c : s)
            u16(c);
    }
    void sz(const std::u16string &s)
    {
        chars(s);
        u16(0);
    }
    void szOrOrd(const ResId &id)
    {
        if (id.isNumber) {
            u16(0xFFFF);
            u16(id.number);
        } else {
            sz(id.text);
        }
    }
    void raw(const std::uint8_t *p, std::size_t n) { bytes.insert(bytes.end(), p, p + n); }
    void alignTo(std::size_t a)
    {
        while (bytes.size() % a)
            bytes.push_back(0);
    }
};

// The text a token gives for an item, or the item's own.
class Texts
{
public:
    Texts(const TextLookup &lookup, std::uint16_t type, std::string name)
        : m_lookup(lookup), m_type(type), m_name(std::move(name))
    {
    }
    std::u16string get(const std::string &item, std::size_t position, const std::string &extra,
                       const std::u16string &original) const
    {
        std::string key = std::to_string(m_type);
        for (const std::string &f : {m_name, item, std::to_string(position), extra}) {
            key += '\x01';
            key += f;
        }
        const std::string *text = m_lookup(key);
        return text ? UnescapeText(*text) : original;
    }

private:
    const TextLookup &m_lookup;
    std::uint16_t m_type;
    std::string m_name;
};

void rewriteMenu(const Resource &r, const Texts &texts, ByteWriter &w)
{
    ByteReader in(r.data.data(), r.data.size(), "menu " + ResIdField(r.name));
    std::size_t position = 0;
    const std::uint16_t version = in.u16();
    const std::uint16_t headerSize = in.u16();
    w.u16(version);
    w.u16(headerSize);
    const std::size_t headerStart = in.pos();
    in.skip(headerSize);
    w.raw(r.data.data() + headerStart, headerSize);
    auto text = [&](std::uint32_t id, const std::u16string &original) {
        const std::size_t p = position++;
        return original.empty() ? original : texts.get(std::to_string(id), p, {}, original);
    };
    if (version == 0) {
        std::function<void(int)> items = [&](int depth) {
            if (depth > 32)
                in.fail("menu nests too deep");
            for (;;) {
                const std::uint16_t flags = in.u16();
                w.u16(flags);
                std::uint16_t id = 0;
                if (!(flags & 0x10)) {
                    id = in.u16();
                    w.u16(id);
                }
                w.sz(text(id, in.sz()));
                if (flags & 0x10)
                    items(depth + 1);
                if (flags & 0x80)
                    return;
            }
        };
        items(0);
    } else if (version == 1) {
        std::function<void(int)> items = [&](int depth) {
            if (depth > 32)
                in.fail("menu nests too deep");
            for (;;) {
                w.u32(in.u32());
                w.u32(in.u32());
                const std::uint32_t id = in.u32();
                w.u32(id);
                const std::uint16_t flags = in.u16();
                w.u16(flags);
                w.sz(text(id, in.sz()));
                in.alignTo(4);
                w.alignTo(4);
                if (flags & 0x01) {
                    w.u32(in.u32());
                    items(depth + 1);
                }
                if (flags & 0x80)
                    return;
            }
        };
        items(0);
    } else {
        in.fail("unknown menu template version");
    }
}

void rewriteDialog(const Resource &r, const Texts &texts, ByteWriter &w)
{
    ByteReader in(r.data.data(), r.data.size(), "dialog " + ResIdField(r.name));
    const std::uint16_t first = in.u16();
    const std::uint16_t second = in.u16();
    const bool extended = first == 1 && second == 0xFFFF;
    in.seek(0);
    std::uint32_t style = 0;
    if (extended) {
        for (int i = 0; i < 4; ++i) {
            const std::uint32_t v = in.u32();
            w.u32(v);
            if (i == 3)
                style = v;
        }
    } else {
        style = in.u32();
        w.u32(style);
        w.u32(in.u32());
    }
    const std::uint16_t count = in.u16();
    w.u16(count);
    for (int i = 0; i < 4; ++i)
        w.u16(in.u16());
    w.szOrOrd(in.szOrOrd());
    w.szOrOrd(in.szOrOrd());
    const std::u16string caption = in.sz();
    w.sz(caption.empty() ? caption : texts.get("0", 0, {}, caption));
    if (style & 0x48) {
        w.u16(in.u16());
        if (extended) {
            w.u16(in.u16());
            w.u8(in.u8());
            w.u8(in.u8());
        }
        w.sz(in.sz());
    }
    for (std::uint16_t i = 1; i <= count; ++i) {
        in.alignTo(4);
        w.alignTo(4);
        long long id = 0;
        if (extended) {
            for (int k = 0; k < 3; ++k)
                w.u32(in.u32());
            for (int k = 0; k < 4; ++k)
                w.u16(in.u16());
            const std::uint32_t raw = in.u32();
            w.u32(raw);
            id = static_cast<std::int32_t>(raw);
        } else {
            for (int k = 0; k < 2; ++k)
                w.u32(in.u32());
            for (int k = 0; k < 4; ++k)
                w.u16(in.u16());
            const std::uint16_t raw = in.u16();
            w.u16(raw);
            id = static_cast<std::int16_t>(raw);
        }
        w.szOrOrd(in.szOrOrd());
        ResId title = in.szOrOrd();
        if (!title.isNumber && !title.text.empty())
            title.text = texts.get(std::to_string(id), i, {}, title.text);
        w.szOrOrd(title);
        const std::uint16_t extra = in.u16();
        w.u16(extra);
        const std::size_t at = in.pos();
        in.skip(extra);
        w.raw(r.data.data() + at, extra);
    }
}

void rewriteStrings(const Resource &r, const Texts &texts, ByteWriter &w)
{
    if (!r.name.isNumber || r.name.number == 0)
        throw ResourceError("string table with a name instead of a block number");
    ByteReader in(r.data.data(), r.data.size(), "string table " + ResIdField(r.name));
    for (unsigned i = 0; i < 16; ++i) {
        std::u16string text = in.atEnd() ? std::u16string() : in.chars(in.u16());
        if (!text.empty())
            text = texts.get(std::to_string((r.name.number - 1u) * 16u + i), i, {}, text);
        w.u16(static_cast<std::uint16_t>(std::min<std::size_t>(text.size(), 0xFFFF)));
        w.chars(text.substr(0, 0xFFFF));
    }
}

// A version block, read whole so that lengths can be recomputed.
struct VersionNode
{
    std::uint16_t type = 0;
    std::u16string key;
    bool hasValue = false;
    std::vector<std::uint8_t> binaryValue; // type 0
    std::u16string textValue;              // type 1, without trailing NULs
    std::vector<VersionNode> children;
};

VersionNode readVersionNode(ByteReader &in, const std::uint8_t *data, std::size_t limit, int depth)
{
    if (depth > 4)
        in.fail("version block nests too deep");
    VersionNode node;
    const std::size_t start = in.pos();
    const std::uint16_t length = in.u16();
    if (length < 6 || start + length > limit)
        in.fail("version block length does not fit");
    const std::size_t end = start + length;
    const std::uint16_t valueLength = in.u16();
    node.type = in.u16();
    node.key = in.sz();
    in.alignTo(4);
    node.hasValue = valueLength > 0;
    if (node.type == 1) {
        const std::size_t available = end > in.pos() ? (end - in.pos()) / 2 : 0;
        node.textValue = in.chars(std::min<std::size_t>(valueLength, available));
        while (!node.textValue.empty() && node.textValue.back() == 0)
            node.textValue.pop_back();
    } else {
        if (in.pos() + valueLength > end)
            in.fail("version value longer than its block");
        node.binaryValue.assign(data + in.pos(), data + in.pos() + valueLength);
        in.skip(valueLength);
    }
    in.alignTo(4);
    while (in.pos() + 6 <= end) {
        node.children.push_back(readVersionNode(in, data, end, depth + 1));
        in.alignTo(4);
    }
    in.seek(end);
    return node;
}

void writeVersionNode(ByteWriter &w, const VersionNode &node)
{
    w.alignTo(4);
    const std::size_t start = w.pos();
    w.u16(0); // length, set below
    if (node.type == 1)
        w.u16(node.hasValue ? static_cast<std::uint16_t>(node.textValue.size() + 1) : 0);
    else
        w.u16(static_cast<std::uint16_t>(node.binaryValue.size()));
    w.u16(node.type);
    w.sz(node.key);
    w.alignTo(4);
    if (node.type == 1 && node.hasValue)
        w.sz(node.textValue);
    else
        w.raw(node.binaryValue.data(), node.binaryValue.size());
    for (const VersionNode &child : node.children)
        writeVersionNode(w, child);
    if (w.pos() - start > 0xFFFF)
        throw ResourceError("version block too long");
    w.put16(start, static_cast<std::uint16_t>(w.pos() - start));
}

void rewriteVersion(const Resource &r, const Texts &texts, ByteWriter &w)
{
    ByteReader in(r.data.data(), r.data.size(), "version " + ResIdField(r.name));
    VersionNode root = readVersionNode(in, r.data.data(), r.data.size(), 0);
    for (VersionNode &info : root.children) {
        if (info.key != u"StringFileInfo")
            continue;
        for (VersionNode &table : info.children) {
            for (std::size_t i = 0; i < table.children.size(); ++i) {
                VersionNode &value = table.children[i];
                if (value.type != 1 || value.textValue.empty())
                    continue;
                value.textValue = texts.get(EscapeField(table.key), i, EscapeField(value.key), value.textValue);
                value.hasValue = true;
            }
        }
    }
    writeVersionNode(w, root);
}

} // namespace

std::vector<std::uint8_t> RewriteResource(const Resource &resource, const TextLookup &textFor)
{
    if (!resource.type.isNumber)
        return resource.data;
    const Texts texts(textFor, resource.type.number, ResIdField(resource.name));
    ByteWriter w;
    switch (resource.type.number) {
    case RT_MENU_TYPE:
        rewriteMenu(resource, texts, w);
        break;
    case RT_DIALOG_TYPE:
        rewriteDialog(resource, texts, w);
        break;
    case RT_STRING_TYPE:
        rewriteStrings(resource, texts, w);
        break;
    case RT_VERSION_TYPE:
        rewriteVersion(resource, texts, w);
        break;
    default:
        return resource.data;
    }
    return w.bytes;
}

std::vector<std::uint8_t> WriteResFile(const std::vector<Resource> &resources)
{
    ByteWriter w;
    // The empty entry that opens a 32-bit .res file.
    const std::uint8_t empty[32] = {0, 0, 0, 0, 0x20, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0};
    w.raw(empty, sizeof empty);
    for (const Resource &r : resources) {
        const std::size_t start = w.pos();
        w.u32(static_cast<std::uint32_t>(r.data.size()));
        w.u32(0); // header size, set below
        w.szOrOrd(r.type);
        w.szOrOrd(r.name);
        w.alignTo(4);
        w.u32(r.dataVersion);
        w.u16(r.memoryFlags);
        w.u16(r.language);
        w.u32(r.version);
        w.u32(r.characteristics);
        w.put32(start + 4, static_cast<std::uint32_t>(w.pos() - start));
        w.raw(r.data.data(), r.data.size());
        w.alignTo(4);
    }
    return w.bytes;
}

namespace {

std::uint32_t get32(const std::vector<std::uint8_t> &b, std::size_t at)
{
    if (at + 4 > b.size())
        throw ResourceError("truncated PE headers");
    return std::uint32_t(b[at]) | (std::uint32_t(b[at + 1]) << 8) | (std::uint32_t(b[at + 2]) << 16) |
           (std::uint32_t(b[at + 3]) << 24);
}

std::uint16_t get16(const std::vector<std::uint8_t> &b, std::size_t at)
{
    if (at + 2 > b.size())
        throw ResourceError("truncated PE headers");
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

std::uint32_t alignUp(std::uint64_t v, std::uint32_t a)
{
    const std::uint64_t r = a ? (v + a - 1) / a * a : v;
    if (r > 0xFFFFFFFFu)
        throw ResourceError("image too large");
    return static_cast<std::uint32_t>(r);
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

// The resource section's bytes for a section placed at `rva`.
std::vector<std::uint8_t> buildResourceSection(const std::vector<Resource> &resources, std::uint32_t rva)
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
        auto n = std::find_if(t->names.begin(), t->names.end(), [&](const Name &x) { return x.id == r.name; });
        if (n == t->names.end()) {
            t->names.push_back({r.name, {}});
            n = t->names.end() - 1;
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
    w.bytes.assign(directoryBytes + 16 * dataEntries, 0);
    std::map<std::u16string, std::uint32_t> nameOffsets;
    auto nameOffset = [&](const ResId &id) -> std::uint32_t {
        auto found = nameOffsets.find(id.text);
        if (found != nameOffsets.end())
            return found->second;
        const auto at = static_cast<std::uint32_t>(w.pos());
        w.u16(static_cast<std::uint16_t>(id.text.size()));
        w.chars(id.text);
        nameOffsets.emplace(id.text, at);
        return at;
    };
    std::size_t nextDirectory = 0;
    std::size_t nextEntry = directoryBytes;
    auto directory = [&](std::size_t count, std::uint16_t named) {
        const std::size_t at = nextDirectory;
        nextDirectory += 16 + 8 * count;
        w.put16(at + 12, named);
        w.put16(at + 14, static_cast<std::uint16_t>(count - named));
        return at;
    };
    auto countNamed = [](const auto &list) {
        return static_cast<std::uint16_t>(
            std::count_if(list.begin(), list.end(), [](const auto &e) { return !e.id.isNumber; }));
    };
    auto idField = [&](const ResId &id) -> std::uint32_t {
        return id.isNumber ? id.number : (0x80000000u | nameOffset(id));
    };
    std::vector<std::pair<std::size_t, const Resource *>> pending; // data entry offset, resource
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
    for (const auto &[entry, resource] : pending) {
        w.alignTo(8);
        w.put32(entry, rva + static_cast<std::uint32_t>(w.pos()));
        w.put32(entry + 4, static_cast<std::uint32_t>(resource->data.size()));
        w.put32(entry + 8, resource->codePage);
        w.raw(resource->data.data(), resource->data.size());
    }
    w.alignTo(8);
    return w.bytes;
}

std::uint32_t peChecksum(const std::vector<std::uint8_t> &image, std::size_t checksumAt)
{
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < image.size(); i += 2) {
        if (i == checksumAt || i == checksumAt + 2)
            continue;
        std::uint32_t word = image[i];
        if (i + 1 < image.size())
            word |= std::uint32_t(image[i + 1]) << 8;
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + image.size());
}

} // namespace

std::vector<std::uint8_t> WritePeResources(const std::vector<std::uint8_t> &source,
                                           const std::vector<Resource> &resources)
{
    std::vector<std::uint8_t> image = source;
    const std::uint32_t pe = get32(image, 0x3C);
    if (get32(image, pe) != 0x00004550)
        throw ResourceError("no PE signature");
    const std::size_t coff = pe + 4;
    const std::uint16_t sectionCount = get16(image, coff + 2);
    const std::uint16_t optionalSize = get16(image, coff + 16);
    const std::size_t optional = coff + 20;
    const std::uint16_t magic = get16(image, optional);
    if (magic != 0x10b && magic != 0x20b)
        throw ResourceError("unknown optional header");
    const std::size_t directories = optional + (magic == 0x10b ? 96 : 112);
    const std::uint32_t sectionAlignment = get32(image, optional + 32);
    const std::uint32_t fileAlignment = get32(image, optional + 36);
    const std::size_t sizeOfImageAt = optional + 56;
    const std::uint32_t sizeOfHeaders = get32(image, optional + 60);
    const std::size_t checksumAt = optional + 64;
    if (get32(image, directories - 4) <= 2 || directories + 24 > optional + optionalSize)
        throw ResourceError("the image has no resource directory entry");
    const std::size_t resourceDirAt = directories + 16;
    const std::uint32_t resourceRva = get32(image, resourceDirAt);
    const std::size_t sectionTable = optional + optionalSize;
    auto powerOfTwo = [](std::uint32_t v) { return v != 0 && (v & (v - 1)) == 0; };
    if (!powerOfTwo(fileAlignment) || fileAlignment > 0x10000 || !powerOfTwo(sectionAlignment))
        throw ResourceError("bad section or file alignment");

    struct Header
    {
        std::size_t at;
        std::uint32_t virtualSize, virtualAddress, rawSize, rawPointer;
    };
    std::vector<Header> sections;
    for (std::uint16_t i = 0; i < sectionCount; ++i) {
        const std::size_t at = sectionTable + 40 * i;
        sections.push_back({at, get32(image, at + 8), get32(image, at + 12), get32(image, at + 16),
                            get32(image, at + 20)});
    }
    if (sizeOfHeaders > image.size() || sectionTable + 40 * std::size_t(sectionCount) > sizeOfHeaders ||
        resourceDirAt + 8 > sizeOfHeaders || checksumAt + 4 > sizeOfHeaders)
        throw ResourceError("PE headers do not fit in the file");
    for (const Header &h : sections) {
        if (h.rawSize && std::uint64_t(h.rawPointer) + h.rawSize > image.size())
            throw ResourceError("section data outside the file");
    }
    std::uint64_t imageEnd = 0;
    std::uint64_t rawEnd = sizeOfHeaders;
    for (const Header &h : sections) {
        imageEnd = std::max<std::uint64_t>(imageEnd, alignUp(std::uint64_t(h.virtualAddress) +
                                                                 std::max(h.virtualSize, h.rawSize), sectionAlignment));
        if (h.rawSize)
            rawEnd = std::max<std::uint64_t>(rawEnd, std::uint64_t(h.rawPointer) + h.rawSize);
    }
    // Which section holds the resources now, and whether it is the last one.
    const Header *current = nullptr;
    for (const Header &h : sections) {
        if (resourceRva && resourceRva >= h.virtualAddress &&
            resourceRva < h.virtualAddress + std::max(h.virtualSize, h.rawSize))
            current = &h;
    }
    const bool onlyResources = current && current->virtualAddress == resourceRva;
    const bool last = current && std::uint64_t(current->rawPointer) + current->rawSize == rawEnd &&
                      alignUp(std::uint64_t(current->virtualAddress) + std::max(current->virtualSize, current->rawSize),
                              sectionAlignment) == imageEnd;
    std::uint32_t rva = 0;
    std::size_t sectionAt = 0;
    bool reuse = false;
    if (onlyResources) {
        const std::vector<std::uint8_t> trial = buildResourceSection(resources, current->virtualAddress);
        if (trial.size() <= current->rawSize || last) {
            reuse = true;
            rva = current->virtualAddress;
            sectionAt = current->at;
        }
    }
    if (!reuse) {
        // A new section at the end of the image.
        const std::size_t newHeader = sectionTable + 40 * sectionCount;
        if (newHeader + 40 > sizeOfHeaders)
            throw ResourceError("no room for another section header");
        for (const Header &h : sections) {
            if (h.rawSize && h.rawPointer < newHeader + 40)
                throw ResourceError("no room for another section header");
        }
        rva = static_cast<std::uint32_t>(imageEnd);
        sectionAt = newHeader;
        static const char name[8] = {'.', 'r', 's', 'r', 'c', '2', 0, 0};
        std::copy(name, name + 8, image.begin() + static_cast<std::ptrdiff_t>(newHeader));
        set32(image, newHeader + 24, 0);
        set32(image, newHeader + 28, 0);
        set16(image, newHeader + 32, 0);
        set16(image, newHeader + 34, 0);
        set32(image, newHeader + 36, 0x40000040u); // initialised data, readable
        set16(image, coff + 2, static_cast<std::uint16_t>(sectionCount + 1));
    }
    std::vector<std::uint8_t> section = buildResourceSection(resources, rva);
    const std::size_t resourceBytes = section.size();
    const std::uint32_t rawSize = alignUp(section.size(), fileAlignment);
    std::uint32_t rawPointer = 0;
    if (reuse && section.size() <= current->rawSize) {
        rawPointer = current->rawPointer;
        std::fill(image.begin() + rawPointer, image.begin() + rawPointer + current->rawSize, 0);
        std::copy(section.begin(), section.end(), image.begin() + rawPointer);
        set32(image, sectionAt + 8, static_cast<std::uint32_t>(section.size()));
    } else {
        // Grow the last section in place, or place the new one after every section;
        // anything that followed the sections (an overlay) goes after it again.
        std::vector<std::uint8_t> overlay(image.begin() + static_cast<std::ptrdiff_t>(std::min<std::uint64_t>(rawEnd, image.size())),
                                          image.end());
        rawPointer = reuse ? current->rawPointer : alignUp(rawEnd, fileAlignment);
        image.resize(rawPointer);
        section.resize(rawSize, 0);
        image.insert(image.end(), section.begin(), section.end());
        image.insert(image.end(), overlay.begin(), overlay.end());
        set32(image, sectionAt + 8, static_cast<std::uint32_t>(section.size()));
        set32(image, sectionAt + 12, rva);
        set32(image, sectionAt + 16, rawSize);
        set32(image, sectionAt + 20, rawPointer);
        std::uint64_t end = 0;
        const std::uint16_t count = get16(image, coff + 2);
        for (std::uint16_t i = 0; i < count; ++i) {
            const std::size_t at = sectionTable + 40 * i;
            end = std::max<std::uint64_t>(end, alignUp(std::uint64_t(get32(image, at + 12)) +
                                                           std::max(get32(image, at + 8), get32(image, at + 16)),
                                                       sectionAlignment));
        }
        set32(image, sizeOfImageAt, static_cast<std::uint32_t>(end));
    }
    set32(image, resourceDirAt, rva);
    set32(image, resourceDirAt + 4, static_cast<std::uint32_t>(resourceBytes));
    if (get32(image, checksumAt) != 0)
        set32(image, checksumAt, peChecksum(image, checksumAt));
    return image;
}

std::string WriteLocalisedFile(const std::vector<std::uint8_t> &source, const TokenTable &project,
                               std::uint16_t language)
{
    ResourceFile file = ReadResourceFile(source);
    std::unordered_map<std::string, std::string> texts;
    for (std::size_t row = 1; row <= project.tokenCount(); ++row)
        texts.emplace(RowKey(project, row), std::string(project.cell(row, ColText)));
    const TextLookup lookup = [&texts](const std::string &key) -> const std::string * {
        const auto found = texts.find(key);
        return found == texts.end() ? nullptr : &found->second;
    };
    // Of each localisable resource, the language that ExtractTokens reads.
    std::map<std::pair<std::string, std::string>, std::size_t> chosen;
    for (std::size_t i = 0; i < file.resources.size(); ++i) {
        const Resource &r = file.resources[i];
        if (!r.type.isNumber || (r.type.number != RT_MENU_TYPE && r.type.number != RT_DIALOG_TYPE &&
                                 r.type.number != RT_STRING_TYPE && r.type.number != RT_VERSION_TYPE))
            continue;
        chosen.emplace(std::make_pair(ResIdField(r.type), (r.name.isNumber ? "#" : "$") + ResIdField(r.name)), i);
    }
    // One resource per type, name and language: the localised one replaces any
    // copy that was already in that language.
    std::vector<Resource> out;
    std::vector<bool> localised;
    for (std::size_t i = 0; i < file.resources.size(); ++i) {
        Resource r = file.resources[i];
        const auto key = std::make_pair(ResIdField(r.type), (r.name.isNumber ? "#" : "$") + ResIdField(r.name));
        const auto found = chosen.find(key);
        const bool isLocalised = found != chosen.end() && found->second == i;
        if (isLocalised) {
            r.data = RewriteResource(r, lookup);
            r.language = language;
        }
        auto same = std::find_if(out.begin(), out.end(), [&](const Resource &u) {
            return u.type == r.type && u.name == r.name && u.language == r.language;
        });
        if (same == out.end()) {
            out.push_back(std::move(r));
            localised.push_back(isLocalised);
        } else if (isLocalised) {
            *same = std::move(r);
            localised[static_cast<std::size_t>(same - out.begin())] = true;
        }
    }
    const std::vector<Resource> &unique = out;
    const std::vector<std::uint8_t> bytes =
        file.kind == ResourceFileKind::ResFile ? WriteResFile(unique) : WritePeResources(source, unique);
    return std::string(bytes.begin(), bytes.end());
}
