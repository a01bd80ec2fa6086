#include "restokens.h"

#include "bytereader.h"
#include "charset.h"
#include "dialogtemplate.h"
#include "menutemplate.h"

#include <algorithm>
#include <map>

namespace {

void menuTokens(const Resource &r, std::vector<ResourceToken> &out, EmptyTexts empty, const CodePage &cp)
{
    const std::string name = ResIdField(r.name, cp);
    for (const MenuItem &item : ParseMenuTemplate(r).items) {
        if (item.text.empty() && empty == EmptyTexts::Skip)
            continue;
        ResourceToken t;
        t.type = RT_MENU_TYPE;
        t.name = name;
        t.item = std::to_string(item.id);
        t.position = std::to_string(item.position);
        t.text = EscapeText(item.text, cp);
        t.readOnly = IsReadOnlyText(item.text);
        t.popup = item.parent;
        out.push_back(std::move(t));
    }
}

void dialogTokens(const Resource &r, std::vector<ResourceToken> &out, EmptyTexts empty, const CodePage &cp)
{
    const std::string name = ResIdField(r.name, cp);
    auto emit = [&](long long id, std::size_t position, const std::u16string &text) {
        if (text.empty() && empty == EmptyTexts::Skip)
            return;
        ResourceToken t;
        t.type = RT_DIALOG_TYPE;
        t.name = name;
        t.item = std::to_string(id);
        t.position = std::to_string(position);
        t.text = EscapeText(text, cp);
        t.readOnly = IsReadOnlyText(text);
        out.push_back(std::move(t));
    };
    const DialogTemplate dialog = ParseDialogTemplate(r);
    emit(0, 0, dialog.caption);
    for (const DialogControl &c : dialog.controls) {
        if (c.hasText())
            emit(c.id, c.position, c.text());
    }
}

void stringTokens(const Resource &r, std::vector<ResourceToken> &out, EmptyTexts empty, const CodePage &cp)
{
    if (!r.name.isNumber || r.name.number == 0)
        throw ResourceError("string table with a name instead of a block number");
    ByteReader s(r.data.data(), r.data.size(), "string table " + ResIdField(r.name));
    for (unsigned i = 0; i < 16 && !s.atEnd(); ++i) {
        const std::uint16_t length = s.u16();
        const std::u16string text = s.chars(length);
        if (text.empty() && empty == EmptyTexts::Skip)
            continue;
        ResourceToken t;
        t.type = RT_STRING_TYPE;
        t.name = ResIdField(r.name, cp);
        t.item = std::to_string((r.name.number - 1u) * 16u + i);
        t.position = std::to_string(i);
        t.text = EscapeText(text, cp);
        t.readOnly = IsReadOnlyText(text);
        out.push_back(std::move(t));
    }
}

class VersionReader
{
public:
    VersionReader(const Resource &r, std::vector<ResourceToken> &out, EmptyTexts empty, const CodePage &cp)
        : m_reader(r.data.data(), r.data.size(), "version " + ResIdField(r.name)), m_name(ResIdField(r.name, cp)),
          m_out(out), m_empty(empty), m_cp(cp)
    {
    }

    void read() { node(m_reader.size(), 0, {}); }

private:
    // One block: length, value length, type, key, value, children.
    void node(std::size_t limit, int depth, const std::u16string &parentKey)
    {
        if (depth > 4)
            m_reader.fail("version block nests too deep");
        const std::size_t start = m_reader.pos();
        const std::uint16_t length = m_reader.u16();
        if (length < 6 || start + length > limit)
            m_reader.fail("version block length does not fit");
        const std::size_t end = start + length;
        const std::uint16_t valueLength = m_reader.u16();
        const std::uint16_t type = m_reader.u16();
        const std::u16string key = m_reader.sz();
        m_reader.alignTo(4);
        if (depth == 3 && type == 1 && m_inStrings) {
            const std::size_t available = end > m_reader.pos() ? (end - m_reader.pos()) / 2 : 0;
            std::u16string value = m_reader.chars(std::min<std::size_t>(valueLength, available));
            while (!value.empty() && value.back() == 0)
                value.pop_back();
            const std::size_t nul = value.find(u'\0');
            if (nul != std::u16string::npos)
                value.resize(nul);
            emitValue(parentKey, key, value);
            m_reader.seek(end);
            return;
        }
        if (depth == 1)
            m_inStrings = key == u"StringFileInfo";
        m_reader.skip(type == 1 ? std::size_t(valueLength) * 2 : valueLength);
        m_reader.alignTo(4);
        std::size_t index = 0;
        while (m_reader.pos() + 6 <= end) {
            if (depth == 2)
                m_positionInTable = index++;
            node(end, depth + 1, key);
            m_reader.alignTo(4);
        }
        m_reader.seek(std::min(end, m_reader.size()));
    }

    void emitValue(const std::u16string &table, const std::u16string &name, const std::u16string &value)
    {
        if (value.empty() && m_empty == EmptyTexts::Skip)
            return;
        ResourceToken t;
        t.type = RT_VERSION_TYPE;
        t.name = m_name;
        t.item = EscapeField(table, m_cp);
        t.position = std::to_string(m_positionInTable);
        t.extra = EscapeField(name, m_cp);
        t.text = EscapeText(value, m_cp);
        t.readOnly = IsReadOnlyText(value) || name == u"FileVersion" || name == u"ProductVersion";
        m_out.push_back(std::move(t));
    }

    ByteReader m_reader;
    std::string m_name;
    std::vector<ResourceToken> &m_out;
    EmptyTexts m_empty;
    const CodePage &m_cp;
    std::size_t m_positionInTable = 0;
    bool m_inStrings = false;
};

} // namespace

std::string ResIdField(const ResId &id, const CodePage &codePage)
{
    return id.isNumber ? std::to_string(id.number) : EscapeField(id.text, codePage);
}

bool IsReadOnlyText(const std::u16string &text)
{
    for (char16_t c : text) {
        const bool asciiLetter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
        const bool otherLetter = c >= 0xC0 && c != 0xD7 && c != 0xF7;
        if (asciiLetter || otherLetter)
            return false;
    }
    return true;
}

std::vector<ResourceToken> ResourceTokens(const Resource &resource, EmptyTexts empty, const CodePage &codePage)
{
    std::vector<ResourceToken> out;
    if (!IsLocalisable(resource))
        return out;
    switch (resource.type.number) {
    case RT_MENU_TYPE:
        menuTokens(resource, out, empty, codePage);
        break;
    case RT_DIALOG_TYPE:
        dialogTokens(resource, out, empty, codePage);
        break;
    case RT_STRING_TYPE:
        stringTokens(resource, out, empty, codePage);
        break;
    case RT_VERSION_TYPE:
        VersionReader(resource, out, empty, codePage).read();
        break;
    default:
        break;
    }
    return out;
}

bool IsLocalisable(const Resource &r)
{
    return r.type.isNumber && (r.type.number == RT_MENU_TYPE || r.type.number == RT_DIALOG_TYPE ||
                               r.type.number == RT_STRING_TYPE || r.type.number == RT_VERSION_TYPE);
}

std::vector<std::vector<const Resource *>> LocalisableResources(const ResourceFile &file)
{
    std::vector<std::vector<const Resource *>> groups;
    std::map<std::pair<std::string, std::string>, std::size_t> index;
    for (const Resource &r : file.resources) {
        if (!IsLocalisable(r))
            continue;
        const auto key = std::make_pair(ResIdField(r.type), (r.name.isNumber ? "#" : "$") + ResIdField(r.name));
        const auto found = index.emplace(key, groups.size());
        if (found.second)
            groups.emplace_back();
        groups[found.first->second].push_back(&r);
    }
    return groups;
}

const Resource *ChooseLanguageCopy(const std::vector<const Resource *> &copies,
                                   const std::vector<std::uint16_t> &preferred)
{
    if (copies.empty())
        return nullptr;
    auto inLanguage = [&](auto matches) -> const Resource * {
        for (const Resource *r : copies) {
            if (matches(r->language))
                return r;
        }
        return nullptr;
    };
    for (std::uint16_t language : preferred) {
        if (const Resource *r = inLanguage([&](std::uint16_t l) { return l == language; }))
            return r;
    }
    if (const Resource *r = inLanguage([](std::uint16_t l) { return l == 0; }))
        return r;
    if (const Resource *r = inLanguage([](std::uint16_t l) { return (l & 0x3FF) == 0; }))
        return r;
    for (std::uint16_t language : LanguageLookupOrder(MakeLangId(9, 1))) {
        if (const Resource *r = inLanguage([&](std::uint16_t l) { return l == language; }))
            return r;
    }
    return copies.front();
}

std::vector<std::uint16_t> LanguageLookupOrder(std::uint16_t language)
{
    const unsigned primary = language & 0x3FF;
    std::vector<std::uint16_t> order{language};
    for (unsigned sub : {0u, 1u}) {
        const std::uint16_t fallback = MakeLangId(primary, sub);
        if (std::find(order.begin(), order.end(), fallback) == order.end())
            order.push_back(fallback);
    }
    return order;
}

std::vector<ResourceToken> ExtractTokens(const ResourceFile &file, const std::vector<std::uint16_t> &preferred,
                                         EmptyTexts empty, const CodePage &codePage)
{
    std::vector<ResourceToken> tokens;
    for (const auto &copies : LocalisableResources(file)) {
        auto t = ResourceTokens(*ChooseLanguageCopy(copies, preferred), empty, codePage);
        tokens.insert(tokens.end(), std::make_move_iterator(t.begin()), std::make_move_iterator(t.end()));
    }
    return tokens;
}
