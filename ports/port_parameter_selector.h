#pragma once

#include <cstdint>

namespace quorvex {

class ComboBox;

// The four drop-down lists of the wired port's line settings: baud rate, data bits, stop
// bits and parity. Attach fills each with its fixed rows (text, and the value that the
// serial line set-up takes) and selects the position stored in the settings, as it
// stands: a position outside the list leaves it without a selection. The getters read the
// value of the selected row; a list without a selection gives 0xFFFFFFFF for the baud rate
// and 255 for the others. Save stores the four positions (-1 for none).
//
// The lists belong to the dialog and must outlive their use here; the rows live in them,
// so the selector keeps nothing else. Settings are reached through the application object.
// Dialog thread only.
class PortParameterSelector {
public:
    PortParameterSelector() = default;
    virtual ~PortParameterSelector() = default;
    PortParameterSelector(const PortParameterSelector&) = delete;
    PortParameterSelector& operator=(const PortParameterSelector&) = delete;

    // Keeps the four lists, empties them, fills them and restores the saved positions.
    void Attach(ComboBox& baudRateList, ComboBox& dataBitsList, ComboBox& stopBitsList,
                ComboBox& parityList);
    void Save();

    std::uint32_t GetBaudRate() const;
    std::uint8_t GetDataBits() const;
    std::uint8_t GetStopBits() const;
    std::uint8_t GetParity() const;

private:
    static std::uint32_t SelectedValue(const ComboBox* list);

    ComboBox* baudRate = nullptr;
    ComboBox* dataBits = nullptr;
    ComboBox* stopBits = nullptr;
    ComboBox* parity = nullptr;
};

}  // namespace quorvex
