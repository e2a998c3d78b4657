#pragma once

#include "platform/framework/application.h"

namespace quorvex {

// The application object. StartUp switches on the dialog's relayout, initialises the
// shell, names the settings' company key and runs the main dialog modally; when the
// dialog ends, the program ends. The settings live under HKEY_CURRENT_USER, "software",
// the company key below, then the program file's name. Main thread only.
class QuorvexApp : public Application {
public:
    static constexpr std::wstring_view kCompanyKey = L"Local AppWizard-Generated Applications";

    QuorvexApp();
    ~QuorvexApp() override;

protected:
    // Always false: there is no loop beyond the dialog's own.
    bool StartUp() override;

    // The main dialog's templates 102 and 103.
    Size PortraitLayout() const override;
    Size LandscapeLayout() const override;
};

}  // namespace quorvex
