#include "memory/xmlreader.h"

#include <expat.h>

#include <exception>
#include <vector>

namespace memory {

struct XmlCallbacks
{
    struct State
    {
        XmlReader *reader;
        std::exception_ptr exception;
    };

    template <typename Call> static void guarded(void *data, Call call)
    {
        auto *state = static_cast<State *>(data);
        if (state->exception || state->reader->m_error)
            return;
        try {
            call(*state->reader);
        } catch (...) {
            state->exception = std::current_exception();
        }
        if (state->exception || state->reader->m_error)
            XML_StopParser(static_cast<XML_Parser>(state->reader->m_parser), XML_FALSE);
    }
    static void start(void *data, const XML_Char *element, const XML_Char **attributes)
    {
        guarded(data, [&](XmlReader &r) { r.start(element, attributes); });
    }
    static void end(void *data, const XML_Char *element)
    {
        guarded(data, [&](XmlReader &r) { r.end(element); });
    }
    static void text(void *data, const XML_Char *characters, int length)
    {
        guarded(data, [&](XmlReader &r) { r.text(std::string_view(characters, static_cast<std::size_t>(length))); });
    }
};

std::optional<ReadError> XmlReader::parse(std::istream &in, const std::string &name)
{
    m_name = name;
    m_error.reset();
    XML_Parser parser = XML_ParserCreate("UTF-8");
    if (!parser)
        return ReadError{name, 0, "out of memory"};
    m_parser = parser;
    XmlCallbacks::State state{this, nullptr};
    XML_SetUserData(parser, &state);
    XML_SetElementHandler(parser, XmlCallbacks::start, XmlCallbacks::end);
    XML_SetCharacterDataHandler(parser, XmlCallbacks::text);
    std::vector<char> buffer(1 << 16);
    bool done = false;
    while (!done && !m_error && !state.exception) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto got = in.gcount();
        done = got < static_cast<std::streamsize>(buffer.size());
        if (in.bad()) {
            m_error = ReadError{name, 0, "read error"};
            break;
        }
        if (XML_Parse(parser, buffer.data(), static_cast<int>(got), done) == XML_STATUS_ERROR && !m_error &&
            !state.exception)
            m_error = ReadError{name, static_cast<std::size_t>(XML_GetCurrentLineNumber(parser)),
                                XML_ErrorString(XML_GetErrorCode(parser))};
    }
    if (!m_error && !state.exception) {
        try {
            finished();
        } catch (...) {
            state.exception = std::current_exception();
        }
    }
    XML_ParserFree(parser);
    m_parser = nullptr;
    if (state.exception)
        std::rethrow_exception(state.exception);
    return m_error;
}

void XmlReader::fail(std::string message)
{
    if (!m_error)
        m_error = ReadError{m_name, line(), std::move(message)};
}

void XmlReader::warn(std::string message)
{
    warned(ReadError{m_name, line(), std::move(message)});
}

std::size_t XmlReader::line() const
{
    return m_parser ? static_cast<std::size_t>(XML_GetCurrentLineNumber(static_cast<XML_Parser>(m_parser))) : 0;
}

const char *XmlReader::attribute(const char **attributes, std::string_view name)
{
    for (; attributes && *attributes; attributes += 2) {
        if (name == attributes[0])
            return attributes[1];
    }
    return nullptr;
}

} // namespace memory
