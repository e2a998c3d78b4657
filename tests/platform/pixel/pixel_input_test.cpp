// What the user does at the pixel display's window, through its input path (Qt's events, the
// display's queue, the model's pairing): taps, clicks and keys change the model as they
// should, a press released elsewhere presses nothing, and what a press holds is drawn
// pressed while it is held.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QPointingDevice>
#include <QTest>
#include <algorithm>
#include <csignal>
#include <string_view>

#include "platform/window/combo_box_window.h"
#include "platform/window/input_router.h"
#include "platform/window/message_box.h"
#include "resources/control_ids.h"
#include "tests/platform/pixel/pixel_dialog_fixture.h"

namespace quorvex {
namespace {

using testing::PixelDialogTest;

// The tests that aim at the model's controls run in a phone's window, where the dialog is
// drawn twice its size (pixel_dialog_test.cpp pins the scale): a point of the model's screen
// is twice as far into the window.
constexpr int kScale = 2;

QPoint InWindow(Point model)
{
    return {model.x * kScale, model.y * kScale};
}

QPoint Middle(const Rect& model)
{
    return InWindow({(model.left + model.right) / 2, (model.top + model.bottom) / 2});
}

// A touchscreen, a touchpad and a pen, as Qt's platforms report them; alive as long as the
// application.
QPointingDevice& TouchScreen()
{
    static QPointingDevice* const device =
        QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen);
    return *device;
}

QPointingDevice& TouchPad()
{
    static QPointingDevice* const device =
        QTest::createTouchDevice(QInputDevice::DeviceType::TouchPad);
    return *device;
}

const QPointingDevice& Pen()
{
    static const QPointingDevice device(QStringLiteral("pen"), 7, QInputDevice::DeviceType::Stylus,
                                        QPointingDevice::PointerType::Pen,
                                        QInputDevice::Capability::Position, 1, 2);
    return device;
}

class PixelInputTest : public PixelDialogTest {
protected:
    PixelInputTest() : PixelDialogTest({720, 1440}) {}

    void SetUp() override { ASSERT_EQ(Scale().Scale(), kScale); }

    Rect Place(int id) const { return dialog->GetDlgItem(id)->GetWindowRect(); }
    ComboBoxWindow& List(int id) const
    {
        return *static_cast<ComboBoxWindow*>(dialog->GetDlgItem(id));
    }

    // Chooses, by keys, the last port, a Bluetooth one that Connect asks nothing about, once
    // the receiver port is found free, and returns where Connect stands, enabled and not
    // drawn pressed.
    Rect ReadyToConnect()
    {
        Pump();
        Tick();
        for (const Qt::Key key : {Qt::Key_Enter, Qt::Key_End, Qt::Key_Enter})
            QTest::keyClick(&QtWindow(), key);
        Pump();
        const Rect connect = Place(ControlId::ConnectButton);
        EXPECT_TRUE(Enabled(ControlId::ConnectButton));
        EXPECT_FALSE(DrawnPressed(connect));
        return connect;
    }

    // A finger touches the screen at `at`; a finger is lifted at `at`; both, a tap.
    void Touch(QPoint at) { QTest::touchEvent(&QtWindow(), &TouchScreen()).press(0, at); }
    void Lift(QPoint at) { QTest::touchEvent(&QtWindow(), &TouchScreen()).release(0, at); }
    void Tap(QPoint at)
    {
        Touch(at);
        Lift(at);
        Pump();
    }

    // A mouse press and release at `at` that a platform or Qt made from another device's
    // events (`source` says which).
    void MadeClick(QPoint at, Qt::MouseEventSource source, const QPointingDevice& from)
    {
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent made(type, at, at, QtWindow().mapToGlobal(at), Qt::LeftButton,
                             type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                             Qt::NoModifier, source, &from);
            QCoreApplication::sendEvent(&QtWindow(), &made);
        }
        Pump();
    }

    // The mouse pressed on `button` (`name`), which is drawn pressed while held, and released
    // at `at`.
    void PressThenReleaseAt(const Rect& button, const char* name, QPoint at)
    {
        QTest::mousePress(&QtWindow(), Qt::LeftButton, {}, Middle(button));
        Pump();
        EXPECT_TRUE(DrawnPressed(button)) << name << ", held down by the mouse";
        QTest::mouseRelease(&QtWindow(), Qt::LeftButton, {}, at);
        Pump();
        EXPECT_FALSE(DrawnPressed(button)) << name << ", released";
    }

    // The share of the device pixels under model rectangle `model` that have `colour`.
    double Share(const Rect& model, QRgb colour) const
    {
        int count = 0;
        int all = 0;
        for (int y = model.top * kScale; y < model.bottom * kScale; ++y)
            for (int x = model.left * kScale; x < model.right * kScale; ++x, ++all)
                count += At(Frame(), x, y) == colour ? 1 : 0;
        return all == 0 ? 0 : static_cast<double>(count) / all;
    }
    // Drawn pressed: a push button inverted, mostly ink; the caption's OK filled white, twice
    // the white that its ring and letters alone give (a fifth of its rectangle).
    bool DrawnPressed(const Rect& button) const { return Share(button, 0x000000) > 0.5; }
    bool CaptionOkDrawnPressed() const
    {
        return Share(InputRouter::CaptionOkRect(*dialog, system.CellPixels()), 0xFFFFFF) > 0.4;
    }

    // Where row `row` of the open list `list` stands.
    QPoint Row(const ComboBoxWindow& list, int row) const
    {
        const Rect rows = list.ListRect();
        const int top = rows.top + (row - list.FirstVisible()) * system.CellPixels().cy;
        return InWindow({(rows.left + rows.right) / 2, top + system.CellPixels().cy / 2});
    }
    int RowOf(int listId, std::wstring_view text) const
    {
        const auto rows = Rows(listId);
        return static_cast<int>(std::find(rows.begin(), rows.end(), text) - rows.begin());
    }
};

// ---- Taps -------------------------------------------------------------------------------

TEST_F(PixelInputTest, ATapOpensTheListAndATapOnARowChoosesItOnceAndMouseCopiesActNoMore)
{
    Run([&](MainDialog&) {
        Pump();
        Tick();  // the receiver port is found free
        ComboBoxWindow& ports = List(ControlId::PortList);
        const QPoint field = Middle(Place(ControlId::PortList));

        // Where the platform reports a finger only as the mouse, those are the taps.
        MadeClick(field, Qt::MouseEventSynthesizedBySystem, TouchScreen());
        ASSERT_EQ(system.OpenList(), &ports) << "a tap the platform sent as the mouse";
        QTest::keyClick(&QtWindow(), Qt::Key_Escape);
        Pump();
        ASSERT_EQ(system.OpenList(), nullptr);

        // Where it sends touches, its mouse copies of them repeat what the touch did.
        Tap(field);
        EXPECT_EQ(system.OpenList(), &ports) << "a tap opens the list";
        MadeClick(field, Qt::MouseEventSynthesizedBySystem, TouchScreen());
        ASSERT_EQ(system.OpenList(), &ports) << "the platform's copy of the tap closed it";
        MadeClick(field, Qt::MouseEventSynthesizedByQt, TouchScreen());
        ASSERT_EQ(system.OpenList(), &ports) << "Qt's copy of the tap closed it";

        const int com9 = RowOf(ControlId::PortList, L"Bluetooth (COM9)");
        const QPoint row = Row(ports, com9);
        Tap(row);
        EXPECT_EQ(system.OpenList(), nullptr);
        EXPECT_EQ(Selection(ControlId::PortList), com9) << "a tap on a row chooses it";
        MadeClick(row, Qt::MouseEventSynthesizedBySystem, TouchScreen());
        EXPECT_EQ(system.OpenList(), nullptr) << "the copy of the tap acted again";

        // A pen's events, which Qt passes on as the mouse, are no copies of a touch.
        MadeClick(field, Qt::MouseEventSynthesizedByQt, Pen());
        EXPECT_EQ(system.OpenList(), &ports) << "a pen opens the list";
    });
}

TEST_F(PixelInputTest, ATapPressesConnectWhenTheFingerLiftsAndItIsDrawnPressedWhileHeld)
{
    Run([&](MainDialog&) {
        const Rect connect = ReadyToConnect();

        Touch(Middle(connect));
        Pump();
        EXPECT_TRUE(DrawnPressed(connect)) << "held down";
        EXPECT_EQ(Requested(), MainDialog::Idle) << "nothing happens before the lift";
        Lift(Middle(connect));
        Pump();
        EXPECT_EQ(Requested(), MainDialog::Connecting);
        EXPECT_FALSE(DrawnPressed(connect)) << "lifted";
    });
}

// ---- A press released elsewhere -------------------------------------------------------------

TEST_F(PixelInputTest, APressReleasedElsewhereOrTakenAwayPressesNothing)
{
    Run([&](MainDialog&) {
        const Rect connect = ReadyToConnect();
        const QPoint beside = Middle(Place(ControlId::StatusLine));

        PressThenReleaseAt(connect, "Connect", beside);
        EXPECT_EQ(Requested(), MainDialog::Idle) << "the mouse released beside Connect";

        Touch(Middle(connect));
        Lift(beside);
        Pump();
        EXPECT_EQ(Requested(), MainDialog::Idle) << "the finger lifted beside Connect";

        Touch(Middle(connect));
        Pump();
        QTouchEvent cancel(QEvent::TouchCancel, &TouchScreen());
        QCoreApplication::sendEvent(&QtWindow(), &cancel);
        Pump();
        EXPECT_FALSE(DrawnPressed(connect));
        EXPECT_EQ(Requested(), MainDialog::Idle) << "the touch taken away";

        QTest::mousePress(&QtWindow(), Qt::LeftButton, {}, Middle(connect));
        Pump();
        QFocusEvent focusOut(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QCoreApplication::sendEvent(&QtWindow(), &focusOut);
        Pump();
        EXPECT_FALSE(DrawnPressed(connect)) << "another window took the input";
        QTest::mouseRelease(&QtWindow(), Qt::LeftButton, {}, Middle(connect));
        Pump();
        EXPECT_EQ(Requested(), MainDialog::Idle) << "a release after the press was taken away";

        QTest::touchEvent(&QtWindow(), &TouchPad()).press(0, Middle(connect));
        QTest::touchEvent(&QtWindow(), &TouchPad()).release(0, Middle(connect));
        Pump();
        EXPECT_EQ(Requested(), MainDialog::Idle) << "a touchpad's touch";

        QTest::mouseClick(&QtWindow(), Qt::LeftButton, {}, Middle(connect));
        Pump();
        EXPECT_EQ(Requested(), MainDialog::Connecting) << "a click on Connect";
    });
}

// ---- The caption's OK and the question ------------------------------------------------------

TEST_F(PixelInputTest, TheCaptionsOkAndTheQuestionsButtonsAreDrawnPressedWhileHeldAndAnswerByClicks)
{
    answers = {IDCANCEL};  // only if the clicks below do not answer
    whileAsking = [&] {
        const MessageBox& box = *system.MessageBoxes().back();
        const auto layout = box.Arrange(system.ScreenPixels(), system.CellPixels());
        ASSERT_EQ(box.Buttons().front(), IDOK);
        const Rect ok = layout.buttons.front();
        const QPoint text = InWindow(layout.text);

        PressThenReleaseAt(ok, "the question's OK", text);
        EXPECT_FALSE(box.IsAnswered()) << "released on the question's text";

        Tap(Middle(ok));
        EXPECT_TRUE(box.IsAnswered()) << "a tap on OK";
    };
    const int result = Run([&](MainDialog&) {
        Pump();
        QTest::keyClick(&QtWindow(), Qt::Key_Down);  // a port chosen: OK asks
        Pump();
        const QPoint captionOk = Middle(InputRouter::CaptionOkRect(*dialog, system.CellPixels()));
        ASSERT_FALSE(CaptionOkDrawnPressed());
        QTest::mousePress(&QtWindow(), Qt::LeftButton, {}, captionOk);
        Pump();
        EXPECT_TRUE(CaptionOkDrawnPressed()) << "held down";
        EXPECT_TRUE(questions.empty()) << "nothing asked before the release";
        QTest::mouseRelease(&QtWindow(), Qt::LeftButton, {}, captionOk);
        Pump();
    });
    EXPECT_EQ(questions.size(), 1u);
    EXPECT_EQ(result, IDOK) << "the question answered OK by the tap";
}

// ---- Keys and close requests ------------------------------------------------------------

TEST_F(PixelDialogTest, KeysChooseAPortMoveTheFocusAndPressConnect)
{
    Run([&](MainDialog&) {
        Pump();
        Tick();  // the receiver port is found free
        ASSERT_EQ(system.GetFocus(), dialog->GetDlgItem(ControlId::PortList));
        QTest::keyClick(&QtWindow(), Qt::Key_Down);
        Pump();
        EXPECT_EQ(Selection(ControlId::PortList), 1) << "Down chooses the next port";
        EXPECT_TRUE(Enabled(ControlId::ConnectButton));
        QTest::keyClick(&QtWindow(), Qt::Key_Tab);
        Pump();
        EXPECT_EQ(system.GetFocus(), dialog->GetDlgItem(ControlId::ConnectButton));
        QTest::keyClick(&QtWindow(), Qt::Key_Tab, Qt::ShiftModifier);
        Pump();
        EXPECT_EQ(system.GetFocus(), dialog->GetDlgItem(ControlId::PortList)) << "Shift-Tab";
        QTest::keyClick(&QtWindow(), Qt::Key_Space);
        QTest::keyClick(&QtWindow(), Qt::Key_End);
        QTest::keyClick(&QtWindow(), Qt::Key_Escape);
        Pump();
        EXPECT_EQ(Selection(ControlId::PortList), 1) << "Esc closes the list without a choice";
        QTest::keyClick(&QtWindow(), Qt::Key_Enter);
        QTest::keyClick(&QtWindow(), Qt::Key_End);
        QTest::keyClick(&QtWindow(), Qt::Key_Enter);
        Pump();
        EXPECT_EQ(Rows(ControlId::PortList).at(Selection(ControlId::PortList)), L"Bluetooth (COM9)")
            << "Enter opens the list, End goes to its last item, Enter chooses it";
        QTest::keyClick(&QtWindow(), Qt::Key_Tab);
        QTest::keyClick(&QtWindow(), Qt::Key_Return);
        Pump();
        EXPECT_EQ(Requested(), MainDialog::Connecting) << "Enter on Connect asks to connect";
    });
}

TEST_F(PixelDialogTest, F10AndCtrlOAreTheCaptionsOk)
{
    answers = {IDCANCEL, IDOK};
    const int result = Run([&](MainDialog&) {
        Pump();
        QTest::keyClick(&QtWindow(), Qt::Key_Down);
        QTest::keyClick(&QtWindow(), Qt::Key_F10);
        Pump();
        ASSERT_EQ(questions.size(), 1u);
        EXPECT_FALSE(dialog->IsEnded()) << "Cancel keeps the dialog";
        QTest::keyClick(&QtWindow(), Qt::Key_O, Qt::ControlModifier);
        Pump();
    });
    EXPECT_EQ(questions.size(), 2u);
    EXPECT_EQ(result, IDOK);
}

TEST_F(PixelDialogTest, TheWindowsCloseButtonAndSigtermLeaveWithoutAsking)
{
    for (const bool bySignal : {false, true}) {
        SCOPED_TRACE(bySignal ? "SIGTERM" : "close button");
        const int result = Run([&](MainDialog&) {
            Pump();
            QTest::keyClick(&QtWindow(), Qt::Key_Down);  // a port chosen: OK would ask
            Pump();
            if (bySignal)
                ASSERT_EQ(std::raise(SIGTERM), 0);
            else
                QtWindow().close();
            Pump();
            EXPECT_TRUE(dialog->IsEnded());
        });
        EXPECT_TRUE(questions.empty());
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_TRUE(QtWindow().isVisible()) << "the window stays until the program ends";
    }
}

}  // namespace
}  // namespace quorvex
