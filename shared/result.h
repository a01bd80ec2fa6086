#pragma once

#include <string>

// How a core operation that can fail tells how it went: the kind of error (the
// enum of its domain, `None` when it worked), the file it concerns as it was
// named, and the message for the user, with the system's reason where there is
// one. Nothing below the windows throws for an expected failure.
template <typename Kind> struct Result
{
    Kind error = Kind::None;
    std::string file;
    std::string message;

    bool ok() const { return error == Kind::None; }
};
