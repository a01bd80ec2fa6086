#pragma once

#include "restokens.h"

#include "dialogtemplate.h"
#include "menutemplate.h"
#include "resources.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The dialogs, menus, string tables and version blocks of a master project's
// source file, each in the copy its master tokens come from, parsed once and
// looked up by field 2 of their tokens. Read away from the window, then only
// read: the object may be handed between threads.
class SourceResources
{
public:
    enum class State
    {
        NotRead,
        Ok,
        Missing,      // no such file
        Unreadable,   // a folder, a device, no permission, a read error
        NotResources, // neither a PE image nor a .res file, or its resources are malformed
    };

    // Reads the file at `path`; the copies of resources held in several
    // languages are chosen as ChooseLanguageCopy does with `preferred`.
    static SourceResources Read(const std::string &path, const std::vector<std::uint16_t> &preferred = {});
    static SourceResources FromBytes(const std::vector<std::uint8_t> &bytes,
                                     const std::vector<std::uint16_t> &preferred = {});

    State state() const { return m_state; }
    bool ok() const { return m_state == State::Ok; }
    // Why the file gives nothing, in words ("not a PE image or a .res file:
    // ..."); empty when it was read.
    const std::string &problem() const { return m_problem; }
    // PE image or .res file.
    ResourceFileKind kind() const { return m_kind; }

    // A dialog or menu by field 2 of its tokens; null when the file holds none
    // by that name or its data is malformed (resourceProblem says which).
    const DialogTemplate *dialog(std::string_view name) const;
    const MenuTemplate *menu(std::string_view name) const;
    // Whether the file holds a string table block or version block of that name.
    bool hasStringBlock(std::string_view name) const;
    bool hasVersion(std::string_view name) const;
    // Why a dialog or menu that the file holds could not be read, or empty.
    std::string resourceProblem(std::uint16_t type, std::string_view name) const;

    // The tokens of the file's menus, as rlman cuts them (popups included).
    const std::vector<ResourceToken> &menuTokens() const { return m_menuTokens; }
    // Why the menus could not be cut into tokens (their levels are then
    // unknown), or empty.
    const std::string &menuProblem() const { return m_menuProblem; }

    std::size_t dialogCount() const { return m_dialogs.size(); }
    std::size_t menuCount() const { return m_menus.size(); }

private:
    template <typename T> struct Parsed
    {
        std::shared_ptr<const T> value; // null when malformed
        std::string problem;
    };

    State m_state = State::NotRead;
    std::string m_problem;
    std::string m_menuProblem;
    ResourceFileKind m_kind = ResourceFileKind::PeImage;
    std::map<std::string, Parsed<DialogTemplate>, std::less<>> m_dialogs;
    std::map<std::string, Parsed<MenuTemplate>, std::less<>> m_menus;
    std::map<std::string, bool, std::less<>> m_stringBlocks;
    std::map<std::string, bool, std::less<>> m_versions;
    std::vector<ResourceToken> m_menuTokens;
};

// "the source file is missing" and the like, for a state that is not Ok.
std::string SourceStateText(SourceResources::State state);
