#include "find/replaceplan.h"

#include "find/searchform.h"
#include "find/textcodec.h"
#include "tokenstatus.h"
#include "tokentable.h"

#include <algorithm>

namespace {

// A text as shown: its code points without access-key markers, each with where
// it stands in the UTF-16 text and whether a marker stood before it.
struct Shown
{
    std::vector<char32_t> chars;
    std::vector<std::size_t> begin; // UTF-16 index where each shown character starts
    std::vector<std::size_t> end;   // and ends
    std::vector<bool> marked;       // a marker stands right before it
};

char32_t readCodePoint(std::u16string_view text, std::size_t &i)
{
    const char16_t c = text[i++];
    if (c >= 0xD800 && c <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF)
        return 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i++] - 0xDC00);
    return c;
}

Shown shown(std::u16string_view text, bool needle)
{
    Shown s;
    bool marked = false;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t at = i;
        char32_t c = readCodePoint(text, i);
        if (c == u'&') {
            if (i < text.size() && text[i] == u'&') {
                ++i;
            } else if (needle && (i == text.size() || text[i] == u' ' || text[i] == u'\t' || text[i] == 0xA0)) {
                // a typed "&" before a blank or at the end is literal
            } else {
                marked = true;
                continue;
            }
        }
        s.chars.push_back(c);
        s.begin.push_back(at);
        s.end.push_back(i);
        s.marked.push_back(marked);
        marked = false;
    }
    return s;
}

bool hasOwnMarker(std::u16string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'&') {
            if (i + 1 < text.size() && text[i + 1] == u'&')
                ++i;
            else
                return true;
        }
    }
    return false;
}

} // namespace

TextReplacement ReplaceInText(std::u16string_view text, const ReplaceOptions &options)
{
    TextReplacement result;
    Shown needle = shown(options.find, true);
    if (needle.chars.empty())
        return result;
    Shown hay = shown(text, false);
    if (!options.matchCase) {
        for (char32_t &c : needle.chars)
            c = FoldCase(c);
        for (char32_t &c : hay.chars)
            c = FoldCase(c);
    }
    const std::size_t n = hay.chars.size();
    const std::size_t m = needle.chars.size();
    const bool ownMarker = hasOwnMarker(options.replace);
    std::size_t copied = 0; // UTF-16 index up to which the old text is in result.text
    std::size_t k = 0;
    while (m <= n && k + m <= n) {
        if (!std::equal(needle.chars.begin(), needle.chars.end(), hay.chars.begin() + static_cast<long>(k)) ||
            (options.wholeWords && ((k > 0 && IsWordChar(hay.chars[k - 1]) && IsWordChar(needle.chars.front())) ||
                                    (k + m < n && IsWordChar(hay.chars[k + m]) && IsWordChar(needle.chars.back()))))) {
            ++k;
            continue;
        }
        const std::size_t begin = hay.begin[k];
        const std::size_t end = hay.end[k + m - 1];
        result.text.append(text.substr(copied, begin - copied));
        std::u16string replacement = options.replace;
        // A marker within the occurrence moves into the replacement at the same offset.
        for (std::size_t j = k + 1; j < k + m; ++j) {
            if (!hay.marked[j] || ownMarker || replacement.empty())
                continue;
            const std::size_t offset = std::min(j - k, replacement.size() - 1);
            replacement.insert(offset, 1, u'&');
            break;
        }
        result.text += replacement;
        result.spans.push_back(TextReplacement::Span{begin, end, std::move(replacement)});
        ++result.count;
        copied = end;
        k += m;
    }
    if (result.count == 0)
        return result;
    result.text.append(text.substr(copied));
    return result;
}

ReplacePlan PlanReplace(const TokenTable &project, const ListRows &rows, const TextCodec &codec,
                        const ReplaceOptions &options)
{
    ReplacePlan plan;
    if (shown(options.find, true).chars.empty()) {
        plan.refusal = u"There is no text to find.";
        return plan;
    }
    if (options.replace.find_first_of(u"\t\r\n") != std::u16string::npos) {
        plan.refusal = u"A token text cannot hold a line end or a tab.";
        return plan;
    }
    std::u16string text;
    std::vector<std::uint32_t> offsets;
    for (const std::size_t row : rows) {
        const std::string_view bytes = project.cell(row, ColText);
        text.clear();
        offsets.clear();
        codec.decode(bytes, text, &offsets);
        TextReplacement replaced = ReplaceInText(text, options);
        if (replaced.count == 0)
            continue;
        if (StatusOf(project.cell(row, ColStatus)) & FlagReadOnly) {
            plan.readOnly.push_back(row);
            continue;
        }
        // The bytes between occurrences are kept as read; only the replacements are encoded.
        std::string after;
        after.reserve(bytes.size() + replaced.spans.size() * options.replace.size());
        bool storable = true;
        std::size_t copied = 0;
        for (const TextReplacement::Span &span : replaced.spans) {
            const std::size_t beginByte = offsets[span.begin];
            after.append(bytes.substr(copied, beginByte - copied));
            const auto encoded = codec.encode(span.inserted);
            if (!encoded) {
                storable = false;
                break;
            }
            after += *encoded;
            copied = offsets[span.end];
        }
        if (!storable) {
            plan.unstorable.push_back(row);
            continue;
        }
        after.append(bytes.substr(copied));
        if (after == bytes)
            continue; // replaced by itself: nothing changes
        plan.changes.push_back(ReplaceChange{row, std::string(bytes), std::move(after), text,
                                             std::move(replaced.text), replaced.count});
    }
    return plan;
}
