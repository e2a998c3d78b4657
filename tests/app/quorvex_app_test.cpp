#include "app/quorvex_app.h"

#include <gtest/gtest.h>

#include "dialog/main_dialog.h"
#include "platform/testing/manual_clock.h"
#include "platform/window/headless_display.h"
#include "platform/window/message_box.h"
#include "platform/window/window_system.h"
#include "platform/window/window_system_test_helper.h"
#include "tests/support/file_text.h"
#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

class StartedApp : public QuorvexApp {
public:
    using QuorvexApp::StartUp;
};

TEST(QuorvexAppTest, StartUpRunsTheDialogWithItsSettingsUnderTheProgramsNameUntilItEnds)
{
    testing::TempPrefix prefix;
    HeadlessDisplay display({640, 368}, {8, 16});
    ManualClock clock;
    WindowSystem system(display, clock);
    StartedApp app;
    bool shown = false;
    WindowSystemTestHelper::SetIdleHook(system, [&] {
        shown = dynamic_cast<MainDialog*>(app.MainWindow()) != nullptr;
        EXPECT_TRUE(Application::IsOrientationRelayoutEnabled());
        system.Deliver(InputEvent::CloseRequest());
        return true;
    });
    EXPECT_FALSE(app.StartUp()) << "no loop beyond the dialog's";
    EXPECT_TRUE(shown) << "the main dialog is the main window while it runs";
    EXPECT_EQ(app.MainWindow(), nullptr);
    EXPECT_TRUE(system.TopLevelWindows().empty()) << "the dialog is gone";
    // The close request saved the choices under the company key and the program's name.
    const std::string hive = testing::ReadFile(prefix.Path() / "user.reg");
    EXPECT_NE(hive.find("[HKEY_CURRENT_USER\\software\\Local AppWizard-Generated "
                        "Applications\\app_test\\Connection]"),
              std::string::npos)
        << hive;
    Application::EnableOrientationRelayout(false);
}

}  // namespace
}  // namespace quorvex
