#pragma once

#include <string>
#include <utility>
#include <vector>

// A line for the output pane, kept as bytes in pieces, each decoded for display
// by what it holds: our own fixed text (Windows-1252), a value read from a
// project file (the code page of that project's language), or a file name as
// the folder listing gave it.
struct PaneText
{
    enum Source
    {
        Fixed,
        Value,
        FileName
    };
    struct Piece
    {
        Source source = Fixed;
        std::string bytes;
    };
    std::vector<Piece> pieces;
    unsigned codePage = 1252; // of the values

    PaneText() = default;
    // A fixed text alone.
    PaneText(std::string fixedText) { add(Fixed, std::move(fixedText)); } // NOLINT: implicit on purpose
    PaneText(const char *fixedText) : PaneText(std::string(fixedText)) {}  // NOLINT

    PaneText &add(Source source, std::string bytes)
    {
        pieces.push_back({source, std::move(bytes)});
        return *this;
    }
    PaneText &fixed(std::string bytes) { return add(Fixed, std::move(bytes)); }
    PaneText &value(std::string bytes) { return add(Value, std::move(bytes)); }
    PaneText &fileName(std::string bytes) { return add(FileName, std::move(bytes)); }
    PaneText &inCodePage(unsigned number)
    {
        codePage = number;
        return *this;
    }

    // All the pieces, joined.
    std::string bytes() const
    {
        std::string all;
        for (const Piece &p : pieces)
            all += p.bytes;
        return all;
    }
};
