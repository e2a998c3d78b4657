#include "platform/framework/application.h"
#include "platform/window/display_source.h"

// The framework's entry point: the program's global application object is registered by
// now, and runs the program on the display source of the one display library the program
// links (a library that defines DisplaySource::CreateDefault: the quorvex program's, the
// terminal's, or a test program's headless one).
int main()
{
    quorvex::Application* application = quorvex::Application::Instance();
    if (!application)
        return -1;
    const std::unique_ptr<quorvex::DisplaySource> source = quorvex::DisplaySource::CreateDefault();
    return application->Run(*source);
}
