#include <QApplication>

#include "gui/app/icons.h"
#include "gui/app/main_window.h"
#include "gui/app/prompts.h"
#include "options/global_options.h"

int main(int argc, char* argv[])
{
    // Qt takes its own platform arguments; the program has none of its own.
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    // Lets the desktop match the windows to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quorvane.Quorvane"));
    QApplication::setWindowIcon(quorvane::gui::drawnIcon(quorvane::gui::IconKind::Application));

    quorvane::gui::WidgetPrompts prompts;
    quorvane::gui::MainWindow window(prompts, quorvane::globalOptionsPath());
    window.show();
    return QApplication::exec();
}
