// The real main dialog on the pixel display: where its controls are drawn at the handheld's
// sizes and in a phone's window, the lamp's pixels, and a resize that must leave the window as
// a fresh start draws it.
#include <gtest/gtest.h>

#include <array>
#include <ostream>

#include "platform/resource/bitmap.h"
#include "platform/window/combo_box_window.h"
#include "platform/window/input_router.h"
#include "resources/bitmap_ids.h"
#include "resources/control_ids.h"
#include "resources/program_resources.h"
#include "tests/platform/pixel/pixel_dialog_fixture.h"

namespace quorvex {
namespace {

using testing::PixelDialogTest;

// Where a control of a template lands, in the model's pixels on the screen, worked out by
// hand from the template's dialog units and the font's base units of 7 x 13: x * 7 / 4,
// y * 13 / 8 (each rounded down), 13 lower for the caption bar. A drop-down list is one row
// (13) high; `dropped` is the height of its opened list.
struct Placed {
    int id;
    Rect rect;
    int dropped;
};

constexpr std::array<Placed, 17> kPortrait{{
    {ControlId::SettingsHeading, {15, 29, 262, 47}, 0},
    {ControlId::PortLabel, {35, 48, 112, 66}, 0},
    {ControlId::StatusLine, {113, 48, 267, 66}, 0},
    {ControlId::PortList, {113, 66, 246, 79}, 122},
    {ControlId::Placeholder, {253, 69, 271, 89}, 0},
    {ControlId::ConnectButton, {52, 99, 225, 131}, 0},
    {ControlId::ExternalPortHeading, {15, 162, 264, 180}, 0},
    {ControlId::BaudRateLabel, {35, 186, 110, 201}, 0},
    {ControlId::BaudRateList, {113, 185, 246, 198}, 101},
    {ControlId::DataBitsLabel, {35, 208, 110, 222}, 0},
    {ControlId::DataBitsList, {113, 206, 246, 219}, 101},
    {ControlId::StopBitsLabel, {35, 230, 110, 245}, 0},
    {ControlId::StopBitsList, {113, 227, 246, 240}, 101},
    {ControlId::ParityLabel, {35, 251, 110, 266}, 0},
    {ControlId::ParityList, {113, 248, 246, 261}, 101},
    {ControlId::UpperGroup, {7, 14, 273, 147}, 0},
    {ControlId::LowerGroup, {7, 147, 273, 276}, 0},
}};

constexpr std::array<Placed, 17> kLandscape{{
    {ControlId::SettingsHeading, {12, 27, 173, 63}, 0},
    {ControlId::PortLabel, {19, 74, 171, 92}, 0},
    {ControlId::StatusLine, {19, 91, 171, 108}, 0},
    {ControlId::PortList, {19, 115, 143, 128}, 122},
    {ControlId::Placeholder, {150, 118, 168, 138}, 0},
    {ControlId::ConnectButton, {19, 147, 164, 180}, 0},
    {ControlId::ExternalPortHeading, {194, 27, 353, 63}, 0},
    {ControlId::BaudRateLabel, {194, 74, 288, 89}, 0},
    {ControlId::BaudRateList, {297, 71, 357, 84}, 101},
    {ControlId::DataBitsLabel, {194, 104, 288, 118}, 0},
    {ControlId::DataBitsList, {297, 100, 357, 113}, 101},
    {ControlId::StopBitsLabel, {194, 133, 288, 147}, 0},
    {ControlId::StopBitsList, {297, 130, 357, 143}, 100},
    {ControlId::ParityLabel, {194, 162, 288, 177}, 0},
    {ControlId::ParityList, {297, 159, 357, 172}, 101},
    {ControlId::UpperGroup, {5, 13, 180, 196}, 0},
    {ControlId::LowerGroup, {185, 13, 367, 196}, 0},
}};

// The lamp, 15 x 14, at the placeholder's corner.
constexpr Rect kPortraitLamp{253, 69, 268, 83};
constexpr Rect kLandscapeLamp{150, 118, 165, 132};

// ---- Where everything is drawn ---------------------------------------------------------------

struct LayoutCase {
    const char* name;
    Size window;
    int scale;
    Size screen;
    bool landscape;
};

// Named in the test's name, and nothing else: a pointer would name it differently each run.
void PrintTo(const LayoutCase& layout, std::ostream* out)
{
    *out << layout.name;
}

class PixelLayoutTest : public PixelDialogTest, public ::testing::WithParamInterface<LayoutCase> {
protected:
    PixelLayoutTest() : PixelDialogTest(GetParam().window) {}
};

TEST_P(PixelLayoutTest, EveryControlStandsWhereTheTemplateAndTheBaseUnitsPutIt)
{
    const LayoutCase& want = GetParam();
    Run([&](MainDialog&) {
        Pump();
        EXPECT_EQ(Scale().Scale(), want.scale);
        EXPECT_EQ(Scale().Screen(), want.screen);
        EXPECT_EQ(Scale().Origin(), (Point{0, 0}));
        EXPECT_EQ(dialog->GetWindowRect(), (Rect{0, 0, want.screen.cx, want.screen.cy}));
        EXPECT_EQ(InputRouter::CaptionOkRect(*dialog, {7, 13}),
                  (Rect{want.screen.cx - 28, 0, want.screen.cx, 13}));
        for (const Placed& placed : want.landscape ? kLandscape : kPortrait) {
            SCOPED_TRACE(placed.id);
            const Window* control = dialog->GetDlgItem(placed.id);
            ASSERT_NE(control, nullptr);
            EXPECT_EQ(control->GetWindowRect(), placed.rect);
            if (placed.dropped > 0) {
                EXPECT_EQ(static_cast<const ComboBoxWindow*>(control)->DroppedHeight(),
                          placed.dropped);
            }
        }
        EXPECT_EQ(Lamp().GetWindowRect(), want.landscape ? kLandscapeLamp : kPortraitLamp);

        // Drawn there: the Connect button's border (grey, disabled while no port is chosen)
        // starts at its corner, times the scale, and paper lies just outside it.
        const Rect button = (want.landscape ? kLandscape : kPortrait)[5].rect;
        const int n = want.scale;
        EXPECT_EQ(At(Frame(), button.left * n, button.top * n), 0x808080u);
        EXPECT_EQ(At(Frame(), button.right * n - 1, button.bottom * n - 1), 0x808080u);
        EXPECT_EQ(At(Frame(), button.left * n - 1, button.top * n - 1), 0xFFFFFFu);
        // The caption bar spans the top row of the screen, one vertical base unit high.
        EXPECT_EQ(At(Frame(), 1, 1), 0x1040A0u);
        EXPECT_EQ(At(Frame(), 1, 13 * n), 0xFFFFFFu);
    });
}

INSTANTIATE_TEST_SUITE_P(
    Windows, PixelLayoutTest,
    ::testing::Values(LayoutCase{"Handheld240x320", {240, 320}, 1, {240, 320}, false},
                      LayoutCase{"Handheld320x240", {320, 240}, 1, {320, 240}, true},
                      // 280 x 282 fits twice across and five times down: twice.
                      LayoutCase{"Phone720x1440", {720, 1440}, 2, {360, 720}, false},
                      LayoutCase{"SquareTakesLandscape", {400, 400}, 1, {400, 400}, true}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

// ---- The lamp ---------------------------------------------------------------------------------

class PixelPhoneTest : public PixelDialogTest {
protected:
    PixelPhoneTest() : PixelDialogTest({720, 1440}) {}
};

TEST_F(PixelPhoneTest, TheLampShowsTheBitmapsFramesScaledByWholePixelsInEveryState)
{
    Bitmap strip;
    ASSERT_TRUE(strip.LoadBitmap(ProgramResources(), BitmapId::FrameStrip));
    struct Look {
        StatusLamp::State state;
        int dark;
        int lit;
    };
    const std::array<Look, 4> looks{{{StatusLamp::LampBlank, 3, 3},
                                     {StatusLamp::LampDark, 0, 0},
                                     {StatusLamp::LampGreen, 0, 2},
                                     {StatusLamp::LampBlue, 0, 1}}};
    Run([&](MainDialog&) {
        Pump();
        for (const Look& look : looks) {
            for (const bool lit : {false, true}) {
                SCOPED_TRACE(::testing::Message()
                             << "state " << look.state << (lit ? " lit" : " dark"));
                if (lit) {
                    Lamp().Pulse();
                } else {
                    Lamp().SetState(StatusLamp::LampBlank == look.state ? StatusLamp::LampDark
                                                                        : StatusLamp::LampBlank);
                    Lamp().SetState(look.state);
                }
                const int frame = lit ? look.lit : look.dark;
                WaitUntilLampShows(strip, frame);
                pixelDisplay->Flush(system);
                for (int y = 0; y < 28; ++y)
                    for (int x = 0; x < 30; ++x)
                        ASSERT_EQ(
                            At(Frame(), 2 * kPortraitLamp.left + x, 2 * kPortraitLamp.top + y),
                            strip.Pixel(15 * frame + x / 2, y / 2))
                            << "device pixel " << x << ", " << y << " of the lamp";
            }
        }
    });
}

TEST_F(PixelPhoneTest, APulseDrawsTheLampsRectangleAndNothingElse)
{
    Run([&](MainDialog&) {
        Pump();
        Bitmap strip;
        ASSERT_TRUE(strip.LoadBitmap(ProgramResources(), BitmapId::FrameStrip));
        Lamp().SetState(StatusLamp::LampBlue);
        WaitUntilLampShows(strip, 0);
        pixelDisplay->Flush(system);
        Lamp().Pulse();
        WaitUntilLampShows(strip, 1);
        pixelDisplay->Flush(system);
        const auto drawn = PixelDisplayTestHelper::LastDrawn(*pixelDisplay);
        ASSERT_EQ(drawn.size(), 1u);
        EXPECT_EQ(drawn[0], (Rect{506, 138, 536, 166})) << "the lamp at twice its size";
    });
}

// ---- A resize draws what a fresh start draws ---------------------------------------------

TEST_F(PixelDialogTest, AfterAResizeAndATickAnIdleWindowEqualsAFreshStartsAtThatSize)
{
    QImage resized;
    Run([&](MainDialog&) {
        Pump();
        Tick();
        Resize({720, 1440});
        ASSERT_EQ(system.ScreenPixels(), (Size{360, 720})) << "the model's screen turned with it";
        Tick();
        pixelDisplay->Flush(system);
        resized = Frame().copy();
    });
    PixelDisplayTestHelper::Scribble(*pixelDisplay, 0xFF00FF);
    Run([&](MainDialog&) {
        Tick();
        pixelDisplay->Flush(system);
        ASSERT_EQ(resized.size(), Frame().size());
        EXPECT_TRUE(resized == Frame()) << "the resized window differs from a fresh start's";
    });
}

TEST_F(PixelDialogTest, AfterATurnAndATickAConnectedWindowEqualsAFreshStartsAtThatSize)
{
    RegisterCom5(true);
    QImage turned;
    Run([&](MainDialog&) {
        Pump();
        ConnectThrough(L"Bluetooth (COM5)");
        Resize({320, 240});
        ASSERT_EQ(system.ScreenPixels(), (Size{320, 240})) << "the model's screen turned with it";
        Tick();
        system.SetFocus(dialog->GetDlgItem(ControlId::ConnectButton));
        ASSERT_FALSE(Lamp().IsLit());
        pixelDisplay->Flush(system);
        turned = Frame().copy();
    });
    // The next start finds the same port and reconnects by itself.
    Store(L"PortSelection", L"port", 1);
    Store(L"Connection", L"Status", 1);
    PixelDisplayTestHelper::Scribble(*pixelDisplay, 0xFF00FF);
    Run([&](MainDialog&) {
        Tick();
        MainDialogTestHelper::WaitForAttempt(*dialog);
        Tick(2);
        ASSERT_EQ(Text(ControlId::StatusLine), L"Connected to");
        system.SetFocus(dialog->GetDlgItem(ControlId::ConnectButton));
        ASSERT_FALSE(Lamp().IsLit());
        pixelDisplay->Flush(system);
        ASSERT_EQ(turned.size(), Frame().size());
        EXPECT_TRUE(turned == Frame()) << "the turned window differs from a fresh start's";
    });
}

}  // namespace
}  // namespace quorvex
