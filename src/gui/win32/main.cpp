// The wizard program.
#include <windows.h>

#include "gui/win32/CMirrexApp.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    CMirrexApp app(instance);
    return app.InitInstance();
}
