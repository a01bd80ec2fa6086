#pragma once

#include "tokentable.h"

#include <string>
#include <vector>

// One committed change to a project token: which token (its row and its key,
// cells 1, 2, 3, 4 and 6), the master text it was translated from, and what the
// row held after the change. A text commit changes the text and the status; a
// click on "Translated" only the status.
struct TokenChange
{
    std::size_t row = 0;
    std::string key[5];
    std::string master;
    bool textChanged = false;
    std::string text;   // column 0 after the change (meaningful when textChanged)
    std::string status; // column 5 after the change

    bool sameKey(const TokenTable &table, std::size_t tableRow) const;
};

// The change just made to a row, read back from the tables.
TokenChange DescribeChange(const TokenTable &project, const TokenTable &master, std::size_t row, bool textChanged);

// Folds several changes of one row into one, in the order of the rows' last
// changes: the last text and the last status win.
std::vector<TokenChange> CollapseChanges(const std::vector<TokenChange> &changes);

struct ChangeNotApplied
{
    enum Reason
    {
        KeyGone,       // no token of the file has this key any more
        MasterChanged, // the master text is not the one the text was typed against
        ReadOnlyNow    // the token has become read-only: its text cannot change
    };
    TokenChange change;
    Reason reason = KeyGone;
    std::string masterNow; // for MasterChanged
};

struct ApplyReport
{
    struct Applied
    {
        std::size_t row = 0; // the row that received the change
        bool textChanged = false;
    };
    std::vector<Applied> applied; // in order
    std::vector<ChangeNotApplied> notApplied;

    std::vector<std::size_t> rows() const;
};

// Applies changes to a project table as if they were typed again. When the
// table was loaded from the same file content as the changes were made to,
// `sameContent` is true and each change goes to its row (its key checked).
// Otherwise each goes to the token with the same key, the one nearest its old
// row when several share the key, and only if that token's master text is still
// the one the change was made against; the others are reported, not applied.
// A status change keeps the token's present read-only flag.
ApplyReport ApplyChanges(const std::vector<TokenChange> &changes, TokenTable &project, const TokenTable &master,
                         bool sameContent);

// The row of `table` with the change's key, the one nearest the change's row
// when several have it; 0 when none has.
std::size_t FindTokenByKey(const TokenChange &change, const TokenTable &table);

// A few lines per change not applied, for the user: the token's key, the master
// text then and now, and the text that was typed.
std::string DescribeNotApplied(const std::vector<ChangeNotApplied> &notApplied);
