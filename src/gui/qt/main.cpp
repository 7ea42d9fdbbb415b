// The wizard program.
#include <QApplication>

#include "gui/qt/CMirrexApp.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    CMirrexApp app;
    return app.InitInstance();
}
