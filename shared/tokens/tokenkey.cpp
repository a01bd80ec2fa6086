#include "tokenkey.h"

#include "tokenline.h"

std::string KeyText(std::string_view type, std::string_view name, std::string_view item, std::string_view position,
                    std::string_view extra)
{
    std::string front;
    front.reserve(type.size() + name.size() + item.size() + position.size() + 3);
    front.append(type).append(1, '|').append(name).append(1, '|').append(item).append(1, '|').append(position);
    return KeyText(TokenKey{front, extra});
}

std::string KeyText(const TokenTable &table, std::size_t row)
{
    return KeyText(table.keyOf(row));
}

std::string TokenLine(std::string_view type, std::string_view name, std::string_view item, std::string_view position,
                      std::string_view status, std::string_view extra, std::string_view text)
{
    std::string_view cells[TokenColumnCount];
    cells[ColText] = text;
    cells[ColType] = type;
    cells[ColId2] = name;
    cells[ColId3] = item;
    cells[ColId4] = position;
    cells[ColStatus] = status;
    cells[ColId6] = extra;
    std::string out;
    out.reserve(type.size() + name.size() + item.size() + position.size() + status.size() + extra.size() +
                text.size() + 12);
    AppendTokenLine(cells, out);
    out += "\r\n";
    return out;
}
