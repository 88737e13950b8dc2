#include "ui/MainWindowApp.h"

#include "app/Headless.h"
#include "ui/ActionIcons.h"
#include "ui/TFrmMainWnd.h"
#include "ui/TFrmTaskTrigger.h"

#include <QApplication>

namespace ui {

int RunMainWindow(int argc, char* argv[], const std::vector<std::string>& args) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Velmoran");
    QApplication::setApplicationDisplayName("Velmoran");
    QApplication::setWindowIcon(ProgramIcon());
    QApplication::setDesktopFileName(QStringLiteral("velmoran"));
    UseTriggerDialogAsTaskEditor();
    TFrmMainWnd window(args);
    app::ConnectOperations(window.StartUp(), window.Model());
    window.show();
    QApplication::exec();
    return window.Model().ExitStatus;
}

} // namespace ui
