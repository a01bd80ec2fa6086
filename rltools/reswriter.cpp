#include "reswriter.h"

#include "bytereader.h"
#include "bytewriter.h"
#include "pewriter.h"
#include "restokens.h"
#include "tokenmerge.h"

#include <algorithm>
#include <map>
#include <unordered_map>

namespace {

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

LocalisedFile WriteLocalisedFile(const std::vector<std::uint8_t> &source, const TokenTable &project,
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
    LocalisedFile result;
    if (file.kind == ResourceFileKind::ResFile) {
        const std::vector<std::uint8_t> bytes = WriteResFile(out);
        result.bytes.assign(bytes.begin(), bytes.end());
    } else {
        PeRewrite rewrite = WritePeResources(source, out);
        result.bytes.assign(rewrite.image.begin(), rewrite.image.end());
        result.notes = std::move(rewrite.notes);
    }
    return result;
}
