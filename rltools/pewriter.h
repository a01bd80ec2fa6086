#pragma once

#include "pieceimage.h"
#include "resources.h"

#include <cstdint>
#include <string>
#include <vector>

// A PE image with a new resource section, and what the user should be told
// about the rewrite.
struct PeRewrite
{
    std::vector<std::uint8_t> image;
    std::vector<std::string> notes;
};

// Rebuilds the resource section of a PE image from these resources. The new
// section takes the old one's place when it fits, grows in place when the old one
// is the last in memory, and is otherwise added at the end of the image under
// the name ".rsrc" while the old one, renamed ".oldrsrc", gives up its file
// space. Every other section keeps its bytes; what follows the sections in the
// file (COFF symbols and strings, overlay) follows them again, and the offsets
// that point there (the symbol table, debug directory entries) are moved with
// it. A certificate table cannot stay valid and is dropped, with a note.
// Throws ResourceError.
PeRewrite WritePeResources(const std::vector<std::uint8_t> &image, const std::vector<Resource> &resources);

// The same rewrite as pieces: neither the source's bytes that stay nor the
// resources' data are copied (the image refers to `source`, which must outlive
// it, and to the resources, which it keeps).
struct PeRewritePieces
{
    PieceImage image;
    std::vector<std::string> notes;
    std::vector<Resource> resources; // the new section's data, which the image refers to
};
PeRewritePieces WritePeResourcePieces(const std::vector<std::uint8_t> &source, std::vector<Resource> resources);

// A resource section: directories, data entries, names and data, its data
// entries giving RVAs for a section placed at `rva`.
std::vector<std::uint8_t> BuildResourceSection(const std::vector<Resource> &resources, std::uint32_t rva);
