#include "app/quorvex_app.h"

#include "dialog/main_dialog.h"
#include "platform/gui/shell.h"
#include "ports/settings_store.h"
#include "resources/main_dialog_templates.h"

namespace quorvex {

QuorvexApp::QuorvexApp() = default;

QuorvexApp::~QuorvexApp() = default;

bool QuorvexApp::StartUp()
{
    EnableOrientationRelayout();
    (void)Shell::InitExtraControls();  // its result is not looked at
    // The store lives for the dialog's run; the application hands it out meanwhile.
    SettingsStore settings;
    SetProfileSettings(&settings);
    SetCompanyKey(kCompanyKey);
    {
        MainDialog dialog;
        SetMainWindow(&dialog);
        (void)dialog.DoModal();  // OK or cancel, the program ends either way
        SetMainWindow(nullptr);
    }
    SetProfileSettings(nullptr);
    return false;
}

Size QuorvexApp::PortraitLayout() const
{
    return {kPortraitDialogRect.cx, kPortraitDialogRect.cy};
}

Size QuorvexApp::LandscapeLayout() const
{
    return {kLandscapeDialogRect.cx, kLandscapeDialogRect.cy};
}

}  // namespace quorvex
