// The wizard program. mirrex.exe [FILE.klx41] opens the wizard, on the page
// of the file to replicate when a configuration file is given (a double
// click on it).
#include <windows.h>

#include "gui/win32/CMirrexApp.h"
#include "platform/Console.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    CMirrexApp app(instance);
    // The arguments come from the system's wide command line.
    return app.InitInstance(ProgramArguments(0, nullptr));
}
