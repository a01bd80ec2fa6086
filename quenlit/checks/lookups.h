#pragma once

#include "checks/checks.h"

#include <memory>
#include <string>
#include <unordered_map>

namespace memory {
class Glossary;
}
namespace spelling {
class Speller;
}

// The words of a Hunspell dictionary for the "spelling" check. The answers are
// kept: a project says the same words many times. forget() after the
// dictionary learnt a word.
class SpellerWords : public KnownWords
{
public:
    explicit SpellerWords(std::shared_ptr<spelling::Speller> speller) : m_speller(std::move(speller)) {}
    bool isKnown(std::u16string_view word) const override;
    std::u16string wordCharacters() const override;
    void forget() { m_known.clear(); }

private:
    std::shared_ptr<spelling::Speller> m_speller;
    mutable std::unordered_map<std::u16string, bool> m_known;
};

// The terms of a glossary for the "glossary" check.
class GlossaryTerms : public TermList
{
public:
    explicit GlossaryTerms(std::shared_ptr<const memory::Glossary> glossary) : m_glossary(std::move(glossary)) {}
    std::vector<TermInText> termsIn(std::u16string_view master, std::u16string_view translation) const override;

private:
    std::shared_ptr<const memory::Glossary> m_glossary;
};
