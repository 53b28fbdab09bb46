#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <unistd.h>
#include <vector>

#include "gui/app/prompts.h"
#include "support/test_support.h"

// Readable failure messages for Qt texts.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace quorvane::test {

// The one application object of the test program, made on first use; the
// windows run on Qt's offscreen platform unless told otherwise.
inline QApplication& application()
{
    static QApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        // The offscreen platform says so whenever a window is raised or sized.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if (!text.startsWith(QLatin1String("This plugin does not support")))
                std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
        });
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = {name, nullptr};
        // Kept to the end of the process: Qt's own statics go first.
        return new QApplication(argc, argv);
    }();
    return *app;
}

// What a message box or question showed.
struct Shown {
    QString title;
    QString text;
    MessageIcon icon;
    bool question;
};

inline bool operator==(const Shown& a, const Shown& b)
{
    return a.title == b.title && a.text == b.text && a.icon == b.icon && a.question == b.question;
}

inline void PrintTo(const Shown& box, std::ostream* out)
{
    static const char* const icons[] = {"information", "warning", "error", "question"};
    *out << (box.question ? "question" : "message") << " \"" << box.title.toStdString() << "\" with "
         << icons[static_cast<int>(box.icon)] << " icon: \"" << box.text.toStdString() << '"';
}

inline Shown message(const char* title, const char* text, MessageIcon icon)
{
    return {QString::fromUtf8(title), QString::fromUtf8(text), icon, false};
}

inline Shown question(const char* title, const char* text, MessageIcon icon)
{
    return {QString::fromUtf8(title), QString::fromUtf8(text), icon, true};
}

// Prompts that record every box and answer questions from a script.
class ScriptedPrompts final : public gui::Prompts {
public:
    void message(QWidget*, const QString& title, const QString& text, MessageIcon icon) override
    {
        shown.push_back({title, text, icon, false});
    }

    bool askYesNo(QWidget*, const QString& title, const QString& text, MessageIcon icon) override
    {
        shown.push_back({title, text, icon, true});
        if (onQuestion)
            onQuestion();
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << text.toStdString();
            return false;
        }
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    }

    QString chooseDirectory(QWidget*, const QString& title, const QString& start) override
    {
        browseTitles.push_back(title);
        browseStarts.push_back(start);
        if (directories.empty())
            return {};
        const QString folder = directories.front();
        directories.pop_front();
        return folder;
    }

    QStringList texts() const
    {
        QStringList result;
        for (const Shown& box : shown)
            result << box.text;
        return result;
    }

    std::vector<Shown> shown;
    std::deque<bool> answers;
    std::deque<QString> directories;
    QStringList browseTitles;
    QStringList browseStarts;
    // Runs when a question comes, before it is answered.
    std::function<void()> onQuestion;
};

// Serves events until the condition holds; false after the timeout.
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 30000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

// Runs the action on the next modal dialog of the given type to open, from
// inside its own event loop. Gives up after the timeout.
template <typename Dialog>
void whenModalOpens(std::function<void(Dialog&)> action, int timeoutMs = 30000)
{
    auto* timer = new QTimer(&application());
    auto deadline = std::make_shared<QDeadlineTimer>(timeoutMs);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action, deadline] {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            action(*dialog);
        } else if (deadline->hasExpired()) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no modal " << Dialog::staticMetaObject.className() << " opened";
        }
    });
    timer->start(5);
}

template <typename Widget>
Widget* child(QObject& parent, const char* name)
{
    auto* widget = parent.findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

inline QStringList itemTexts(const QComboBox& combo)
{
    QStringList texts;
    for (int i = 0; i < combo.count(); ++i)
        texts << combo.itemText(i);
    return texts;
}

inline void click(QObject& parent, const char* name)
{
    if (auto* button = child<QAbstractButton>(parent, name))
        button->click();
}

}  // namespace quorvane::test
