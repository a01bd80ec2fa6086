#pragma once

#include "filebytes.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Columns of a token table: 0 the text, 1 to 6 the fields of the token line.
enum TokenColumn : int
{
    ColText = 0,
    ColType = 1,
    ColId2 = 2,
    ColId3 = 3,
    ColId4 = 4,
    ColStatus = 5,
    ColId6 = 6,
    TokenColumnCount = 7
};

// Where the cells of one token line lie, as found by the line parse. Positions
// are 0-based byte offsets within the line.
struct TokenLineLayout
{
    std::uint32_t length = 0;  // the line's length
    std::uint32_t equals = 0;  // first '=': the text follows it
    std::uint32_t bars[5] = {}; // the five '|'
    std::uint32_t bracket = 0; // first ']' after the fifth '|'
};

// The key cells of a token, which tell it from every other token of its file.
constexpr int TokenKeyColumns[5] = {ColType, ColId2, ColId3, ColId4, ColId6};

// A token's key (see TokenKeyColumns) as the key index compares it: cells 1 to
// 4 with the '|' between them (no key cell holds one), and cell 6.
struct TokenKey
{
    std::string_view front;
    std::string_view last;
};

// The key as one text, for maps of keys: the two parts around a 0x1F.
std::string KeyText(const TokenKey &key);

// A table of token rows: row 0 is an empty header row, rows 1 to n are the tokens
// in file order. Cells are kept as the bytes read. Rows are only appended; the
// table is emptied as a whole. Each row lives as one line in a byte buffer, so a
// loaded table costs little more than its file.
class TokenTable
{
public:
    TokenTable() = default;
    TokenTable(const TokenTable &) = delete;
    TokenTable &operator=(const TokenTable &) = delete;
    TokenTable(TokenTable &&) noexcept = default;
    TokenTable &operator=(TokenTable &&) noexcept = default;

    // Number of token rows (the header row not counted).
    std::size_t tokenCount() const { return m_rows.size(); }
    // Number of rows, the header row included, as a grid counts them.
    std::size_t rowCount() const { return m_rows.size() + 1; }

    // A cell of row 1..tokenCount(); row 0 and rows out of range read empty. The
    // view stays valid until the next change of the table.
    std::string_view cell(std::size_t row, int column) const;
    std::string cellText(std::size_t row, int column) const { return std::string(cell(row, column)); }
    // Every cell of a row at once, for work that reads several cells of each row:
    // the field cells' bounds are found once instead of once a cell.
    // With `key`, the row's key is given too.
    void cells(std::size_t row, std::string_view (&out)[TokenColumnCount], TokenKey *key = nullptr) const;

    // The key of a row (empty parts for row 0 and rows out of range).
    TokenKey keyOf(std::size_t row) const;

    // The row's whole line when it is already in the normal form
    // "[[" f1 "|" ... "|" f6 "]]=" text, else an empty view.
    std::string_view normalLine(std::size_t row) const;

    // Writes one cell. The row is rebuilt in normal form behind the scenes; the
    // other cells keep their bytes.
    void setCell(std::size_t row, int column, std::string_view value);

    // Empties the table: only the header row is left.
    void clear();
    // Drops the lines that rewritten cells left behind in the edit buffer. Views
    // of cells taken before are no longer valid.
    void compactEdits();

    // Takes over a whole file's bytes; rows are then appended with appendLoaded().
    void adoptBuffer(std::string bytes);
    void adoptBuffer(FileBytes bytes);
    std::string_view buffer() const { return m_file.view(); }
    // Whether the loaded bytes are still the file's mapped pages.
    bool bufferMapped() const { return m_file.mapped(); }
    // Appends a row for a line that lies in the adopted buffer at the given
    // offset; `layout` is what ParseTokenLine gave for it.
    void appendLoaded(std::size_t offset, const TokenLineLayout &layout);
    // Appends a row for a line that is copied in; `layout` as above.
    void appendLine(std::string_view line, const TokenLineLayout &layout);
    void reserveRows(std::size_t rows) { m_rows.reserve(rows); }
    std::size_t rowCapacity() const { return m_rows.capacity(); }

    // The first row (lowest number) whose key cells (1, 2, 3, 4 and 6) equal those
    // of row `row` of `other`, or nothing. Served by an index that is built on
    // first use, once even when several threads look up at the same time, and
    // dropped whenever a key changes.
    std::optional<std::size_t> findFirstWithKey(const TokenTable &other, std::size_t row) const;
    // The same for a key read from a row of another table.
    std::optional<std::size_t> findFirstWithKey(const TokenKey &key) const;
    // Builds the index now (on a thread of the caller's choosing).
    void buildKeyIndex() const;
    // Fills the index as rows are loaded instead of in a pass of its own:
    // from now on appendLoaded() enters each row, in a table of slots sized for
    // `expectedRows` (grown if more come). The rows already in are entered now.
    // finishKeyIndex() enters the last ones; the index is then as built.
    void startKeyIndex(std::size_t expectedRows);
    void finishKeyIndex();

    // Bytes held (buffers, rows and index), for memory accounting.
    std::size_t bytesHeld() const;

private:
    // A row in 8 bytes: bit 63 set for a line in the edit buffer, bit 62 set for a
    // line in normal form (see normalLine), bit 61 set when it is also plain (cell
    // 6 empty: its fields end with "|]]="), bits 48-60 the first '=' (never 0 in
    // this form), bits 32-47 the line's length, bits 0-31 its offset. The fields'
    // bounds are found again in the bytes before the '=' (see ScanFields in the
    // .cpp; a plain line's status from its end), so a row keeps this form only
    // where that scan finds what the parse found. Any other row has 0 in bits
    // 48-63 and its low bits index m_wide, which keeps the line's whole layout.
    using Row = std::uint64_t;
    struct WideRow
    {
        std::uint64_t start = 0; // offset of the line; the top bit selects the edit buffer
        TokenLineLayout layout;
    };
    static constexpr std::uint64_t kEditBit = std::uint64_t(1) << 63;

    // `parsed`: the layout is ParseTokenLine's for the line, so its bounds are
    // the ones a scan finds whenever they all lie before the '='.
    Row encode(std::uint64_t start, const TokenLineLayout &layout, bool parsed);
    void decode(Row row, std::uint64_t &start, TokenLineLayout &layout) const;
    std::string_view line(std::uint64_t start, std::uint32_t length) const;
    std::uint64_t keyHash(std::size_t row) const;
    bool sameKey(std::size_t row, const TokenTable &other, std::size_t otherRow) const;
    void dropIndex();
    void fillIndex() const;
    // An index slot's parts: the row in the low `m_indexRowBits` bits, as many
    // high bits of the key's hash as are left above it.
    std::uint32_t indexTag(std::uint64_t hash) const;
    std::uint32_t indexEntry(std::uint32_t tag, std::size_t row) const;
    // The slot a key's probe starts at: the hash's low 32 bits scaled to the index.
    std::size_t indexHome(std::uint64_t hash) const;
    // Sizes the index for `rows` rows: slots and row bits.
    void sizeIndex(std::size_t rows) const;
    // Enters a row whose key hashes to `hash`, unless an earlier row has its key.
    void insertIndexed(std::size_t row, std::uint64_t hash) const;
    // Enters the rows waiting in the loading index's batch.
    void flushLoading() const;

    FileBytes m_file;    // the bytes of the file the rows were loaded from
    std::string m_edits; // rows appended line by line or rewritten by setCell
    std::vector<Row> m_rows;
    std::vector<WideRow> m_wide; // the rows whose layout does not fit in 8 bytes
    // Open-addressing index of 4-byte entries, 0 = empty, filled to at most 80%;
    // see indexEntry. Filled once, under its flag, by the first lookup; a table
    // whose keys change gets a fresh one.
    struct KeyIndex
    {
        std::once_flag filled;
        bool used = false;
        std::vector<std::uint32_t> entries;
        unsigned rowBits = 32;
        // While rows are loaded: rows entered so far, and the rows whose slots
        // are being fetched (see startKeyIndex).
        bool loading = false;
        std::size_t entered = 0;
        std::size_t pending = 0;
        std::uint64_t pendingHash[32];
    };
    std::unique_ptr<KeyIndex> m_index = std::make_unique<KeyIndex>();
};

// The text of the master token whose key (columns 1, 2, 3, 4 and 6) equals that
// of project row `row`, the earliest such master row winning; empty when none.
std::string_view MasterToken(const TokenTable &master, const TokenTable &project, std::size_t row);
