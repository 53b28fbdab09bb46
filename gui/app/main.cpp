#include <QApplication>

#include "gui/app/icons.h"
#include "gui/app/main_window.h"
#include "gui/app/prompts.h"

int main(int argc, char* argv[])
{
    // Qt takes its own platform arguments; the program has none of its own.
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QApplication::setWindowIcon(quorvane::gui::drawnIcon(quorvane::gui::IconKind::Application));

    quorvane::gui::WidgetPrompts prompts;
    quorvane::gui::MainWindow window(prompts);
    window.show();
    return QApplication::exec();
}
