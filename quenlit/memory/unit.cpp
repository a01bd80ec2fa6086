#include "memory/unit.h"

namespace memory {

std::string ReadError::text() const
{
    return line == 0 ? file + ": " + message : file + ":" + std::to_string(line) + ": " + message;
}

} // namespace memory
