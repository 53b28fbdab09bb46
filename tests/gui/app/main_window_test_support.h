#pragma once

#include <QAction>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeWidget>

#include <memory>

#include "gui/app/main_window.h"
#include "gui/app/status_bar.h"
#include "gui/app_test_support.h"
#include "options/project_options.h"
#include "support/test_support.h"

namespace quorvane::test {

// A main window over a temporary folder, with its settings file kept there.
class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override { application(); }

    void TearDown() override
    {
        if (window)
            waitForJob();
    }

    gui::MainWindow& open()
    {
        window = std::make_unique<gui::MainWindow>(prompts, dir / "QuorvaneCfg.xml");
        window->show();
        return *window;
    }

    QString stateLine() const { return window->statusBarWidget().stateText(); }

    void setRoot(const std::filesystem::path& root)
    {
        child<QComboBox>(*window, "rootCombo")->setEditText(QString::fromStdString(root.string()));
    }

    void waitForJob()
    {
        EXPECT_TRUE(waitUntil([this] { return !window->processing() && !window->jobRunning(); }));
    }

    // Scans the root through the "Scan" button and waits for the job's end.
    void scan(const std::filesystem::path& root)
    {
        setRoot(root);
        click(*window, "scanButton");
        waitForJob();
    }

    // An album root with a valid options file generating into the source folder.
    std::filesystem::path makeAlbum(std::initializer_list<const char*> files, bool withOptions = true)
    {
        const std::filesystem::path root = dir / "album";
        std::filesystem::create_directories(root);
        for (const char* file : files)
            writeFile(root / file, "x");
        if (withOptions) {
            ProjectOptions options;
            options.useDestPath = 0;
            options.save(root / kProjectOptionsFileName);
        }
        return root;
    }

    QTreeWidget& tree() { return *child<QTreeWidget>(*window, "albumTree"); }
    QPlainTextEdit& commentEdit() { return *child<QPlainTextEdit>(*window, "commentEdit"); }

    // The tree item reached by following child texts from the root item.
    QTreeWidgetItem* item(std::initializer_list<const char*> path)
    {
        QTreeWidgetItem* current = tree().topLevelItem(0);
        for (const char* text : path) {
            QTreeWidgetItem* next = nullptr;
            for (int i = 0; current && i < current->childCount(); ++i) {
                if (current->child(i)->text(0) == QLatin1String(text))
                    next = current->child(i);
            }
            current = next;
        }
        EXPECT_NE(current, nullptr);
        return current;
    }

    void select(std::initializer_list<const char*> path) { tree().setCurrentItem(item(path)); }

    void typeComment(const QString& text) { QTest::keyClicks(&commentEdit(), text); }

    TempDir dir;
    ScriptedPrompts prompts;
    std::unique_ptr<gui::MainWindow> window;
};

}  // namespace quorvane::test
