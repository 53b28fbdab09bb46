#include <QApplication>

#include "app/icons.h"
#include "app/main_window.h"
#include "app/prompts.h"

int main(int argc, char* argv[])
{
    // Qt takes its own platform arguments; the program has none of its own.
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QApplication::setWindowIcon(quorvane::app::drawnIcon(quorvane::app::IconKind::Application));

    quorvane::app::WidgetPrompts prompts;
    quorvane::app::MainWindow window(prompts);
    window.show();
    return QApplication::exec();
}
