#include "store/tokenchanges.h"

#include "numbers.h"
#include "tokenstatus.h"

#include <unordered_map>

namespace {

// The key of a change as TokenTable gives the key of a row.
std::string keyText(const std::string (&key)[5])
{
    const std::string front = key[0] + '|' + key[1] + '|' + key[2] + '|' + key[3];
    return KeyText(TokenKey{front, key[4]});
}

std::string keyText(const TokenTable &table, std::size_t row)
{
    return KeyText(table.keyOf(row));
}

std::string statusWithReadOnlyOf(const std::string &status, std::string_view now)
{
    const std::int64_t wanted = StatusOf(status);
    const std::int64_t present = StatusOf(now);
    const std::int64_t merged = (wanted & ~std::int64_t(FlagReadOnly)) | (present & FlagReadOnly);
    return merged == wanted ? status : IntegerToText(merged);
}

} // namespace

bool TokenChange::sameKey(const TokenTable &table, std::size_t tableRow) const
{
    if (tableRow == 0 || tableRow > table.tokenCount())
        return false;
    for (int i = 0; i < 5; ++i) {
        if (table.cell(tableRow, TokenKeyColumns[i]) != key[i])
            return false;
    }
    return true;
}

TokenChange DescribeChange(const TokenTable &project, const TokenTable &master, std::size_t row, bool textChanged)
{
    TokenChange change;
    change.row = row;
    for (int i = 0; i < 5; ++i)
        change.key[i] = project.cellText(row, TokenKeyColumns[i]);
    change.master = std::string(MasterToken(master, project, row));
    change.textChanged = textChanged;
    if (textChanged)
        change.text = project.cellText(row, ColText);
    change.status = project.cellText(row, ColStatus);
    return change;
}

std::vector<TokenChange> CollapseChanges(const std::vector<TokenChange> &changes)
{
    std::unordered_map<std::size_t, std::size_t> last; // row -> index of its last change
    for (std::size_t i = 0; i < changes.size(); ++i)
        last[changes[i].row] = i;
    std::unordered_map<std::size_t, TokenChange> merged;
    for (const TokenChange &change : changes) {
        auto [it, inserted] = merged.try_emplace(change.row, change);
        if (inserted)
            continue;
        TokenChange &m = it->second;
        if (change.textChanged) {
            m.textChanged = true;
            m.text = change.text;
        }
        m.status = change.status;
        m.master = change.master;
    }
    std::vector<TokenChange> out;
    for (std::size_t i = 0; i < changes.size(); ++i) {
        if (last[changes[i].row] == i)
            out.push_back(std::move(merged[changes[i].row]));
    }
    return out;
}

ApplyReport ApplyChanges(const std::vector<TokenChange> &changes, TokenTable &project, const TokenTable &master,
                         bool sameContent)
{
    ApplyReport report;
    std::unordered_multimap<std::string, std::size_t> byKey;
    bool indexed = false;
    auto findRow = [&](const TokenChange &change) -> std::size_t {
        if (sameContent && change.sameKey(project, change.row))
            return change.row;
        if (!indexed) {
            byKey.reserve(project.tokenCount());
            for (std::size_t row = 1; row <= project.tokenCount(); ++row)
                byKey.emplace(keyText(project, row), row);
            indexed = true;
        }
        std::size_t best = 0;
        auto range = byKey.equal_range(keyText(change.key));
        for (auto it = range.first; it != range.second; ++it) {
            const std::size_t row = it->second;
            const auto distance = [&](std::size_t r) { return r > change.row ? r - change.row : change.row - r; };
            if (best == 0 || distance(row) < distance(best) || (distance(row) == distance(best) && row < best))
                best = row;
        }
        return best;
    };

    for (const TokenChange &change : CollapseChanges(changes)) {
        const std::size_t row = findRow(change);
        if (row == 0) {
            report.notApplied.push_back({change, ChangeNotApplied::KeyGone, {}});
            continue;
        }
        const std::string_view masterNow = MasterToken(master, project, row);
        if (masterNow != change.master) {
            report.notApplied.push_back({change, ChangeNotApplied::MasterChanged, std::string(masterNow)});
            continue;
        }
        const std::string_view statusNow = project.cell(row, ColStatus);
        if (change.textChanged && (StatusOf(statusNow) & FlagReadOnly)) {
            report.notApplied.push_back({change, ChangeNotApplied::ReadOnlyNow, {}});
            continue;
        }
        const std::string status = statusWithReadOnlyOf(change.status, statusNow);
        if (change.textChanged)
            project.setCell(row, ColText, change.text);
        project.setCell(row, ColStatus, status);
        report.applied.push_back({row, change.textChanged});
    }
    return report;
}

std::size_t FindTokenByKey(const TokenChange &change, const TokenTable &table)
{
    std::size_t best = 0;
    std::size_t bestDistance = 0;
    for (std::size_t row = 1; row <= table.tokenCount(); ++row) {
        if (!change.sameKey(table, row))
            continue;
        const std::size_t distance = row > change.row ? row - change.row : change.row - row;
        if (best == 0 || distance < bestDistance) {
            best = row;
            bestDistance = distance;
        }
    }
    return best;
}

std::vector<std::size_t> ApplyReport::rows() const
{
    std::vector<std::size_t> out;
    for (const Applied &a : applied)
        out.push_back(a.row);
    return out;
}

std::string DescribeNotApplied(const std::vector<ChangeNotApplied> &notApplied)
{
    std::string text;
    for (const ChangeNotApplied &n : notApplied) {
        const TokenChange &c = n.change;
        text += "[[" + c.key[0] + "|" + c.key[1] + "|" + c.key[2] + "|" + c.key[3] + "|" + c.status + "|" + c.key[4] +
                "]]\n";
        switch (n.reason) {
        case ChangeNotApplied::KeyGone:
            text += "  no token has this key any more\n";
            break;
        case ChangeNotApplied::MasterChanged:
            text += "  original text was: " + c.master + "\n";
            text += "  original text now: " + n.masterNow + "\n";
            break;
        case ChangeNotApplied::ReadOnlyNow:
            text += "  the token is read-only now\n";
            break;
        }
        if (c.textChanged)
            text += "  your translation: " + c.text + "\n";
        else
            text += "  your change: status " + c.status + "\n";
    }
    return text;
}
