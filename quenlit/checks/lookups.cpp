#include "checks/lookups.h"

#include "memory/glossary.h"
#include "spelling/speller.h"

bool SpellerWords::isKnown(std::u16string_view word) const
{
    const std::u16string key(word);
    const auto kept = m_known.find(key);
    if (kept != m_known.end())
        return kept->second;
    const bool known = m_speller->isCorrect(word);
    m_known.emplace(key, known);
    return known;
}

std::u16string SpellerWords::wordCharacters() const
{
    return m_speller->wordCharacters();
}

std::vector<TermInText> GlossaryTerms::termsIn(std::u16string_view master, std::u16string_view translation) const
{
    std::vector<TermInText> out;
    for (memory::TermFound &found : m_glossary->find(master, translation))
        out.push_back({std::move(found.term), std::move(found.translations), found.translated});
    return out;
}
