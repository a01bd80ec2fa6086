#pragma once

#include "resources.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

// The resources of tests/data/layout.rc, compiled by windres.
inline std::vector<std::uint8_t> LayoutResBytes()
{
    std::ifstream in(LAYOUT_RES, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline const Resource &FindResource(const ResourceFile &file, std::uint16_t type, const ResId &name)
{
    for (const Resource &r : file.resources) {
        if (r.type == ResId::of(type) && r.name == name)
            return r;
    }
    throw std::runtime_error("no such resource in layout.res");
}

inline ResId Named(const std::u16string &text)
{
    ResId id;
    id.isNumber = false;
    id.text = text;
    return id;
}
