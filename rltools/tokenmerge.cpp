#include "tokenmerge.h"

#include "languagecodepage.h"
#include "numbers.h"
#include "tokenescape.h"
#include "reswriter.h"
#include "tokenio.h"
#include "tokenkey.h"
#include "tokenline.h"
#include "tokenstatus.h"

#include <algorithm>
#include <unordered_map>

namespace {

std::string tokenKey(const ResourceToken &t)
{
    return KeyText(std::to_string(t.type), t.name, t.item, t.position, t.extra);
}

} // namespace

std::string MasterTokenFile(const std::vector<ResourceToken> &tokens)
{
    std::string out;
    for (const ResourceToken &t : tokens)
        out += TokenLine(std::to_string(t.type), t.name, t.item, t.position, t.readOnly ? "3" : "1", t.extra, t.text);
    return out;
}

std::string ImportTokens(const TokenTable &project, const std::vector<ResourceToken> &target,
                         std::optional<std::uint16_t> language)
{
    std::unordered_map<std::string, const ResourceToken *> byKey;
    for (const ResourceToken &t : target)
        byKey.emplace(tokenKey(t), &t);
    std::string out;
    for (std::size_t row = 1; row <= project.tokenCount(); ++row) {
        auto found = byKey.find(KeyText(project, row));
        if (found == byKey.end() && language && project.cell(row, ColType) == "16") {
            // The localised version block names its string table in the target language.
            const std::string_view table = project.cell(row, ColId3);
            const std::u16string key(table.begin(), table.end());
            const std::u16string retargeted = VersionTableKeyFor(key, *language);
            if (retargeted != key) {
                found = byKey.find(KeyText("16", project.cell(row, ColId2),
                                           std::string(retargeted.begin(), retargeted.end()),
                                           project.cell(row, ColId4), project.cell(row, ColId6)));
            }
        }
        const std::int64_t status = StatusOf(project.cell(row, ColStatus));
        if (found == byKey.end() || (status & FlagReadOnly) || found->second->text.empty() ||
            found->second->text == project.cell(row, ColText)) {
            AppendTokenLine(project, row, out);
            continue;
        }
        out += TokenLine(project.cell(row, ColType), project.cell(row, ColId2), project.cell(row, ColId3),
                         project.cell(row, ColId4), "4", project.cell(row, ColId6), found->second->text);
    }
    return out;
}

std::vector<ResourceToken> TargetTranslations(const ResourceFile &file, std::uint16_t language,
                                              const std::vector<std::uint16_t> &sourceLanguages,
                                              const CodePage &codePage, const TokenTable &master)
{
    const std::vector<std::uint16_t> inLanguage = LanguageLookupOrder(language);
    std::vector<std::uint16_t> preferred = inLanguage;
    preferred.insert(preferred.end(), sourceLanguages.begin(), sourceLanguages.end());
    std::unordered_map<std::string, std::string_view> masterTexts;
    for (std::size_t row = 1; row <= master.tokenCount(); ++row)
        masterTexts.emplace(KeyText(master, row), master.cell(row, ColText));
    std::vector<ResourceToken> out;
    for (const auto &copies : LocalisableResources(file)) {
        const Resource *copy = ChooseLanguageCopy(copies, preferred);
        auto tokens = ResourceTokens(*copy, EmptyTexts::Keep, codePage);
        if (std::find(inLanguage.begin(), inLanguage.end(), copy->language) != inLanguage.end()) {
            out.insert(out.end(), std::make_move_iterator(tokens.begin()), std::make_move_iterator(tokens.end()));
            continue;
        }
        // Compared as characters: the master token file is in the code page of the
        // source language, this copy's unless the master project records another.
        const CodePage &copyCodePage =
            CodePage::get(AnsiCodePage(PrimaryLanguageOf(copy->language), SubLanguageOf(copy->language)));
        for (ResourceToken &t : tokens) {
            const auto m = masterTexts.find(tokenKey(t));
            if (m != masterTexts.end() &&
                UnescapeText(t.text, codePage) != UnescapeText(std::string(m->second), copyCodePage))
                out.push_back(std::move(t));
        }
    }
    return out;
}

std::size_t LoadTokensStrictly(std::string bytes, TokenTable &table)
{
    class FirstBadLine : public TokenLoadObserver
    {
    public:
        explicit FirstBadLine(const TokenTable &table) : m_table(table) {}
        void badToken(std::size_t lineNumber, std::string_view line) override
        {
            ++bad;
            const std::string_view all = m_table.buffer();
            const std::string_view rest = all.substr(static_cast<std::size_t>(line.data() - all.data()));
            if (first == 0 && !(line.empty() && (rest.empty() || rest == "\n" || rest == "\r\n")))
                first = lineNumber;
        }
        std::size_t first = 0;
        std::size_t bad = 0;

    private:
        const TokenTable &m_table;
    } observer(table);
    if (LoadTokens(std::move(bytes), table, &observer) == TokenLoadStatus::ReadError)
        return observer.first ? observer.first : table.tokenCount() + observer.bad + 1;
    return observer.first;
}
