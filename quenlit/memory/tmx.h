#pragma once

#include "memory/translationmemory.h"

#include <istream>
#include <optional>
#include <ostream>
#include <string>

namespace memory {

// Reads a TMX file (1.1 to 1.4b): one unit per translation unit and language
// besides the source's. The source variant is the one in the unit's source
// language (its srclang, else the header's), else the first. Languages are
// BCP 47 tags (xml:lang, or lang in TMX 1.1) mapped to Windows identifiers; a
// variant in a language that has none is left out with a warning. A segment's
// text is its characters and those of its <hi> parts; inline codes (<bpt>,
// <ept>, <it>, <ph>, <ut>) are left out. Our own properties (x-project,
// x-resource-type, x-place) and creationdate/changedate give the origin; the
// file's name stands in for a project. `name` names the file in errors.
std::optional<ReadError> ReadTmx(std::istream &in, const std::string &name, UnitSink &sink);

// Writes TMX 1.4b in UTF-8, unit by unit: the header takes the source language
// of the first unit, a unit in another one says its own. Characters XML cannot
// hold (control characters but tab and line ends) are written as U+FFFD; a
// carriage return as a reference, so that it reads back.
class TmxWriter
{
public:
    explicit TmxWriter(std::ostream &out, std::string toolVersion = "0.1");
    ~TmxWriter();
    void add(const Unit &unit);
    // Closes the document; called by the destructor when not called before.
    void finish();

private:
    void header(LanguageId source);

    std::ostream &m_out;
    std::string m_toolVersion;
    bool m_started = false;
    bool m_finished = false;
    LanguageId m_source;
};

// "20260107T142501Z" and back; nothing for a text of another form.
std::string TmxDate(std::int64_t time);
std::optional<std::int64_t> ParseTmxDate(std::string_view text);

} // namespace memory
