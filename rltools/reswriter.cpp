#include "reswriter.h"

#include "bytereader.h"
#include "bytewriter.h"
#include "dialogtemplate.h"
#include "pewriter.h"
#include "restokens.h"
#include "tokenkey.h"
#include "tokenmerge.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <unordered_map>

namespace {

// The text a token gives for an item, or the item's own.
class Texts
{
public:
    Texts(const TextLookup &lookup, std::uint16_t type, std::string name, const CodePage &codePage)
        : m_lookup(lookup), m_type(type), m_name(std::move(name)), m_codePage(codePage)
    {
    }
    const CodePage &codePage() const { return m_codePage; }
    std::string key(const std::string &item, std::size_t position, const std::string &extra) const
    {
        return KeyText(std::to_string(m_type), m_name, item, std::to_string(position), extra);
    }
    // The item's new text; a token's text that is not well-formed, or too long
    // for the item (`limit` UTF-16 units), throws TokenTextError.
    std::u16string get(const std::string &item, std::size_t position, const std::string &extra,
                       const std::u16string &original, std::size_t limit = SIZE_MAX) const
    {
        const std::string k = key(item, position, extra);
        const std::string *text = m_lookup(k);
        if (!text)
            return original;
        const std::string malformed = MalformedEscape(*text, m_codePage);
        if (!malformed.empty())
            throw TokenTextError(k, malformed);
        std::u16string result = UnescapeText(*text, m_codePage);
        if (result.size() > limit)
            throw TokenTextError(k, std::to_string(result.size()) + " characters, where the item holds at most " +
                                        std::to_string(limit));
        return result;
    }

private:
    const TextLookup &m_lookup;
    std::uint16_t m_type;
    std::string m_name;
    const CodePage &m_codePage;
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
    if (style & dialogstyle::DS_SETFONT) { // DS_FIXEDSYS alone holds no font
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
            text = texts.get(std::to_string((r.name.number - 1u) * 16u + i), i, {}, text, 0xFFFF);
        w.u16(static_cast<std::uint16_t>(text.size()));
        w.chars(text);
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

// The bytes a node takes, its own and its children's, aligned as written.
std::size_t versionNodeSize(const VersionNode &node)
{
    auto align = [](std::size_t v) { return (v + 3) / 4 * 4; };
    std::size_t size = align(6 + 2 * (node.key.size() + 1));
    if (node.type == 1)
        size += node.hasValue ? 2 * (node.textValue.size() + 1) : 0;
    else
        size += node.binaryValue.size();
    for (const VersionNode &child : node.children)
        size = align(size) + versionNodeSize(child);
    return size;
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

bool isHex(const std::u16string &s)
{
    return std::all_of(s.begin(), s.end(), [](char16_t c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    });
}

// The string table and the translation value of a version block say which
// language its texts are in: they follow the localised copy.
void retargetVersion(VersionNode &root, std::uint16_t language)
{
    VersionNode *strings = nullptr;
    VersionNode *translation = nullptr;
    for (VersionNode &info : root.children) {
        if (info.key == u"StringFileInfo")
            strings = &info;
        if (info.key == u"VarFileInfo") {
            for (VersionNode &var : info.children) {
                if (var.key == u"Translation" && var.type == 0 && var.binaryValue.size() >= 4)
                    translation = &var;
            }
        }
    }
    std::vector<VersionNode *> tables;
    if (strings) {
        for (VersionNode &table : strings->children) {
            if (table.key.size() == 8 && isHex(table.key))
                tables.push_back(&table);
        }
    }
    auto languageOf = [](const std::u16string &key) {
        return static_cast<std::uint16_t>(std::stoul(std::string(key.begin(), key.begin() + 4), nullptr, 16));
    };
    // The table in the copy's language: the only one, else the one the
    // translation value names first, else the first one.
    VersionNode *table = tables.size() == 1 ? tables.front() : nullptr;
    if (!table && translation) {
        const std::uint16_t named =
            static_cast<std::uint16_t>(translation->binaryValue[0] | (translation->binaryValue[1] << 8));
        for (VersionNode *t : tables) {
            if (languageOf(t->key) == named && !table)
                table = t;
        }
    }
    if (!table && !tables.empty())
        table = tables.front();
    std::optional<std::uint16_t> from;
    if (table) {
        from = languageOf(table->key);
        for (VersionNode *t : tables) {
            if (t != table && languageOf(t->key) == language)
                return; // a table in the target language is there already
        }
        table->key = VersionTableKeyFor(table->key, language);
    }
    if (translation) {
        std::vector<std::uint8_t> &pairs = translation->binaryValue;
        // The pair of the table's language, or the only one; its code page stays.
        const std::size_t count = pairs.size() / 4;
        std::size_t pair = count == 1 ? 0 : count;
        for (std::size_t i = 0; from && i < count; ++i) {
            if ((pairs[4 * i] | (pairs[4 * i + 1] << 8)) == *from) {
                pair = i;
                break;
            }
        }
        if (pair < count) {
            pairs[4 * pair] = static_cast<std::uint8_t>(language);
            pairs[4 * pair + 1] = static_cast<std::uint8_t>(language >> 8);
        }
    }
}

void rewriteVersion(const Resource &r, const Texts &texts, std::optional<std::uint16_t> language, ByteWriter &w)
{
    ByteReader in(r.data.data(), r.data.size(), "version " + ResIdField(r.name));
    VersionNode root = readVersionNode(in, r.data.data(), r.data.size(), 0);
    std::string longest; // the key of the longest text given, named when the block is too long
    std::size_t longestSize = 0;
    for (VersionNode &info : root.children) {
        if (info.key != u"StringFileInfo")
            continue;
        for (VersionNode &table : info.children) {
            for (std::size_t i = 0; i < table.children.size(); ++i) {
                VersionNode &value = table.children[i];
                if (value.type != 1 || value.textValue.empty())
                    continue;
                const std::string item = EscapeField(table.key, texts.codePage());
                const std::string name = EscapeField(value.key, texts.codePage());
                // A value's block, with its name, holds at most 65,535 bytes.
                const std::size_t room = (0xFFFF - ((6 + 2 * (value.key.size() + 1) + 3) / 4 * 4)) / 2 - 1;
                value.textValue = texts.get(item, i, name, value.textValue, room);
                value.hasValue = true;
                if (value.textValue.size() >= longestSize) {
                    longestSize = value.textValue.size();
                    longest = texts.key(item, i, name);
                }
            }
        }
    }
    if (language)
        retargetVersion(root, *language);
    if (versionNodeSize(root) > 0xFFFF) {
        const std::string why = "the version texts together need " + std::to_string(versionNodeSize(root)) +
                                " bytes, where a version block holds at most 65535 (this is the longest text)";
        if (!longest.empty())
            throw TokenTextError(longest, why);
        throw ResourceError("version " + ResIdField(r.name) + ": " + why);
    }
    writeVersionNode(w, root);
}

} // namespace

std::u16string VersionTableKeyFor(const std::u16string &key, std::uint16_t language)
{
    if (key.size() != 8 || !isHex(key))
        return key;
    const bool lower = std::any_of(key.begin(), key.end(), [](char16_t c) { return c >= u'a' && c <= u'f'; });
    const char *digits = lower ? "0123456789abcdef" : "0123456789ABCDEF";
    std::u16string out = key;
    for (int i = 0; i < 4; ++i)
        out[static_cast<std::size_t>(i)] = static_cast<char16_t>(digits[(language >> (12 - 4 * i)) & 0xF]);
    return out;
}

std::vector<std::uint8_t> RewriteResource(const Resource &resource, const TextLookup &textFor,
                                          std::optional<std::uint16_t> language, const CodePage &codePage)
{
    if (!resource.type.isNumber)
        return resource.data;
    const Texts texts(textFor, resource.type.number, ResIdField(resource.name, codePage), codePage);
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
        rewriteVersion(resource, texts, language, w);
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

// How the user sees a token: its line in the project token file and its fields.
std::string describeToken(const TokenTable &project, std::size_t row)
{
    std::string fields;
    for (int c : {ColType, ColId2, ColId3, ColId4, ColStatus, ColId6})
        fields += std::string(fields.empty() ? "" : "|") + std::string(project.cell(row, c));
    return "token on line " + std::to_string(row) + " [[" + fields + "]]";
}

} // namespace

LocalisedFile WriteLocalisedFile(const std::vector<std::uint8_t> &source, const TokenTable &project,
                                 std::uint16_t language, const std::vector<std::uint16_t> &sourceLanguages,
                                 const CodePage &codePage)
{
    LocalisedPieces pieces = WriteLocalisedPieces(source, project, language, sourceLanguages, codePage);
    LocalisedFile result;
    result.bytes.reserve(pieces.image.size());
    for (const std::string_view piece : pieces.image.pieces())
        result.bytes += piece;
    result.notes = std::move(pieces.notes);
    return result;
}

LocalisedPieces WriteLocalisedPieces(const std::vector<std::uint8_t> &source, const TokenTable &project,
                                     std::uint16_t language, const std::vector<std::uint16_t> &sourceLanguages,
                                     const CodePage &codePage)
{
    ResourceFile file = ReadResourceFile(source);
    std::unordered_map<std::string, std::size_t> rows;
    rows.reserve(project.tokenCount());
    for (std::size_t row = 1; row <= project.tokenCount(); ++row)
        rows.emplace(KeyText(project, row), row);
    std::string text;
    const TextLookup lookup = [&](const std::string &key) -> const std::string * {
        const auto found = rows.find(key);
        if (found == rows.end())
            return nullptr;
        text = std::string(project.cell(found->second, ColText));
        return &text;
    };
    // Each localisable resource gets a copy in the target language, made from
    // the copy its tokens come from; it replaces only a copy already in that
    // language. Every other copy and resource stays as it is.
    std::vector<Resource> localised;
    const auto groups = LocalisableResources(file);
    localised.reserve(groups.size());
    std::unordered_map<const Resource *, std::size_t> replaced;  // copy in the target language -> localised
    std::unordered_map<const Resource *, std::size_t> followed;  // source copy -> localised, when none is replaced
    for (const auto &copies : groups) {
        const Resource *from = ChooseLanguageCopy(copies, sourceLanguages);
        Resource r = *from;
        try {
            r.data = RewriteResource(*from, lookup, language, codePage);
        } catch (const TokenTextError &e) {
            const auto row = rows.find(e.key);
            throw ResourceError(row == rows.end() ? std::string(e.what())
                                                  : describeToken(project, row->second) + ": " + e.what());
        }
        r.language = language;
        const auto same = std::find_if(copies.begin(), copies.end(),
                                       [&](const Resource *c) { return c->language == language; });
        if (same != copies.end())
            replaced.emplace(*same, localised.size());
        else
            followed.emplace(from, localised.size());
        localised.push_back(std::move(r));
    }
    std::vector<Resource> out;
    out.reserve(file.resources.size() + localised.size());
    // The resources kept are moved, not copied: the source's file holds the rest.
    for (Resource &r : file.resources) {
        const auto replace = replaced.find(&r);
        if (replace != replaced.end()) {
            out.push_back(std::move(localised[replace->second]));
            continue;
        }
        const Resource *at = &r;
        const auto follow = followed.find(at);
        out.push_back(std::move(r));
        if (follow != followed.end())
            out.push_back(std::move(localised[follow->second]));
    }
    std::vector<Resource>().swap(file.resources); // emptied by the moves above
    if (file.kind == ResourceFileKind::ResFile) {
        LocalisedPieces result{PieceImage(source), {}, {}};
        result.image.append(WriteResFile(out));
        return result;
    }
    PeRewritePieces rewrite = WritePeResourcePieces(source, std::move(out));
    return {std::move(rewrite.image), std::move(rewrite.notes), std::move(rewrite.resources)};
}
