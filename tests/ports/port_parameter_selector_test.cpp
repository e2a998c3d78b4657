#include "ports/port_parameter_selector.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>

#include "platform/framework/application.h"
#include "platform/framework/profile_settings.h"
#include "platform/gui/combo_box.h"
#include "platform/testing/manual_clock.h"
#include "platform/window/combo_box_window.h"
#include "platform/window/headless_display.h"
#include "platform/window/window_system.h"

namespace quorvex {
namespace {

class MapSettings : public ProfileSettings {
public:
    void SetCompanyKey(std::wstring_view) override {}
    std::int32_t ReadInt(std::wstring_view section, std::wstring_view entry,
                         std::int32_t defaultValue) override
    {
        const auto found = values.find(Key(section, entry));
        return found == values.end() ? defaultValue : found->second;
    }
    bool WriteInt(std::wstring_view section, std::wstring_view entry, std::int32_t value) override
    {
        values[Key(section, entry)] = value;
        return true;
    }
    static std::wstring Key(std::wstring_view section, std::wstring_view entry)
    {
        return std::wstring(section) + L"/" + std::wstring(entry);
    }
    std::map<std::wstring, std::int32_t> values;
};

class SelectorApp : public Application {
protected:
    bool StartUp() override { return false; }
};

class PortParameterSelectorTest : public ::testing::Test {
protected:
    PortParameterSelectorTest()
    {
        app.SetProfileSettings(&settings);
        parent.Create(L"", L"", WS_POPUP | WS_VISIBLE, {0, 0, 480, 640}, nullptr, 0);
        for (std::size_t i = 0; i < lists.size(); ++i) {
            windows[i].Create(ComboBoxWindow::kClass, L"", WS_CHILD | WS_VISIBLE, {0, 0, 100, 100},
                              &parent, 1000 + static_cast<int>(i));
            lists[i].Attach(&windows[i]);
        }
    }
    ~PortParameterSelectorTest() override { app.SetProfileSettings(nullptr); }

    void Attach() { selector.Attach(lists[0], lists[1], lists[2], lists[3]); }
    std::vector<std::wstring> Rows(std::size_t list) const
    {
        std::vector<std::wstring> rows;
        for (int i = 0; i < lists[list].GetCount(); ++i)
            rows.push_back(lists[list].GetItemText(i));
        return rows;
    }

    MapSettings settings;
    SelectorApp app;
    HeadlessDisplay display;
    ManualClock clock;
    WindowSystem system{display, clock};
    Window parent;
    std::array<ComboBoxWindow, 4> windows;
    std::array<ComboBox, 4> lists;
    PortParameterSelector selector;
};

TEST_F(PortParameterSelectorTest, AFirstStartOffersTheFixedRowsAndTheDefaults)
{
    Attach();
    EXPECT_EQ(Rows(0),
              (std::vector<std::wstring>{L"110", L"300", L"600", L"1200", L"2400", L"4800", L"9600",
                                         L"19200", L"38400", L"57600", L"115200"}));
    EXPECT_EQ(Rows(1), (std::vector<std::wstring>{L"7", L"8"}));
    EXPECT_EQ(Rows(2), (std::vector<std::wstring>{L"1", L"2"}));
    EXPECT_EQ(Rows(3), (std::vector<std::wstring>{L"None", L"Odd", L"Even"}));
    EXPECT_EQ(selector.GetBaudRate(), 4800u);
    EXPECT_EQ(selector.GetDataBits(), 8);
    EXPECT_EQ(selector.GetStopBits(), 0) << "ONESTOPBIT";
    EXPECT_EQ(selector.GetParity(), 0);
}

TEST_F(PortParameterSelectorTest, RowsCarryTheLineCodesAndSavedPositionsComeBackAsTheyStand)
{
    settings.values[L"PortParameters/Baud"] = 10;
    settings.values[L"PortParameters/StopBits"] = 1;
    settings.values[L"PortParameters/Parity"] = 2;
    settings.values[L"PortParameters/DataBits"] = 0;
    Attach();
    EXPECT_EQ(selector.GetBaudRate(), 115200u);
    EXPECT_EQ(selector.GetStopBits(), 2) << "the row \"2\" carries TWOSTOPBITS, not 1";
    EXPECT_EQ(selector.GetParity(), 2) << "EVENPARITY";
    EXPECT_EQ(selector.GetDataBits(), 7);

    // Filled again, each list holds exactly its rows once more.
    lists[0].SetCurSel(2);
    selector.Save();
    Attach();
    EXPECT_EQ(lists[0].GetCount(), 11);
    EXPECT_EQ(lists[3].GetCount(), 3);
    EXPECT_EQ(selector.GetBaudRate(), 600u);
}

TEST_F(PortParameterSelectorTest, APositionOutsideTheListLeavesNoSelectionAndItIsSavedAsMinusOne)
{
    settings.values[L"PortParameters/Baud"] = 11;
    settings.values[L"PortParameters/Parity"] = -1;
    Attach();
    EXPECT_EQ(lists[0].GetCurSel(), -1);
    EXPECT_EQ(selector.GetBaudRate(), 0xFFFFFFFFu);
    EXPECT_EQ(selector.GetParity(), 255);
    selector.Save();
    EXPECT_EQ(settings.values[L"PortParameters/Baud"], -1);
    EXPECT_EQ(settings.values[L"PortParameters/DataBits"], 1);
    EXPECT_EQ(settings.values[L"PortParameters/StopBits"], 0);
    EXPECT_EQ(settings.values[L"PortParameters/Parity"], -1);
}

}  // namespace
}  // namespace quorvex
