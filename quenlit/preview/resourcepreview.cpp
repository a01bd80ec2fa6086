#include "preview/resourcepreview.h"

#include "checks/checktext.h"
#include "codepage.h"
#include "projectfiles.h"
#include "textlines.h"
#include "restokens.h"
#include "sourceresources.h"
#include "tokenescape.h"
#include "tokenplace.h"

#include <charconv>
#include <filesystem>
#include <unordered_map>

namespace {

const std::vector<std::size_t> kNoRows;

std::string rowsKey(std::string_view type, std::string_view name)
{
    std::string key;
    key.reserve(type.size() + name.size() + 1);
    key.append(type);
    key += '|';
    key.append(name);
    return key;
}

template <typename T> std::optional<T> number(std::string_view s)
{
    T value{};
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return value;
}

} // namespace

void ResourceRows::build(const TokenTable &project)
{
    m_rows.clear();
    std::string key;
    for (std::size_t row = 1; row <= project.tokenCount(); ++row) {
        const TokenType type = TokenTypeOf(project.cell(row, ColType));
        if (type != TokenType::Menu && type != TokenType::Dialog)
            continue; // only dialogs and menus are drawn with their neighbours
        key.assign(TypeCell(type));
        key += '|';
        key.append(project.cell(row, ColId2));
        m_rows[key].push_back(row);
    }
    m_built = true;
}

void ResourceRows::clear()
{
    m_rows.clear();
    m_built = false;
}

const std::vector<std::size_t> &ResourceRows::rowsOf(TokenType type, std::string_view name) const
{
    const auto it = m_rows.find(rowsKey(TypeCell(type), name));
    return it == m_rows.end() ? kNoRows : it->second;
}

void PreviewTexts::setPending(std::size_t row, std::u16string escaped)
{
    m_pendingRow = row;
    m_pendingText = row == 0 ? std::u16string() : checktext::Resolve(escaped);
}

std::u16string PreviewTexts::text(std::size_t row) const
{
    if (pending(row))
        return m_pendingText;
    return checktext::Logical(m_project.cell(row, ColText), m_codePage);
}

std::vector<std::size_t> DialogView::overflowing() const
{
    std::vector<std::size_t> out;
    for (const ControlView &c : controls) {
        if (c.overflows())
            out.push_back(c.control->position);
    }
    return out;
}

DialogView LayOutDialogView(const DialogTemplate &dialog, const TokenTable &project,
                            const std::vector<std::size_t> &rows, const PreviewTexts &texts, std::size_t selectedRow,
                            const TextMetrics &metrics)
{
    DialogView view;
    view.dialog = &dialog;
    view.units = DialogBaseUnits::of(metrics);
    const PixelRect frame = DialogUnitsToPixels(view.units, 0, 0, dialog.cx, dialog.cy);
    view.client = {0, 0, std::max(0, frame.width), std::max(0, frame.height)};
    view.caption = dialog.caption;

    // The row of each control's token, by position (0 for the caption).
    std::vector<std::size_t> rowAt(dialog.controls.size() + 1, 0);
    for (std::size_t row : rows) {
        const auto id = number<long long>(project.cell(row, ColId3));
        const auto position = number<std::size_t>(project.cell(row, ColId4));
        if (!id || !position)
            continue;
        if (*position == 0) {
            if (*id == 0 && rowAt[0] == 0)
                rowAt[0] = row;
        } else if (dialog.controlForToken(*id, *position) && rowAt[*position] == 0) {
            rowAt[*position] = row;
        }
    }
    if (rowAt[0] != 0) {
        view.captionRow = rowAt[0];
        view.caption = texts.text(rowAt[0]);
        view.captionSelected = rowAt[0] == selectedRow;
        view.captionPending = texts.pending(rowAt[0]);
    }
    view.controls.reserve(dialog.controls.size());
    for (const DialogControl &c : dialog.controls) {
        ControlView v;
        v.control = &c;
        v.kind = KindOf(c);
        v.rect = DialogUnitsToPixels(view.units, c.x, c.y, c.cx, c.cy);
        v.row = c.position < rowAt.size() ? rowAt[c.position] : 0;
        v.text = v.row ? texts.text(v.row) : (c.hasText() ? c.text() : std::u16string());
        v.selected = v.row != 0 && v.row == selectedRow;
        v.pending = texts.pending(v.row);
        if (c.hasText())
            v.fit = LayOutText(v.text, TextRoomOf(c, v.rect), metrics, view.units.x);
        if (v.selected)
            view.selected = static_cast<int>(view.controls.size());
        view.controls.push_back(std::move(v));
    }
    return view;
}

char16_t AccessKeyOf(std::u16string_view text)
{
    const checktext::AccessKeys keys = checktext::FindAccessKeys(text);
    return keys.count ? checktext::FoldCase(keys.first) : 0;
}

void MarkKeyClashes(std::vector<MenuEntryView> &level)
{
    std::unordered_map<char16_t, int> seen;
    for (const MenuEntryView &e : level) {
        if (e.accessKey)
            ++seen[e.accessKey];
    }
    for (MenuEntryView &e : level)
        e.keyClash = e.accessKey && seen[e.accessKey] > 1;
}

MenuView LayOutMenuView(const MenuTemplate &menu, const TokenTable &project, const std::vector<std::size_t> &rows,
                        const PreviewTexts &texts, std::size_t selectedRow)
{
    MenuView view;
    view.menu = &menu;
    // The row of each item's token, by position.
    std::vector<std::size_t> rowAt(menu.items.size(), 0);
    const MenuItem *selected = nullptr;
    for (std::size_t row : rows) {
        const auto id = number<std::uint32_t>(project.cell(row, ColId3));
        const auto position = number<std::size_t>(project.cell(row, ColId4));
        if (!id || !position)
            continue;
        if (const MenuItem *item = menu.itemForToken(*id, *position)) {
            if (rowAt[*position] == 0)
                rowAt[*position] = row;
            if (row == selectedRow)
                selected = item;
        }
    }
    auto entry = [&](std::size_t index) {
        const MenuItem &item = menu.items[index];
        MenuEntryView e;
        e.item = &item;
        e.row = rowAt[index];
        e.text = e.row ? texts.text(e.row) : item.text;
        e.selected = e.row != 0 && e.row == selectedRow;
        e.pending = texts.pending(e.row);
        e.accessKey = item.separator ? 0 : AccessKeyOf(e.text);
        return e;
    };
    auto level = [&](const std::vector<std::size_t> &indexes) {
        std::vector<MenuEntryView> out;
        out.reserve(indexes.size());
        for (std::size_t i : indexes) {
            if (i < menu.items.size())
                out.push_back(entry(i));
        }
        MarkKeyClashes(out);
        return out;
    };

    view.bar = level(menu.bar);
    if (!selected)
        return view;
    view.hasSelection = true;
    std::vector<const MenuItem *> open = menu.popupsAbove(*selected);
    if (selected->popup)
        open.push_back(selected); // a popup shows its own items too
    for (const MenuItem *popup : open) {
        auto markOpen = [&](std::vector<MenuEntryView> &items) {
            for (MenuEntryView &e : items) {
                if (e.item == popup)
                    e.open = true;
            }
        };
        if (view.popups.empty())
            markOpen(view.bar);
        else
            markOpen(view.popups.back());
        view.popups.push_back(level(popup->children));
    }
    return view;
}

PreviewScene ScenePlan(const SourceResources &source, const TokenTable &project, std::size_t row,
                       const PreviewTexts &texts)
{
    PreviewScene scene;
    if (row == 0 || row > project.tokenCount())
        return scene;
    scene.row = row;
    scene.pending = texts.pending(row);
    if (!source.ok()) {
        scene.kind = PreviewScene::Kind::Message;
        scene.message = "No preview: " + (source.problem().empty() ? SourceStateText(source.state()) : source.problem()) + ".";
        return scene;
    }
    const TokenType type = TokenTypeOf(project.cell(row, ColType));
    const std::string_view name = project.cell(row, ColId2);
    auto missing = [&](const char *what) {
        scene.kind = PreviewScene::Kind::Message;
        const std::string problem =
            source.resourceProblem(type == TokenType::Dialog ? RT_DIALOG_TYPE : RT_MENU_TYPE, name);
        scene.message = problem.empty()
                            ? "No preview: the source file holds no " + std::string(what) + " " + std::string(name) + "."
                            : "No preview: " + problem + ".";
    };
    if (type == TokenType::Dialog) {
        scene.dialog = source.dialog(name);
        if (!scene.dialog) {
            missing("dialog");
            return scene;
        }
        const auto id = number<long long>(project.cell(row, ColId3));
        const auto position = number<std::size_t>(project.cell(row, ColId4));
        const bool caption = position && *position == 0;
        if (!id || !position || (!caption && !scene.dialog->controlForToken(*id, *position))) {
            scene.dialog = nullptr;
            scene.kind = PreviewScene::Kind::Message;
            scene.message = "No preview: dialog " + std::string(name) + " of the source file has no such control.";
            return scene;
        }
        scene.kind = PreviewScene::Kind::Dialog;
        return scene;
    }
    if (type == TokenType::Menu) {
        scene.menu = source.menu(name);
        if (!scene.menu) {
            missing("menu");
            return scene;
        }
        const auto id = number<std::uint32_t>(project.cell(row, ColId3));
        const auto position = number<std::size_t>(project.cell(row, ColId4));
        if (!id || !position || !scene.menu->itemForToken(*id, *position)) {
            scene.menu = nullptr;
            scene.kind = PreviewScene::Kind::Message;
            scene.message = "No preview: menu " + std::string(name) + " of the source file has no such item.";
            return scene;
        }
        scene.kind = PreviewScene::Kind::Menu;
        return scene;
    }
    if (type == TokenType::String || type == TokenType::Version) {
        const bool held = type == TokenType::String ? source.hasStringBlock(name) : source.hasVersion(name);
        if (!held) {
            scene.kind = PreviewScene::Kind::Message;
            scene.message = std::string("No preview: the source file holds no ") +
                            (type == TokenType::String ? "string table block " : "version block ") + std::string(name) + ".";
            return scene;
        }
        scene.kind = PreviewScene::Kind::Text;
        scene.text = texts.text(row);
        return scene;
    }
    scene.kind = PreviewScene::Kind::Message;
    scene.message = "No preview for a token of this type.";
    return scene;
}

std::u16string DescribePlace(const SourceResources *source, const TokenTable &project, std::size_t row,
                             const CodePage &codePage)
{
    if (row == 0 || row > project.tokenCount())
        return {};
    TokenKeyFields fields;
    fields.type = project.cell(row, ColType);
    fields.name = project.cell(row, ColId2);
    fields.item = project.cell(row, ColId3);
    fields.position = project.cell(row, ColId4);
    fields.extra = project.cell(row, ColId6);
    std::vector<std::u16string> path;
    if (source && source->ok() && fields.type == TypeCell(TokenType::Menu) && IsRlmanKey(fields)) {
        if (const MenuTemplate *menu = source->menu(fields.name)) {
            const auto id = number<std::uint32_t>(fields.item);
            const auto position = number<std::size_t>(fields.position);
            if (const MenuItem *item = id && position ? menu->itemForToken(*id, *position) : nullptr) {
                for (const MenuItem *popup : menu->popupsAbove(*item))
                    path.push_back(popup->text);
                path.push_back(item->text);
            }
        }
    }
    return DescribeTokenPlace(fields, path, codePage);
}

SourceFileRequest SourceFileOf(const std::string &masterProject)
{
    SourceFileRequest request;
    const auto lines = ReadFileLines(masterProject, kSourceLanguageLine);
    if (!lines || lines->empty())
        return request;
    std::error_code ec;
    const std::filesystem::path path(lines->front());
    const std::filesystem::path absolute = path.empty() ? path : std::filesystem::absolute(path, ec);
    request.path = ec || absolute.empty() ? lines->front() : absolute.string();
    if (lines->size() >= kSourceLanguageLine) {
        const SourceLanguage language = ParseSourceLanguageLine((*lines)[kSourceLanguageLine - 1]);
        if (language.chosen())
            request.preferred = LanguageLookupOrder(static_cast<std::uint16_t>(language.languageId()));
    }
    return request;
}
