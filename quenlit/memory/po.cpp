#include "memory/po.h"

#include "languagetag.h"

#include <iconv.h>

#include <cctype>
#include <ctime>
#include <memory>

namespace memory {

namespace {

// Converts a catalogue's text into UTF-8.
class Converter
{
public:
    ~Converter() { reset(); }
    bool open(const std::string &charset)
    {
        reset();
        if (charset.empty() || charset == "CHARSET" || charset == "UTF-8" || charset == "utf-8")
            return true;
        m_iconv = iconv_open("UTF-8", charset.c_str());
        return m_iconv != reinterpret_cast<iconv_t>(-1);
    }
    bool convert(const std::string &in, std::string &out)
    {
        if (m_iconv == reinterpret_cast<iconv_t>(-1)) {
            out = in;
            return true;
        }
        iconv(m_iconv, nullptr, nullptr, nullptr, nullptr);
        out.assign(in.size() * 4 + 8, '\0');
        char *from = const_cast<char *>(in.data());
        std::size_t fromLeft = in.size();
        char *to = out.data();
        std::size_t toLeft = out.size();
        if (iconv(m_iconv, &from, &fromLeft, &to, &toLeft) == static_cast<std::size_t>(-1))
            return false;
        out.resize(out.size() - toLeft);
        return true;
    }

private:
    void reset()
    {
        if (m_iconv != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_iconv);
        m_iconv = reinterpret_cast<iconv_t>(-1);
    }
    iconv_t m_iconv = reinterpret_cast<iconv_t>(-1);
};

struct Message
{
    std::size_t line = 0; // of its msgid
    bool fuzzy = false;
    bool hasId = false, hasString = false;
    std::string context, id, string;
};

// The value of a header field ("Language: fr\n"), empty when absent.
std::string headerField(const std::string &header, const std::string &field)
{
    std::size_t at = 0;
    while (at < header.size()) {
        const std::size_t end = std::min(header.find('\n', at), header.size());
        const std::string line = header.substr(at, end - at);
        at = end + 1;
        if (line.compare(0, field.size() + 1, field + ":") != 0)
            continue;
        std::string value = line.substr(field.size() + 1);
        const std::size_t first = value.find_first_not_of(" \t");
        const std::size_t last = value.find_last_not_of(" \t\r");
        return first == std::string::npos ? std::string() : value.substr(first, last - first + 1);
    }
    return {};
}

class PoReader
{
public:
    PoReader(std::istream &in, const std::string &name, UnitSink &sink, const PoOptions &options)
        : m_in(in), m_name(name), m_sink(sink), m_options(options)
    {
    }

    std::optional<ReadError> read()
    {
        std::string line;
        std::string *continued = nullptr;
        while (std::getline(m_in, line)) {
            ++m_line;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            const std::size_t first = line.find_first_not_of(" \t");
            if (first == std::string::npos) {
                if (auto error = endMessage())
                    return error;
                continued = nullptr;
                continue;
            }
            const std::string_view text = std::string_view(line).substr(first);
            if (text[0] == '#') {
                // A comment starts the next message.
                if (m_message.hasString) {
                    if (auto error = endMessage())
                        return error;
                }
                continued = nullptr;
                if (text.substr(0, 2) == "#~")
                    continue; // obsolete: never read
                if (text.substr(0, 2) == "#," && text.find("fuzzy") != std::string_view::npos)
                    m_message.fuzzy = true;
                continue;
            }
            if (text[0] == '"') {
                if (!continued)
                    return error("a string that continues nothing");
                if (!quoted(text, *continued))
                    return m_error;
                continue;
            }
            const std::size_t blank = text.find_first_of(" \t");
            const std::string keyword(text.substr(0, blank));
            const std::string_view rest =
                blank == std::string_view::npos ? std::string_view() : text.substr(text.find_first_not_of(" \t", blank));
            std::string scratch;
            if (keyword == "msgctxt" || keyword == "msgid") {
                if (m_message.hasString) {
                    if (auto error = endMessage())
                        return error;
                }
                if (keyword == "msgid" ? m_message.hasId : !m_message.context.empty() || m_message.hasId)
                    return error("a second " + keyword + " in one message");
                continued = keyword == "msgid" ? &m_message.id : &m_message.context;
                if (keyword == "msgid") {
                    m_message.hasId = true;
                    m_message.line = m_line;
                }
            } else if (keyword == "msgid_plural") {
                if (!m_message.hasId || m_message.hasString)
                    return error("msgid_plural without msgid");
                continued = &m_plural;
            } else if (keyword == "msgstr" || keyword == "msgstr[0]") {
                if (!m_message.hasId)
                    return error(keyword + " without msgid");
                if (m_message.hasString)
                    return error("a second " + keyword + " in one message");
                m_message.hasString = true;
                continued = &m_message.string;
            } else if (keyword.rfind("msgstr[", 0) == 0 && keyword.back() == ']') {
                if (!m_message.hasString)
                    return error(keyword + " before msgstr[0]");
                continued = &m_otherForms;
            } else {
                return error("unexpected \"" + keyword + "\"");
            }
            continued->clear();
            if (!quoted(rest, *continued))
                return m_error;
        }
        if (m_in.bad())
            return ReadError{m_name, 0, "read error"};
        return endMessage();
    }

private:
    std::optional<ReadError> error(std::string message)
    {
        return m_error = ReadError{m_name, m_line, std::move(message)};
    }

    // Appends the C-quoted string `text` ("...") to `out`.
    bool quoted(std::string_view text, std::string &out)
    {
        const std::size_t last = text.find_last_not_of(" \t");
        if (text.empty() || text[0] != '"' || last == 0 || text[last] != '"') {
            error("a string must stand between double quotes");
            return false;
        }
        for (std::size_t i = 1; i < last; ++i) {
            char c = text[i];
            if (c == '"') {
                error("an unescaped '\"' inside a string");
                return false;
            }
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (++i >= last) {
                error("a string ends with a backslash");
                return false;
            }
            c = text[i];
            switch (c) {
            case 'n': out.push_back('\n'); break;
            case 't': out.push_back('\t'); break;
            case 'r': out.push_back('\r'); break;
            case 'a': out.push_back('\a'); break;
            case 'b': out.push_back('\b'); break;
            case 'f': out.push_back('\f'); break;
            case 'v': out.push_back('\v'); break;
            case '\\': case '"': case '\'': case '?': out.push_back(c); break;
            default:
                if (c >= '0' && c <= '7') {
                    int value = 0;
                    for (int k = 0; k < 3 && i < last && text[i] >= '0' && text[i] <= '7'; ++k, ++i)
                        value = value * 8 + (text[i] - '0');
                    --i;
                    out.push_back(static_cast<char>(value));
                } else if (c == 'x') {
                    int value = 0, digits = 0;
                    for (; i + 1 < last && std::isxdigit(static_cast<unsigned char>(text[i + 1])); ++i, ++digits)
                        value = value * 16 + (std::isdigit(static_cast<unsigned char>(text[i + 1]))
                                                  ? text[i + 1] - '0'
                                                  : (text[i + 1] | 0x20) - 'a' + 10);
                    if (digits == 0) {
                        error("\\x without hexadecimal digits");
                        return false;
                    }
                    out.push_back(static_cast<char>(value));
                } else {
                    error(std::string("an unknown escape \\") + c);
                    return false;
                }
            }
        }
        return true;
    }

    std::optional<ReadError> endMessage()
    {
        Message message = std::move(m_message);
        m_message = Message{};
        m_plural.clear();
        m_otherForms.clear();
        if (!message.hasId && !message.hasString)
            return std::nullopt;
        if (!message.hasString)
            return ReadError{m_name, message.line, "msgid without msgstr"};
        if (message.id.empty() && message.context.empty()) {
            if (m_messages > 0 || m_headerSeen)
                return ReadError{m_name, message.line, "the header must be the first message"};
            m_headerSeen = true;
            const std::string charset = [&] {
                const std::string type = headerField(message.string, "Content-Type");
                const std::size_t at = type.find("charset=");
                return at == std::string::npos ? std::string() : type.substr(at + 8);
            }();
            if (!m_converter.open(charset))
                return ReadError{m_name, message.line, "unknown charset \"" + charset + "\""};
            const std::string language = headerField(message.string, "Language");
            if (!language.empty()) {
                m_language = LanguageFromTag(language);
                if (!m_language && !m_options.language)
                    return ReadError{m_name, message.line, "no Windows language for \"" + language + "\""};
            }
            return std::nullopt;
        }
        ++m_messages;
        if (message.fuzzy || message.string.empty())
            return std::nullopt;
        const auto target = m_language ? m_language : m_options.language;
        if (!target)
            return ReadError{m_name, message.line, "no \"Language:\" in the header: the target language is unknown"};
        Unit unit;
        if (!m_converter.convert(message.id, unit.source) || !m_converter.convert(message.string, unit.translation))
            return ReadError{m_name, message.line, "a text that is not in the header's charset"};
        m_converter.convert(message.context, unit.origin.place);
        unit.sourceLanguage = m_options.sourceLanguage;
        unit.targetLanguage = *target;
        unit.origin.project = m_name;
        unit.origin.time = static_cast<std::int64_t>(std::time(nullptr));
        m_sink.add(unit);
        return std::nullopt;
    }

    std::istream &m_in;
    const std::string &m_name;
    UnitSink &m_sink;
    const PoOptions &m_options;
    std::size_t m_line = 0;
    std::optional<ReadError> m_error;
    Message m_message;
    std::string m_plural, m_otherForms;
    bool m_headerSeen = false;
    std::size_t m_messages = 0;
    std::optional<LanguageId> m_language;
    Converter m_converter;
};

} // namespace

std::optional<ReadError> ReadPo(std::istream &in, const std::string &name, UnitSink &sink, const PoOptions &options)
{
    PoReader reader(in, name, sink, options);
    return reader.read();
}

} // namespace memory
