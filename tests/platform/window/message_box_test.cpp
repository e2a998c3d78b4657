#include "platform/window/message_box.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/framework/application.h"
#include "platform/framework/profile_settings.h"
#include "platform/system/program_file.h"
#include "platform/window/window.h"
#include "platform/window/window_system.h"
#include "platform/window/window_system_test_helper.h"
#include "tests/support/headless_screen.h"

namespace quorvex {
namespace {

class TestApp : public Application {
protected:
    bool StartUp() override { return false; }
};

class MessageBoxTest : public ::testing::Test, protected testing::HeadlessScreen {
protected:
    MessageBoxTest()
    {
        owner.Create(L"Dialog", L"", WS_POPUP | WS_VISIBLE | WS_CAPTION, {0, 0, 480, 640}, nullptr,
                     0);
    }

    // Shows a box and answers it with these input events once it is up.
    int ShowAnswering(std::uint32_t type, std::initializer_list<InputEvent> events)
    {
        std::vector<InputEvent> script(events);
        WindowSystemTestHelper::SetMessageBoxHook(system, [&, script](MessageBox&) {
            for (const InputEvent& event : script)
                system.Deliver(event);
        });
        return MessageBox::Show(&owner, L"Text", L"Caption", type);
    }

    Window owner;
};

TEST_F(MessageBoxTest, KeysChooseAmongTheBoxsButtons)
{
    EXPECT_EQ(ShowAnswering(MB_OKCANCEL, {InputEvent::Press(Key::Enter)}), IDOK)
        << "OK has the focus first";
    EXPECT_EQ(
        ShowAnswering(MB_OKCANCEL, {InputEvent::Press(Key::Right), InputEvent::Press(Key::Space)}),
        IDCANCEL);
    EXPECT_EQ(
        ShowAnswering(MB_OKCANCEL, {InputEvent::Press(Key::Left), InputEvent::Press(Key::Enter)}),
        IDCANCEL)
        << "focus wraps around";
    EXPECT_EQ(ShowAnswering(MB_OKCANCEL, {InputEvent::Press(Key::Escape)}), IDCANCEL);
    EXPECT_EQ(ShowAnswering(MB_OK, {InputEvent::Press(Key::Escape)}), IDOK);
    EXPECT_EQ(ShowAnswering(MB_YESNO, {InputEvent::Press(Key::Escape), InputEvent::Press(Key::Tab),
                                       InputEvent::Press(Key::Enter)}),
              IDNO)
        << "Escape does nothing without Cancel";
}

TEST_F(MessageBoxTest, ClicksHitTheButtonsWhereTheLayoutPutsThem)
{
    int answer = 0;
    WindowSystemTestHelper::SetMessageBoxHook(system, [&](MessageBox& box) {
        const auto layout = box.Arrange(system.ScreenPixels(), system.CellPixels());
        ASSERT_EQ(layout.buttons.size(), 2u);
        WindowSystemTestHelper::Click(system, {layout.box.left + 1, layout.box.top + 1});
        EXPECT_FALSE(box.IsAnswered()) << "a click on the text answers nothing";
        const Point ok{layout.buttons[0].left + 1, layout.buttons[0].top + 1};
        system.Deliver(InputEvent::ButtonDownAt(ok));
        EXPECT_EQ(system.PressedBoxButton(box), 0) << "held, so a display can draw it pressed";
        system.Deliver(InputEvent::ButtonUpAt({layout.buttons[1].left + 1, layout.buttons[1].top}));
        EXPECT_FALSE(box.IsAnswered()) << "OK pressed, released on Cancel: no answer";
        EXPECT_EQ(system.PressedBoxButton(box), -1);
        WindowSystemTestHelper::Click(system,
                                      {layout.buttons[1].left + 1, layout.buttons[1].top + 1});
    });
    answer = MessageBox::Show(&owner, L"Text", L"Caption", MB_OKCANCEL);
    EXPECT_EQ(answer, IDCANCEL);
}

TEST_F(MessageBoxTest, LayoutWrapsTheTextInsideACentredBox)
{
    std::optional<MessageBox::Layout> layout;
    WindowSystemTestHelper::SetMessageBoxHook(system, [&](MessageBox& box) {
        layout = box.Arrange({480, 640}, {8, 16});
        box.Answer(IDOK);
    });
    MessageBox::Show(
        &owner,
        L"NMEA sentences may be delayed or discarded if a baud rate of 4800 or lower is selected. "
        L"Averyveryveryveryveryverylongwordthatcannotfit.",
        L"quorvex", MB_OKCANCEL);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->box.Width(), 40 * 8);
    EXPECT_EQ(layout->box.left, (480 - 320) / 2);
    for (const std::wstring& line : layout->lines)
        EXPECT_LE(line.size(), 36u) << std::string(line.begin(), line.end());
    EXPECT_EQ(layout->lines.front(), L"NMEA sentences may be delayed or");
    EXPECT_EQ(layout->box.Height(), static_cast<int>(layout->lines.size() + 5) * 16);
    EXPECT_TRUE(layout->box.Contains(layout->buttons.back().TopLeft()));
}

TEST_F(MessageBoxTest, AnIconKeepsASquareOfTwoRowsLeftOfTheText)
{
    std::vector<MessageBox::Layout> layouts;
    WindowSystemTestHelper::SetMessageBoxHook(system, [&](MessageBox& box) {
        layouts.push_back(box.Arrange({240, 320}, {7, 13}));
        box.Answer(IDOK);
    });
    MessageBox::Show(&owner, L"Leave?", L"quorvex", MB_OK | MB_ICONEXCLAMATION);
    MessageBox::Show(&owner, L"Leave?", L"quorvex", MB_OK);
    ASSERT_EQ(layouts.size(), 2u);
    // 32 columns of 7 pixels, centred in whole columns and rows; the icon 26 x 26, two
    // columns and two rows in; the text a column past the icon's four whole columns. One
    // line beside the icon still takes the icon's two rows: 7 rows of 13 in all.
    const MessageBox::Layout& icon = layouts[0];
    EXPECT_EQ(icon.box, (Rect{7, 104, 231, 195}));
    EXPECT_EQ(icon.icon, (Rect{21, 130, 47, 156}));
    EXPECT_EQ(icon.text, (Point{56, 130}));
    const MessageBox::Layout& plain = layouts[1];
    EXPECT_EQ(plain.icon, Rect());
    EXPECT_EQ(plain.text, (Point{21, 143}));
    EXPECT_EQ(plain.box.Height(), 6 * 13);
}

TEST_F(MessageBoxTest, ACloseRequestCancelsTheBoxAndThenReachesTheDialog)
{
    class Closing : public Window {
    public:
        bool closed = false;

    protected:
        void OnClose() override { closed = true; }
    } dialog;
    dialog.Create(L"Dialog", L"", WS_POPUP | WS_VISIBLE, {0, 0, 480, 640}, nullptr, 0);
    WindowSystemTestHelper::SetMessageBoxHook(
        system, [&](MessageBox&) { system.Deliver(InputEvent::CloseRequest()); });
    EXPECT_EQ(MessageBox::Show(&dialog, L"Leave?", L"quorvex", MB_OKCANCEL), IDCANCEL);
    EXPECT_FALSE(dialog.closed) << "not inside the handler that asked";
    system.DispatchPending();
    EXPECT_TRUE(dialog.closed);
}

class FakeSettings : public ProfileSettings {
public:
    void SetCompanyKey(std::wstring_view name) override { company = name; }
    std::int32_t ReadInt(std::wstring_view section, std::wstring_view entry,
                         std::int32_t defaultValue) override
    {
        const auto found = values.find(std::wstring(section) + L"/" + std::wstring(entry));
        return found == values.end() ? defaultValue : found->second;
    }
    bool WriteInt(std::wstring_view section, std::wstring_view entry, std::int32_t value) override
    {
        values[std::wstring(section) + L"/" + std::wstring(entry)] = value;
        return true;
    }

    std::wstring company;
    std::map<std::wstring, std::int32_t> values;
};

TEST_F(MessageBoxTest, TheApplicationsServiceNamesItselfAndPicksTheIcon)
{
    TestApp app;
    EXPECT_EQ(Application::Instance(), &app);
    std::uint32_t shown = 0;
    Window* shownOwner = nullptr;
    std::wstring caption;
    WindowSystemTestHelper::SetMessageBoxHook(system, [&](MessageBox& box) {
        shown = box.Type();
        caption = box.Caption();
        shownOwner = box.Owner();
        box.Answer(box.Buttons().front());
    });
    EXPECT_EQ(app.DoMessageBox(L"?", MB_YESNO), IDYES);
    EXPECT_EQ(shown, MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND);
    EXPECT_EQ(shownOwner, &owner) << "the active top-level window owns the box";
    EXPECT_EQ(caption, L"platform_window_test") << "the program file's name";
    app.DoMessageBox(L"!", MB_OK);
    EXPECT_EQ(shown, MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
    app.DoMessageBox(L"?", MB_OKCANCEL | MB_ICONQUESTION);
    EXPECT_EQ(shown, MB_OKCANCEL | MB_ICONQUESTION | MB_SETFOREGROUND) << "a named icon stays";

    EXPECT_EQ(app.ReadInt(L"Connection", L"Status", 7), 7) << "no store: the default";
    EXPECT_FALSE(app.WriteInt(L"Connection", L"Status", 1));
    FakeSettings store;
    app.SetProfileSettings(&store);
    app.SetCompanyKey(L"Local AppWizard-Generated Applications");
    EXPECT_EQ(store.company, L"Local AppWizard-Generated Applications");
    EXPECT_TRUE(app.WriteInt(L"Connection", L"Status", 1));
    EXPECT_EQ(app.ReadInt(L"Connection", L"Status", 0), 1);

    EXPECT_FALSE(Application::IsOrientationRelayoutEnabled());
    Application::EnableOrientationRelayout();
    EXPECT_TRUE(Application::IsOrientationRelayoutEnabled());
    Application::EnableOrientationRelayout(false);
}

}  // namespace
}  // namespace quorvex
