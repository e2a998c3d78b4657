#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window/window.h"

namespace quorvex {

// A drop-down list that cannot be typed into: items with 32-bit values and one selection
// (-1 for none). The window is one character row high; the height asked for when it is
// created or sized is the height of its opened list, which opens below it (above when the
// screen has no room below). Only a selection the user changes sends CBN_SELCHANGE to the
// parent; the program's own SetCurSel sends nothing. UI thread only.
class ComboBoxWindow : public Window {
public:
    static constexpr std::wstring_view kClass = L"combobox";

    void ResetContent();
    int AddString(std::wstring_view text);  // the new item's index, -1 on failure
    int GetCount() const { return static_cast<int>(items.size()); }
    std::wstring GetItemText(int index) const;
    bool SetItemData(int index, std::int32_t value);
    std::int32_t GetItemData(int index) const;  // -1 for no such item
    int SetCurSel(int index);  // -1 clears; returns the index, -1 when out of range
    int GetCurSel() const { return selection; }

    // The opened list, as the display shows it and the input router works it.
    int DroppedHeight() const { return droppedHeight; }
    Rect ListRect() const;  // on the screen
    int VisibleRows() const;
    int FirstVisible() const { return firstVisible; }
    int Highlight() const { return highlight; }

    // The user's actions. Open starts with the current selection highlighted; Choose sets
    // the highlighted item as the selection (CBN_SELCHANGE when it changed).
    void OpenByUser();
    void MoveHighlight(int to);
    void ChooseByUser();

protected:
    Rect AdjustRect(const Rect& asked) override;

private:
    struct Item {
        std::wstring text;
        std::int32_t value = 0;
    };

    std::vector<Item> items;
    int selection = -1;
    int droppedHeight = 0;
    int highlight = -1;
    int firstVisible = 0;
};

}  // namespace quorvex
