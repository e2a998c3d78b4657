#include "platform/application.h"

// The framework's entry point: the program's global application object is registered by
// now, and runs the program.
int main()
{
    quorvex::Application* application = quorvex::Application::Instance();
    return application ? application->Run() : -1;
}
