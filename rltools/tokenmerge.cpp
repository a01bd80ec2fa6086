#include "tokenmerge.h"

#include "numbers.h"
#include "tokenescape.h"
#include "reswriter.h"
#include "tokenline.h"
#include "tokenstatus.h"

#include <unordered_map>

namespace {

std::string line(const std::string &f1, const std::string &f2, const std::string &f3, const std::string &f4,
                 const std::string &f5, const std::string &f6, const std::string &text)
{
    return "[[" + f1 + "|" + f2 + "|" + f3 + "|" + f4 + "|" + f5 + "|" + f6 + "]]=" + text + "\r\n";
}

std::unordered_map<std::string, std::size_t> firstRows(const TokenTable &table)
{
    std::unordered_map<std::string, std::size_t> rows;
    rows.reserve(table.tokenCount());
    for (std::size_t row = 1; row <= table.tokenCount(); ++row)
        rows.emplace(RowKey(table, row), row);
    return rows;
}

std::string tokenKey(const ResourceToken &t)
{
    std::string k = std::to_string(t.type);
    for (const std::string *f : {&t.name, &t.item, &t.position, &t.extra}) {
        k += '\x01';
        k += *f;
    }
    return k;
}

} // namespace

std::string RowKey(const TokenTable &table, std::size_t row)
{
    std::string k(table.cell(row, ColType));
    for (int c : {ColId2, ColId3, ColId4, ColId6}) {
        k += '\x01';
        k += table.cell(row, c);
    }
    return k;
}

std::string MasterTokenFile(const std::vector<ResourceToken> &tokens)
{
    std::string out;
    for (const ResourceToken &t : tokens)
        out += line(std::to_string(t.type), t.name, t.item, t.position, t.readOnly ? "3" : "1", t.extra, t.text);
    return out;
}

std::string MergeProjectTokens(const TokenTable &master, const TokenTable &project, const TokenTable &previousMaster,
                               const CodePage &masterCodePage, const CodePage &projectCodePage)
{
    const auto projectRows = firstRows(project);
    const auto previousRows = firstRows(previousMaster);
    const bool sameCodePage = masterCodePage.number() == projectCodePage.number();
    // A master field as the project's code page writes it.
    auto field = [&](std::size_t m, int column) {
        return TranscodeField(std::string(master.cell(m, column)), masterCodePage, projectCodePage);
    };
    std::unordered_map<std::string, bool> done;
    std::string out;
    for (std::size_t m = 1; m <= master.tokenCount(); ++m) {
        const std::string key = RowKey(master, m);
        if (!done.emplace(key, true).second)
            continue; // a key given twice in the master: its first row stands
        const std::int64_t masterStatus = StatusOf(master.cell(m, ColStatus));
        const std::int64_t readOnly = masterStatus & FlagReadOnly;
        std::string projectKey = key;
        if (!sameCodePage) {
            projectKey = field(m, ColType);
            for (int c : {ColId2, ColId3, ColId4, ColId6}) {
                projectKey += '\x01';
                projectKey += field(m, c);
            }
        }
        const auto p = projectRows.find(projectKey);
        if (p == projectRows.end()) {
            out += line(field(m, ColType), field(m, ColId2), field(m, ColId3), field(m, ColId4),
                        IntegerToText(FlagNonTranslated | readOnly), field(m, ColId6),
                        TranscodeText(std::string(master.cell(m, ColText)), masterCodePage, projectCodePage));
            continue;
        }
        const auto before = previousRows.find(key);
        const bool changed =
            before != previousRows.end() && previousMaster.cell(before->second, ColText) != master.cell(m, ColText);
        if (!changed) {
            AppendTokenLine(project, p->second, out);
            continue;
        }
        const std::int64_t status = (StatusOf(project.cell(p->second, ColStatus)) & FlagReadOnly) | readOnly;
        out += line(std::string(project.cell(p->second, ColType)), std::string(project.cell(p->second, ColId2)),
                    std::string(project.cell(p->second, ColId3)), std::string(project.cell(p->second, ColId4)),
                    IntegerToText(FlagNonTranslated | status), std::string(project.cell(p->second, ColId6)),
                    std::string(project.cell(p->second, ColText)));
    }
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
        auto found = byKey.find(RowKey(project, row));
        if (found == byKey.end() && language && project.cell(row, ColType) == "16") {
            // The localised version block names its string table in the target language.
            const std::string_view table = project.cell(row, ColId3);
            const std::u16string key(table.begin(), table.end());
            const std::u16string retargeted = VersionTableKeyFor(key, *language);
            if (retargeted != key) {
                std::string k = "16";
                for (const std::string &f : {std::string(project.cell(row, ColId2)),
                                             std::string(retargeted.begin(), retargeted.end()),
                                             std::string(project.cell(row, ColId4)), std::string(project.cell(row, ColId6))}) {
                    k += '\x01';
                    k += f;
                }
                found = byKey.find(k);
            }
        }
        const std::int64_t status = StatusOf(project.cell(row, ColStatus));
        if (found == byKey.end() || (status & FlagReadOnly) || found->second->text == project.cell(row, ColText)) {
            AppendTokenLine(project, row, out);
            continue;
        }
        out += line(std::string(project.cell(row, ColType)), std::string(project.cell(row, ColId2)),
                    std::string(project.cell(row, ColId3)), std::string(project.cell(row, ColId4)), "4",
                    std::string(project.cell(row, ColId6)), found->second->text);
    }
    return out;
}
