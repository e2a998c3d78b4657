#include "platform/framework/application.h"
#include "platform/window/display.h"

// The framework's entry point: the program's global application object is registered by
// now, and runs the program on the one display the program links (a library that defines
// Display::CreateDefault: the terminal's, or a test program's headless one).
int main()
{
    quorvex::Application* application = quorvex::Application::Instance();
    return application ? application->Run(&quorvex::Display::CreateDefault) : -1;
}
