#pragma once

#include "regularfile.h"

#include <cstddef>
#include <string>
#include <string_view>

// The whole content of a file, held for as long as the caller needs it.
//
// Where the system can warn this program before any other one opens the file
// for writing or cuts it (a read lease), the bytes are the file's own pages,
// mapped from the page cache: nothing is copied and no fresh memory is touched.
// The warning arrives as a signal; its handler copies the bytes into memory of
// the program's own at the very same addresses and only then lets the writer
// go on. So views into the bytes stay valid from any thread and never see what
// the other program writes, and a file cut short can never fault a reader.
// Should the system end the lease before the copy was made (the program was
// stopped for longer than the lease-break time), pages past a cut read as
// zeros: a mapped file never ends the program.
// Where no lease can be had (another program has the file open for writing, a
// file system without leases, a file of another user), the file is read into
// memory as before.
class FileBytes
{
public:
    FileBytes() = default;
    explicit FileBytes(std::string bytes) : m_owned(std::move(bytes)) {}
    ~FileBytes();
    FileBytes(const FileBytes &) = delete;
    FileBytes &operator=(const FileBytes &) = delete;
    FileBytes(FileBytes &&other) noexcept;
    FileBytes &operator=(FileBytes &&other) noexcept;

    // Reads or maps a regular file (or a link to one) whole. Anything else is
    // CantOpen; a read that fails, or a file larger than the machine's memory,
    // ReadError.
    static FileReadStatus Load(const std::string &path, FileBytes &out);

    std::string_view view() const
    {
        return m_map ? std::string_view(m_map, m_mapLength) : std::string_view(m_owned);
    }
    std::size_t size() const { return m_map ? m_mapLength : m_owned.size(); }
    bool empty() const { return size() == 0; }

    // Whether the bytes are still the file's mapped pages (false once a writer
    // made them a copy, and for bytes that were read).
    bool mapped() const;

    // Lets the lease go while the bytes stay mapped, as the system does when
    // the program does not answer a writer in time (it was stopped): the file
    // can then be cut under the mapping. Tests use it to show that a read past
    // the cut sees zeros instead of ending the program.
    void loseLease();

    void clear();

private:
    std::string m_owned;
    char *m_map = nullptr;        // mapped bytes, or null
    std::size_t m_mapLength = 0;
    int m_slot = -1;              // the lease's entry in the table of mappings
};

// Whether mapping is used at all (TAMRIX_NO_MAP=1 in the environment turns it off,
// to compare or to rule it out).
bool FileMappingEnabled();
