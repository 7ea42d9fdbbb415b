// The wizard program. mirrex [FILE.klx41] opens the wizard, on the page of
// the file to replicate when a configuration file is given; mirrex --version
// says which version it is, without a display.
#include <QApplication>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "gui/qt/CMirrexApp.h"
#include "resources/ProgramVersion.h"

int main(int argc, char** argv)
{
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::printf("mirrex %s\n", texts::kProgramVersion);
        return 0;
    }
    QApplication application(argc, argv);
    // What Qt left of the arguments once it took its own options.
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    CMirrexApp app;
    return app.InitInstance(arguments);
}
