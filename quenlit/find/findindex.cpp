#include "find/findindex.h"

#include "find/searchform.h"
#include "find/textcodec.h"
#include "tokentable.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The first occurrence of needle in [hay, hay + size), or nullptr. Blocks of 16
// bytes are compared against the needle's first and last byte at once; only
// where both agree are the bytes between compared.
const char *findBytes(const char *hay, std::size_t size, std::string_view needle)
{
    const std::size_t k = needle.size();
    if (k == 0)
        return hay;
    if (k > size)
        return nullptr;
    if (k == 1)
        return static_cast<const char *>(std::memchr(hay, needle[0], size));
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i first = _mm_set1_epi8(needle[0]);
    const __m128i lastByte = _mm_set1_epi8(needle[k - 1]);
    for (; i + k - 1 + 16 <= size; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(hay + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(hay + i + k - 1));
        unsigned mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, lastByte))));
        while (mask) {
            const unsigned bit = static_cast<unsigned>(__builtin_ctz(mask));
            if (std::memcmp(hay + i + bit + 1, needle.data() + 1, k - 2) == 0)
                return hay + i + bit;
            mask &= mask - 1;
        }
    }
#endif
    // The rest (everything without SSE2): the first byte by memchr, then the others.
    while (i + k <= size) {
        const void *at = std::memchr(hay + i, needle[0], size - k + 1 - i);
        if (!at)
            return nullptr;
        const char *p = static_cast<const char *>(at);
        if (std::memcmp(p + 1, needle.data() + 1, k - 1) == 0)
            return p;
        i = static_cast<std::size_t>(p - hay) + 1;
    }
    return nullptr;
}

} // namespace

void FindIndex::reset(const TokenTable *project, const TokenTable *master, const TextCodec *projectCodec,
                      const TextCodec *masterCodec)
{
    clear();
    m_project = project;
    m_master = master;
    m_projectCodec = projectCodec;
    m_masterCodec = masterCodec;
    if (m_project)
        m_start.reserve(m_project->tokenCount() + 1);
    m_start.push_back(0);
}

void FindIndex::clear()
{
    m_project = nullptr;
    m_master = nullptr;
    m_built.store(0);
    std::string().swap(m_text);
    std::vector<std::uint64_t>().swap(m_start);
    std::vector<bool>().swap(m_isRebuilt);
    m_rebuilt = {};
}

std::size_t FindIndex::tokenCount() const
{
    return m_project ? m_project->tokenCount() : 0;
}

void FindIndex::appendEntry(std::size_t row, std::string &out)
{
    m_scratch.clear();
    m_projectCodec->decode(m_project->cell(row, ColText), m_scratch);
    AppendSearchForm(m_scratch, out);
    out += '\xFE';
    if (m_master) {
        m_scratch.clear();
        m_masterCodec->decode(MasterToken(*m_master, *m_project, row), m_scratch);
        AppendSearchForm(m_scratch, out);
    }
}

bool FindIndex::build(std::size_t maxRows, const std::atomic<bool> *stop)
{
    if (!m_project)
        return true;
    std::size_t built = m_built.load(std::memory_order_relaxed);
    const std::size_t end = std::min(tokenCount(), built + std::min(maxRows, tokenCount()));
    if (built == 0 && end > 0 && m_text.capacity() == 0) {
        // Each byte of a text gives at most one character, three bytes at most
        // in the form; a master text taken by several rows may overflow this,
        // and then the buffer grows as any other does.
        const std::size_t texts = m_project->buffer().size() + (m_master ? m_master->buffer().size() : 0);
        m_text.reserve(3 * texts + 2 * tokenCount() + 16);
    }
    while (built < end) {
        if (stop && stop->load(std::memory_order_relaxed))
            break;
        const std::size_t chunk = std::min<std::size_t>(end, built + 4096);
        for (std::size_t row = built + 1; row <= chunk; ++row) {
            appendEntry(row, m_text);
            m_text += '\xFF';
            m_start.push_back(m_text.size());
        }
        built = chunk;
        m_built.store(built, std::memory_order_release);
    }
    return complete();
}

void FindIndex::textChanged(std::size_t row)
{
    if (row == 0 || row > m_built)
        return; // not built yet: it is read as it stands when its turn comes
    // The new entry goes beside the others; the old bytes stay where they are, unused.
    std::string &entryText = m_rebuilt[row];
    entryText.clear();
    appendEntry(row, entryText);
    if (m_isRebuilt.size() < tokenCount())
        m_isRebuilt.resize(tokenCount());
    m_isRebuilt[row - 1] = true;
}

std::string_view FindIndex::entry(std::size_t row) const
{
    if (row == 0 || row > m_built)
        return {};
    if (isRebuilt(row))
        return m_rebuilt.find(row)->second;
    const std::uint64_t start = m_start[row - 1];
    return std::string_view(m_text.data() + start, m_start[row] - 1 - start);
}

std::size_t FindIndex::bytesHeld() const
{
    // The room reserved beyond the entries is never touched (see m_text).
    std::size_t bytes = m_text.size() + m_start.capacity() * sizeof(std::uint64_t);
    bytes += m_isRebuilt.capacity() / 8;
    for (const auto &[row, text] : m_rebuilt)
        bytes += sizeof(row) + sizeof(text) + 2 * sizeof(void *) + text.capacity();
    return bytes;
}

void FindIndex::matchRows(const ListRow *first, const ListRow *last, std::string_view needle, ListRows &out) const
{
    const char *const text = m_text.data();
    const std::size_t textSize = m_text.size();
    const ListRow *it = first;
    while (it != last) {
        const std::size_t row = *it;
        if (isRebuilt(row)) {
            if (matches(row, needle))
                out.push_back(*it);
            ++it;
            continue;
        }
        // One search over the bytes from this row on; the rows it passes over
        // without a hit hold no match (rows made anew are judged on their own).
        const std::size_t from = m_start[row - 1];
        const char *hit = findBytes(text + from, textSize - from, needle);
        const std::size_t at = hit ? static_cast<std::size_t>(hit - text) : textSize;
        while (it != last && m_start[*it] <= at) {
            if (isRebuilt(*it) && matches(*it, needle))
                out.push_back(*it);
            ++it;
        }
        if (it != last && m_start[*it - 1] <= at && !isRebuilt(*it)) {
            out.push_back(*it); // the hit lies in this listed row
            ++it;
        }
        // Else the hit lies in a row that is not asked about: go on from the next asked one.
    }
}
