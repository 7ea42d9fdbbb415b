// The wizard program. mirrex --version says which version it is, without a
// display.
#include <QApplication>

#include <cstdio>
#include <string_view>

#include "gui/qt/CMirrexApp.h"
#include "resources/ProgramVersion.h"

int main(int argc, char** argv)
{
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::printf("mirrex %s\n", texts::kProgramVersion);
        return 0;
    }
    QApplication application(argc, argv);
    CMirrexApp app;
    return app.InitInstance();
}
