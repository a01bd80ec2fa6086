#include "memory/similarity.h"

#include <unicode/unistr.h>

#include <algorithm>
#include <cstdint>

namespace memory {

std::u32string CodePoints(std::string_view utf8)
{
    const icu::UnicodeString text =
        icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), static_cast<std::int32_t>(utf8.size())));
    std::u32string out;
    out.reserve(static_cast<std::size_t>(text.length()));
    for (std::int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1))
        out.push_back(static_cast<char32_t>(text.char32At(i)));
    return out;
}

std::string Utf8(std::u32string_view text)
{
    icu::UnicodeString unicode;
    for (char32_t c : text)
        unicode.append(static_cast<UChar32>(c));
    std::string out;
    unicode.toUTF8String(out);
    return out;
}

namespace {

// Levenshtein distance, one row of the table at a time.
std::size_t distance(const std::u32string &a, const std::u32string &b)
{
    const std::u32string &shorter = a.size() < b.size() ? a : b;
    const std::u32string &longer = a.size() < b.size() ? b : a;
    std::vector<std::uint32_t> row(shorter.size() + 1);
    for (std::size_t j = 0; j <= shorter.size(); ++j)
        row[j] = static_cast<std::uint32_t>(j);
    for (std::size_t i = 1; i <= longer.size(); ++i) {
        std::uint32_t diagonal = row[0];
        row[0] = static_cast<std::uint32_t>(i);
        for (std::size_t j = 1; j <= shorter.size(); ++j) {
            const std::uint32_t above = row[j];
            const std::uint32_t replace = diagonal + (longer[i - 1] == shorter[j - 1] ? 0 : 1);
            row[j] = std::min({replace, above + 1, row[j - 1] + 1});
            diagonal = above;
        }
    }
    return row[shorter.size()];
}

constexpr std::size_t kMaxDifferenceTable = std::size_t(1) << 22;

int scoreOf(std::size_t edits, std::size_t longer)
{
    if (edits == 0)
        return 100;
    const int score = static_cast<int>((100 * (longer - edits)) / longer);
    return std::min(score, 99);
}

} // namespace

int Similarity(const std::u32string &a, const std::u32string &b)
{
    if (a == b)
        return 100;
    return scoreOf(distance(a, b), std::max(a.size(), b.size()));
}

int Similarity(std::string_view a, std::string_view b)
{
    if (a == b)
        return 100;
    return Similarity(CodePoints(a), CodePoints(b));
}

int BestPossibleSimilarity(std::size_t lengthA, std::size_t lengthB)
{
    const std::size_t longer = std::max(lengthA, lengthB);
    return longer == 0 ? 100 : scoreOf(longer - std::min(lengthA, lengthB), longer);
}

std::vector<TextPiece> TextDifferences(std::string_view fromText, std::string_view toText)
{
    const std::u32string fromAll = CodePoints(fromText);
    const std::u32string toAll = CodePoints(toText);
    // The common start and end are kept as they are; the table covers the rest.
    std::size_t head = 0;
    while (head < fromAll.size() && head < toAll.size() && fromAll[head] == toAll[head])
        ++head;
    std::size_t tail = 0;
    while (tail < fromAll.size() - head && tail < toAll.size() - head &&
           fromAll[fromAll.size() - 1 - tail] == toAll[toAll.size() - 1 - tail])
        ++tail;
    std::u32string from = fromAll.substr(head, fromAll.size() - head - tail);
    std::u32string to = toAll.substr(head, toAll.size() - head - tail);
    std::vector<TextPiece> pieces;
    if (head > 0)
        pieces.push_back({TextPiece::Kept, Utf8(fromAll.substr(0, head))});
    auto finish = [&] {
        if (tail > 0)
            pieces.push_back({TextPiece::Kept, Utf8(fromAll.substr(fromAll.size() - tail))});
        return pieces;
    };
    // Too long a middle for a table: one piece removed, one added.
    if ((from.size() + 1) * (to.size() + 1) > kMaxDifferenceTable) {
        if (!from.empty())
            pieces.push_back({TextPiece::Removed, Utf8(from)});
        if (!to.empty())
            pieces.push_back({TextPiece::Added, Utf8(to)});
        return finish();
    }
    // The whole table, to walk one shortest edit back; texts of a token are short.
    const std::size_t columns = to.size() + 1;
    std::vector<std::uint32_t> table((from.size() + 1) * columns);
    auto at = [&](std::size_t i, std::size_t j) -> std::uint32_t & { return table[i * columns + j]; };
    for (std::size_t i = 0; i <= from.size(); ++i)
        at(i, 0) = static_cast<std::uint32_t>(i);
    for (std::size_t j = 0; j <= to.size(); ++j)
        at(0, j) = static_cast<std::uint32_t>(j);
    for (std::size_t i = 1; i <= from.size(); ++i) {
        for (std::size_t j = 1; j <= to.size(); ++j) {
            const std::uint32_t replace = at(i - 1, j - 1) + (from[i - 1] == to[j - 1] ? 0 : 1);
            at(i, j) = std::min({replace, at(i - 1, j) + 1, at(i, j - 1) + 1});
        }
    }
    // Walked from the end: each step's kind and character, reversed afterwards.
    std::vector<std::pair<TextPiece::Kind, char32_t>> steps;
    std::size_t i = from.size(), j = to.size();
    while (i > 0 || j > 0) {
        if (i > 0 && j > 0 && from[i - 1] == to[j - 1] && at(i, j) == at(i - 1, j - 1)) {
            steps.emplace_back(TextPiece::Kept, from[--i]);
            --j;
        } else if (j > 0 && at(i, j) == at(i, j - 1) + 1) {
            steps.emplace_back(TextPiece::Added, to[--j]);
        } else if (i > 0 && at(i, j) == at(i - 1, j) + 1) {
            steps.emplace_back(TextPiece::Removed, from[--i]);
        } else { // a replacement: walked back as added, then removed
            steps.emplace_back(TextPiece::Added, to[--j]);
            steps.emplace_back(TextPiece::Removed, from[--i]);
        }
    }
    std::reverse(steps.begin(), steps.end());
    // Runs of one kind; within a changed stretch, all removed before all added.
    std::u32string removed, added;
    auto flushChanges = [&] {
        if (!removed.empty())
            pieces.push_back({TextPiece::Removed, Utf8(removed)});
        if (!added.empty())
            pieces.push_back({TextPiece::Added, Utf8(added)});
        removed.clear();
        added.clear();
    };
    std::u32string kept;
    for (const auto &[kind, c] : steps) {
        if (kind == TextPiece::Kept) {
            flushChanges();
            kept.push_back(c);
            continue;
        }
        if (!kept.empty()) {
            pieces.push_back({TextPiece::Kept, Utf8(kept)});
            kept.clear();
        }
        (kind == TextPiece::Removed ? removed : added).push_back(c);
    }
    flushChanges();
    if (!kept.empty())
        pieces.push_back({TextPiece::Kept, Utf8(kept)});
    return finish();
}

} // namespace memory
