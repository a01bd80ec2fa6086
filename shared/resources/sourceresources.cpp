#include "sourceresources.h"

#include "regularfile.h"
#include "restokens.h"

#include <filesystem>
#include <new>

SourceResources SourceResources::Read(const std::string &path, const std::vector<std::uint16_t> &preferred)
{
    SourceResources out;
    std::error_code ec;
    const auto status = std::filesystem::status(std::filesystem::path(path), ec);
    if (status.type() == std::filesystem::file_type::not_found) {
        out.m_state = State::Missing;
        out.m_problem = SourceStateText(State::Missing);
        return out;
    }
    std::string bytes;
    if (ReadWholeRegularFile(path, bytes) != FileReadStatus::Ok) {
        out.m_state = State::Unreadable;
        out.m_problem = SourceStateText(State::Unreadable);
        return out;
    }
    try {
        return FromBytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), preferred);
    } catch (const std::bad_alloc &) {
        out.m_state = State::Unreadable;
        out.m_problem = "the source file is too large to be read";
        return out;
    }
}

SourceResources SourceResources::FromBytes(const std::vector<std::uint8_t> &bytes,
                                           const std::vector<std::uint16_t> &preferred)
{
    SourceResources out;
    ResourceFile file;
    try {
        file = ReadResourceFile(bytes);
    } catch (const ResourceError &e) {
        out.m_state = State::NotResources;
        out.m_problem = SourceStateText(State::NotResources) + ": " + e.what();
        return out;
    }
    out.m_kind = file.kind;
    try {
        for (ResourceToken &token : ExtractTokens(file, preferred)) {
            if (token.type == RT_MENU_TYPE)
                out.m_menuTokens.push_back(std::move(token));
        }
    } catch (const ResourceError &e) {
        out.m_menuTokens.clear(); // the menus have no levels; the rest is read as it is
        out.m_menuProblem = std::string("its menus cannot be read: ") + e.what();
    }
    for (const auto &copies : LocalisableResources(file)) {
        const Resource *r = ChooseLanguageCopy(copies, preferred);
        const std::string name = ResIdField(r->name);
        switch (r->type.number) {
        case RT_DIALOG_TYPE: {
            Parsed<DialogTemplate> &p = out.m_dialogs[name];
            try {
                p.value = std::make_shared<const DialogTemplate>(ParseDialogTemplate(*r));
            } catch (const ResourceError &e) {
                p.problem = e.what();
            }
            break;
        }
        case RT_MENU_TYPE: {
            Parsed<MenuTemplate> &p = out.m_menus[name];
            try {
                p.value = std::make_shared<const MenuTemplate>(ParseMenuTemplate(*r));
            } catch (const ResourceError &e) {
                p.problem = e.what();
            }
            break;
        }
        case RT_STRING_TYPE:
            out.m_stringBlocks[name] = true;
            break;
        case RT_VERSION_TYPE:
            out.m_versions[name] = true;
            break;
        default:
            break;
        }
    }
    out.m_state = State::Ok;
    return out;
}

const DialogTemplate *SourceResources::dialog(std::string_view name) const
{
    const auto it = m_dialogs.find(name);
    return it == m_dialogs.end() ? nullptr : it->second.value.get();
}

const MenuTemplate *SourceResources::menu(std::string_view name) const
{
    const auto it = m_menus.find(name);
    return it == m_menus.end() ? nullptr : it->second.value.get();
}

bool SourceResources::hasStringBlock(std::string_view name) const
{
    return m_stringBlocks.find(name) != m_stringBlocks.end();
}

bool SourceResources::hasVersion(std::string_view name) const
{
    return m_versions.find(name) != m_versions.end();
}

std::string SourceResources::resourceProblem(std::uint16_t type, std::string_view name) const
{
    if (type == RT_DIALOG_TYPE) {
        const auto it = m_dialogs.find(name);
        return it == m_dialogs.end() ? std::string() : it->second.problem;
    }
    if (type == RT_MENU_TYPE) {
        const auto it = m_menus.find(name);
        return it == m_menus.end() ? std::string() : it->second.problem;
    }
    return {};
}

std::string SourceStateText(SourceResources::State state)
{
    switch (state) {
    case SourceResources::State::NotRead:
        return "the source file has not been read";
    case SourceResources::State::Missing:
        return "the source file is missing";
    case SourceResources::State::Unreadable:
        return "the source file cannot be read";
    case SourceResources::State::NotResources:
        return "the source file is neither a PE image nor a .res file";
    case SourceResources::State::Ok:
        break;
    }
    return {};
}
