#include "memory/tmx.h"

#include "memory/xmlreader.h"

#include "languagetag.h"

#include <unicode/unistr.h>

#include <cstdio>
#include <ctime>
#include <unordered_map>
#include <vector>

namespace memory {

namespace {

bool sameTag(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c == '_' ? '-' : c; };
        if (fold(a[i]) != fold(b[i]))
            return false;
    }
    return true;
}

class TmxReader : public XmlReader
{
public:
    TmxReader(UnitSink &sink, std::string name) : m_sink(sink), m_name(std::move(name)) {}

private:
    struct Variant
    {
        std::string language;
        std::string text;
        std::size_t line = 0;
    };

    void start(std::string_view element, const char **attributes) override
    {
        if (m_depth++ == 0) {
            if (element != "tmx")
                fail("not a TMX file: the document is <" + std::string(element) + ">");
            return;
        }
        if (m_inlineCode > 0) {
            ++m_inlineCode;
            return;
        }
        if (element == "header") {
            if (const char *source = attribute(attributes, "srclang"))
                m_headerSource = source;
        } else if (element == "tu") {
            m_inUnit = true;
            m_variants.clear();
            m_unitSource.clear();
            m_project.clear();
            m_resourceType.clear();
            m_place.clear();
            m_time = 0;
            if (const char *source = attribute(attributes, "srclang"))
                m_unitSource = source;
            readDate(attributes);
        } else if (element == "tuv" && m_inUnit) {
            const char *language = attribute(attributes, "xml:lang");
            if (!language)
                language = attribute(attributes, "lang");
            if (!language)
                return fail("<tuv> without xml:lang");
            m_variants.push_back({language, {}, line()});
            readDate(attributes);
        } else if (element == "seg" && !m_variants.empty()) {
            m_inSegment = true;
        } else if (element == "prop" && m_inUnit) {
            const char *type = attribute(attributes, "type");
            m_prop = type ? type : "";
            m_propText.clear();
            m_inProp = true;
        } else if (m_inSegment && element != "hi") {
            m_inlineCode = 1; // bpt, ept, it, ph, ut and what they hold
        }
    }

    void end(std::string_view element) override
    {
        --m_depth;
        if (m_inlineCode > 0) {
            --m_inlineCode;
            return;
        }
        if (element == "seg") {
            m_inSegment = false;
        } else if (element == "prop" && m_inProp) {
            m_inProp = false;
            if (m_prop == "x-project")
                m_project = m_propText;
            else if (m_prop == "x-resource-type")
                m_resourceType = m_propText;
            else if (m_prop == "x-place")
                m_place = m_propText;
        } else if (element == "tu") {
            m_inUnit = false;
            unitRead();
        }
    }

    void text(std::string_view characters) override
    {
        if (m_inlineCode > 0)
            return;
        if (m_inSegment)
            m_variants.back().text.append(characters);
        else if (m_inProp)
            m_propText.append(characters);
    }

    void finished() override
    {
        if (m_units == 0 && m_variantsSeen == 0)
            warn("no translation unit");
    }

    void warned(const ReadError &warning) override { m_sink.warn(warning); }

    // A file names the same few languages again and again.
    std::optional<LanguageId> languageOf(const std::string &tag)
    {
        auto known = m_languages.find(tag);
        if (known == m_languages.end())
            known = m_languages.emplace(tag, LanguageFromTag(tag)).first;
        return known->second;
    }

    void readDate(const char **attributes)
    {
        for (const char *name : {"changedate", "creationdate"}) {
            if (const char *date = attribute(attributes, name)) {
                if (const auto time = ParseTmxDate(date)) {
                    m_time = std::max(m_time, *time);
                    return;
                }
            }
        }
    }

    void unitRead()
    {
        m_variantsSeen += m_variants.size();
        if (m_variants.size() < 2)
            return;
        const std::string &sourceTag = !m_unitSource.empty() ? m_unitSource : m_headerSource;
        std::size_t source = 0;
        for (std::size_t i = 0; i < m_variants.size(); ++i) {
            if (sameTag(m_variants[i].language, sourceTag)) {
                source = i;
                break;
            }
        }
        const Variant &from = m_variants[source];
        const auto sourceLanguage = languageOf(from.language);
        if (!sourceLanguage) {
            m_sink.warn({m_name, from.line, "no Windows language for \"" + from.language + "\": unit left out"});
            return;
        }
        if (from.text.empty())
            return;
        for (std::size_t i = 0; i < m_variants.size(); ++i) {
            const Variant &to = m_variants[i];
            if (i == source || to.text.empty())
                continue;
            const auto targetLanguage = languageOf(to.language);
            if (!targetLanguage) {
                m_sink.warn({m_name, to.line, "no Windows language for \"" + to.language + "\": left out"});
                continue;
            }
            Unit unit;
            unit.source = from.text;
            unit.translation = to.text;
            unit.sourceLanguage = *sourceLanguage;
            unit.targetLanguage = *targetLanguage;
            unit.origin.project = m_project.empty() ? m_name : m_project;
            unit.origin.resourceType = m_resourceType;
            unit.origin.place = m_place;
            unit.origin.time = m_time != 0 ? m_time : static_cast<std::int64_t>(std::time(nullptr));
            m_sink.add(unit);
            ++m_units;
        }
    }

    UnitSink &m_sink;
    std::string m_name;
    int m_depth = 0;
    int m_inlineCode = 0;
    bool m_inUnit = false;
    bool m_inSegment = false;
    bool m_inProp = false;
    std::string m_headerSource;
    std::string m_unitSource;
    std::vector<Variant> m_variants;
    std::string m_prop, m_propText, m_project, m_resourceType, m_place;
    std::int64_t m_time = 0;
    std::size_t m_units = 0;
    std::size_t m_variantsSeen = 0;
    std::unordered_map<std::string, std::optional<LanguageId>> m_languages;
};

// Text as XML character data: markup characters escaped, a carriage return as a
// reference, characters XML cannot hold (and bytes that are not UTF-8) as U+FFFD.
void writeEscaped(std::ostream &out, std::string_view text, bool attribute = false)
{
    const icu::UnicodeString unicode =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    std::string utf8;
    unicode.toUTF8String(utf8);
    for (char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '&': out << "&amp;"; break;
        case '<': out << "&lt;"; break;
        case '>': out << "&gt;"; break;
        case '"': out << (attribute ? "&quot;" : "\""); break;
        case '\r': out << "&#xD;"; break;
        case '\n': out << (attribute ? "&#xA;" : "\n"); break;
        case '\t': out << (attribute ? "&#x9;" : "\t"); break;
        default:
            if (byte < 0x20)
                out << "\xEF\xBF\xBD";
            else
                out << c;
        }
    }
}

} // namespace

std::optional<ReadError> ReadTmx(std::istream &in, const std::string &name, UnitSink &sink)
{
    TmxReader reader(sink, name);
    return reader.parse(in, name);
}

std::string TmxDate(std::int64_t time)
{
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm parts{};
    gmtime_r(&t, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &parts);
    return text;
}

std::optional<std::int64_t> ParseTmxDate(std::string_view text)
{
    if (text.size() != 16 || text[8] != 'T' || text[15] != 'Z')
        return std::nullopt;
    int values[6];
    const std::size_t starts[6] = {0, 4, 6, 9, 11, 13};
    const std::size_t lengths[6] = {4, 2, 2, 2, 2, 2};
    for (int i = 0; i < 6; ++i) {
        values[i] = 0;
        for (std::size_t k = 0; k < lengths[i]; ++k) {
            const char c = text[starts[i] + k];
            if (c < '0' || c > '9')
                return std::nullopt;
            values[i] = values[i] * 10 + (c - '0');
        }
    }
    std::tm parts{};
    parts.tm_year = values[0] - 1900;
    parts.tm_mon = values[1] - 1;
    parts.tm_mday = values[2];
    parts.tm_hour = values[3];
    parts.tm_min = values[4];
    parts.tm_sec = values[5];
    if (parts.tm_mon < 0 || parts.tm_mon > 11 || parts.tm_mday < 1 || parts.tm_mday > 31)
        return std::nullopt;
    return static_cast<std::int64_t>(timegm(&parts));
}

TmxWriter::TmxWriter(std::ostream &out, std::string toolVersion) : m_out(out), m_toolVersion(std::move(toolVersion)) {}

TmxWriter::~TmxWriter()
{
    finish();
}

void TmxWriter::header(LanguageId source)
{
    m_started = true;
    m_source = source;
    m_out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             "<tmx version=\"1.4\">\n"
             "  <header creationtool=\"quenlit-memory\" creationtoolversion=\"";
    writeEscaped(m_out, m_toolVersion, true);
    m_out << "\" datatype=\"plaintext\" segtype=\"block\" adminlang=\"en-US\" srclang=\""
          << LanguageTag(source) << "\" o-tmf=\"quenlit\"/>\n  <body>\n";
}

void TmxWriter::add(const Unit &unit)
{
    if (!m_started)
        header(unit.sourceLanguage);
    const std::string date = TmxDate(unit.origin.time);
    m_out << "    <tu creationdate=\"" << date << "\"";
    if (!SameLanguage(unit.sourceLanguage, m_source))
        m_out << " srclang=\"" << LanguageTag(unit.sourceLanguage) << "\"";
    m_out << ">\n";
    const std::pair<const char *, const std::string *> props[] = {{"x-project", &unit.origin.project},
                                                                  {"x-resource-type", &unit.origin.resourceType},
                                                                  {"x-place", &unit.origin.place}};
    for (const auto &[type, value] : props) {
        if (value->empty())
            continue;
        m_out << "      <prop type=\"" << type << "\">";
        writeEscaped(m_out, *value);
        m_out << "</prop>\n";
    }
    m_out << "      <tuv xml:lang=\"" << LanguageTag(unit.sourceLanguage) << "\"><seg>";
    writeEscaped(m_out, unit.source);
    m_out << "</seg></tuv>\n      <tuv xml:lang=\"" << LanguageTag(unit.targetLanguage) << "\"><seg>";
    writeEscaped(m_out, unit.translation);
    m_out << "</seg></tuv>\n    </tu>\n";
}

void TmxWriter::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    if (!m_started)
        header({9, 1});
    m_out << "  </body>\n</tmx>\n";
}

} // namespace memory
