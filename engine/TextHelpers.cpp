#include "engine/TextHelpers.h"

#include "resources/MessageBox.h"

std::u16string IntToString(int value) { return FormatText(u"%d", value); }

int ShowMessageText(UINT style, std::u16string_view text)
{
    std::u16string owned(text);
    return AppMessageBox(owned.c_str(), style);
}

void SplitString(std::u16string_view text, std::u16string_view separator, std::vector<std::u16string>& pieces,
    bool keepEmpty)
{
    if (separator.empty())
        separator = u",";
    for (;;) {
        auto found = text.find(separator);
        if (found == std::u16string_view::npos)
            break;
        std::u16string_view piece = text.substr(0, found);
        if (!piece.empty() || keepEmpty)
            pieces.emplace_back(piece);
        text.remove_prefix(found + separator.size());
    }
    if (!text.empty())
        pieces.emplace_back(text);
}

std::u16string JoinStrings(const std::vector<std::u16string>& items, std::u16string_view separator)
{
    if (separator.empty())
        separator = u",";
    std::u16string joined;
    for (const auto& item : items) {
        joined += item;
        joined += separator;
    }
    if (!items.empty())
        joined.resize(joined.size() - separator.size());
    return joined;
}
