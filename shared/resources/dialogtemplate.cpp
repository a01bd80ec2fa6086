#include "dialogtemplate.h"

#include "bytereader.h"
#include "restokens.h"

namespace {

struct ClassName
{
    std::uint16_t atom;
    DialogClass kind;
    const char16_t *name;
};

constexpr ClassName kClasses[] = {
    {0x80, DialogClass::Button, u"Button"},       {0x81, DialogClass::Edit, u"Edit"},
    {0x82, DialogClass::Static, u"Static"},       {0x83, DialogClass::ListBox, u"ListBox"},
    {0x84, DialogClass::ScrollBar, u"ScrollBar"}, {0x85, DialogClass::ComboBox, u"ComboBox"},
};

char16_t lower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool sameIgnoringCase(const std::u16string &a, const char16_t *b)
{
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return i == a.size() && !b[i];
}

} // namespace

DialogClass DialogControl::predefinedClass() const
{
    for (const ClassName &c : kClasses) {
        if (windowClass.isNumber ? windowClass.number == c.atom : sameIgnoringCase(windowClass.text, c.name))
            return c.kind;
    }
    return DialogClass::Other;
}

std::u16string DialogControl::className() const
{
    if (!windowClass.isNumber)
        return windowClass.text;
    for (const ClassName &c : kClasses) {
        if (windowClass.number == c.atom)
            return c.name;
    }
    std::u16string out = u"#";
    for (char c : std::to_string(windowClass.number))
        out += static_cast<char16_t>(c);
    return out;
}

const DialogControl *DialogTemplate::controlForToken(long long id, std::size_t position) const
{
    if (position == 0 || position > controls.size())
        return nullptr;
    const DialogControl &c = controls[position - 1];
    return c.id == id ? &c : nullptr;
}

DialogTemplate ParseDialogTemplate(const std::uint8_t *data, std::size_t size, const std::string &what)
{
    ByteReader d(data, size, what);
    DialogTemplate t;
    const std::uint16_t first = d.u16();
    const std::uint16_t second = d.u16();
    t.extended = first == 1 && second == 0xFFFF;
    if (t.extended) {
        t.helpId = d.u32();
        t.exStyle = d.u32();
        t.style = d.u32();
    } else {
        d.seek(0);
        t.style = d.u32();
        t.exStyle = d.u32();
    }
    const std::uint16_t count = d.u16();
    t.x = static_cast<std::int16_t>(d.u16());
    t.y = static_cast<std::int16_t>(d.u16());
    t.cx = static_cast<std::int16_t>(d.u16());
    t.cy = static_cast<std::int16_t>(d.u16());
    t.menu = d.szOrOrd();
    t.windowClass = d.szOrOrd();
    t.caption = d.sz();
    // Only DS_SETFONT says the font follows; DS_FIXEDSYS alone holds none.
    if (t.style & dialogstyle::DS_SETFONT) {
        t.hasFont = true;
        t.pointSize = d.u16();
        if (t.extended) {
            t.weight = d.u16();
            t.italic = d.u8() != 0;
            t.charset = d.u8();
        }
        t.typeface = d.sz();
    }
    t.controls.reserve(count);
    for (std::uint16_t i = 1; i <= count; ++i) {
        d.alignTo(4);
        DialogControl c;
        c.position = i;
        if (t.extended) {
            c.helpId = d.u32();
            c.exStyle = d.u32();
            c.style = d.u32();
        } else {
            c.style = d.u32();
            c.exStyle = d.u32();
        }
        c.x = static_cast<std::int16_t>(d.u16());
        c.y = static_cast<std::int16_t>(d.u16());
        c.cx = static_cast<std::int16_t>(d.u16());
        c.cy = static_cast<std::int16_t>(d.u16());
        if (t.extended)
            c.id = static_cast<std::int32_t>(d.u32());
        else
            c.id = static_cast<std::int16_t>(d.u16());
        c.windowClass = d.szOrOrd();
        c.title = d.szOrOrd();
        const std::uint16_t extra = d.u16();
        d.skip(extra);
        t.controls.push_back(std::move(c));
    }
    return t;
}

DialogTemplate ParseDialogTemplate(const Resource &resource)
{
    return ParseDialogTemplate(resource.data.data(), resource.data.size(), "dialog " + ResIdField(resource.name));
}
