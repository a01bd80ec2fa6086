#include "tokenstatus.h"

#include "numbers.h"

std::int64_t StatusOf(std::string_view cell)
{
    return LeadingInteger(cell);
}

std::string StatusName(std::int64_t status)
{
    static const char *const names[8] = {"",          "Non-translated", "Read-only", "Read-only",
                                         "Translated", "Non-translated", "Read-only", "Read-only"};
    if (status >= 0 && status < 8)
        return names[status];
    return IntegerToText(status);
}
