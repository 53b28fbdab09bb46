#pragma once

#include <QApplication>
#include <QString>

#include <filesystem>
#include <ostream>

// Readable failure messages for Qt texts.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace quorvane::test {

// The one application object of the test program, made on first use.
inline QApplication& application()
{
    static QApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "preview_tests";
        static char* argv[] = {name, nullptr};
        // Kept to the end of the process: Qt's own statics go first.
        return new QApplication(argc, argv);
    }();
    return *app;
}

// Runs the test in another current directory, where the program looks for
// its "Skins" folder.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::filesystem::path& path)
        : previous_(std::filesystem::current_path())
    {
        std::filesystem::current_path(path);
    }
    ~CurrentDirectory() { std::filesystem::current_path(previous_); }
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;

private:
    std::filesystem::path previous_;
};

}  // namespace quorvane::test
