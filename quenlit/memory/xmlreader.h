#pragma once

#include "memory/unit.h"

#include <istream>
#include <optional>
#include <string>
#include <string_view>

namespace memory {

// A reader of an XML document through expat, element by element. Subclasses
// answer the events; `fail` stops the reading with an error at the current
// line. Exceptions thrown by a handler stop the parser and are thrown again by
// parse(). External entities are never loaded.
class XmlReader
{
public:
    virtual ~XmlReader() = default;
    std::optional<ReadError> parse(std::istream &in, const std::string &name);

protected:
    // Attributes as expat gives them: name, value, ..., null.
    virtual void start(std::string_view element, const char **attributes) = 0;
    virtual void end(std::string_view element) = 0;
    virtual void text(std::string_view characters) = 0;
    // Called once the whole document was read, for the checks of the end.
    virtual void finished() {}

    void fail(std::string message);
    void warn(std::string message);
    virtual void warned(const ReadError &warning) { (void)warning; }
    std::size_t line() const;
    static const char *attribute(const char **attributes, std::string_view name);

private:
    friend struct XmlCallbacks;
    void *m_parser = nullptr;
    std::string m_name;
    std::optional<ReadError> m_error;
};

} // namespace memory
