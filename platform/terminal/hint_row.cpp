#include "platform/terminal/hint_row.h"

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

namespace quorvex {
namespace {

struct Item {
    std::wstring_view text;
    int keep;  // 0 goes last
};

constexpr std::array<Item, 4> kKeys{{
    {L"F10: OK", 0},
    {L"Tab: next", 2},
    {L"Enter: choose", 3},
    {L"Ctrl-C: quit", 1},
}};
constexpr std::array<Item, 3> kTooSmall{{
    {L"Terminal too small.", 1},
    {L"F10: OK", 0},
    {L"Ctrl-C: quit", 2},
}};

constexpr std::size_t kMostItems = std::max(kKeys.size(), kTooSmall.size());
constexpr std::wstring_view kLead = L" ";
constexpr std::wstring_view kGap = L"   ";

std::wstring Fit(std::span<const Item> items, int columns)
{
    // Taken in the order they are kept, until one does not fit beside those taken.
    std::array<bool, kMostItems> shown{};
    std::size_t width = kLead.size();
    for (int keep = 0; keep < static_cast<int>(items.size()); ++keep) {
        const auto item = std::find_if(items.begin(), items.end(), [&](const Item& candidate) {
            return candidate.keep == keep;
        });
        const std::size_t wider = width + (keep == 0 ? 0 : kGap.size()) + item->text.size();
        if (wider > static_cast<std::size_t>(std::max(columns, 0)))
            break;
        shown[static_cast<std::size_t>(item - items.begin())] = true;
        width = wider;
    }
    std::wstring row;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (!shown[i])
            continue;
        row += row.empty() ? kLead : kGap;
        row += items[i].text;
    }
    return row;
}

}  // namespace

std::wstring HintRow::Compose(int columns, bool tooSmall)
{
    return tooSmall ? Fit(kTooSmall, columns) : Fit(kKeys, columns);
}

}  // namespace quorvex
