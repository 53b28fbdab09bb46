// Times the desktop program's album tree on a big album: from the end of the
// scan to the tree shown, then selecting entries and scrolling.
//
//   tree_bench ALBUM [--selections N]
//
// ALBUM is an album root with a ProjectOptions.xml (e.g. one made by
// make_album and `quorvane-cli init`). The window is the program's own; it
// runs on the platform QT_QPA_PLATFORM names (offscreen when unset; use
// xvfb-run for a real X server). Prints the scan alone (the core's scan job
// on the same album, for the anchor), the scan through the window up to the
// tree shown, their difference (the tree's part), and the median and worst
// time of one selection (with its preview and comment) and of one page of
// scrolling, each painted.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "album/album_tree.h"
#include "album/tree_walk.h"
#include "bench/bench_support.h"
#include "gui/app/main_window.h"
#include "gui/app/prompts.h"
#include "jobs/jobs.h"
#include "options/global_options.h"

using namespace quorvane;
using namespace quorvane::bench;

namespace {

// Nobody answers: a bench must never wait for a person.
class NoPrompts final : public gui::Prompts {
public:
    void message(QWidget*, const QString& title, const QString& text, MessageIcon) override
    {
        std::fprintf(stderr, "message: %s: %s\n", qPrintable(title), qPrintable(text));
    }
    bool askYesNo(QWidget*, const QString&, const QString&, MessageIcon) override { return false; }
    QString chooseDirectory(QWidget*, const QString&, const QString&) override { return {}; }
};

template <typename Condition>
bool waitFor(Condition done, int seconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > seconds * 1000)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

double milliseconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// Paints what is pending now, as a frame on the screen would.
void paint(QWidget& widget)
{
    widget.repaint();
    QApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s ALBUM [--selections N]\n", argv[0]);
        return 2;
    }
    const std::string album = argv[1];
    int selections = 200;
    for (int i = 2; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--selections")
            selections = std::max(1, std::atoi(argv[++i]));
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ScratchFolder scratch("tree");

    // The anchor: the same scan without a window.
    int entries = 0;
    double scanAlone = 0;
    {
        SilentHost host;
        StatusLog log(&host);
        GlobalOptions global;
        Project project;
        const Clock::time_point start = Clock::now();
        runScanJob(project, album, global, log, host);
        scanAlone = secondsSince(start) * 1000;
        if (!project.root) {
            std::fprintf(stderr, "%s: no album found\n", album.c_str());
            return 1;
        }
        forEachDirectory(*project.root, [&entries](AlbumDirectory& directory) {
            entries += 1 + static_cast<int>(directory.files.count());
        });
    }

    NoPrompts prompts;
    gui::MainWindow window(prompts, scratch.path() / "QuorvaneCfg.xml");
    window.resize(1440, 900);
    window.show();
    QApplication::processEvents();
    auto* tree = window.findChild<QTreeWidget*>("albumTree");
    auto* root = window.findChild<QComboBox*>("rootCombo");
    auto* scan = window.findChild<QAbstractButton*>("scanButton");
    if (!tree || !root || !scan)
        return 1;

    root->setEditText(QString::fromStdString(album));
    QElapsedTimer timer;
    timer.start();
    scan->click();
    if (!waitFor([&] { return !window.processing() && !window.jobRunning() && tree->topLevelItemCount() == 1; },
                 300))
        return 1;
    paint(*tree);
    const double shown = milliseconds(timer);

    // Selections spread over the album, each with its folder opened, the
    // preview and comment of the entry, and a paint.
    std::vector<QTreeWidgetItem*> folders;
    QTreeWidgetItem* top = tree->topLevelItem(0);
    for (int i = 0; i < top->childCount(); ++i)
        folders.push_back(top->child(i));
    std::vector<double> selecting;
    for (int s = 0; s < selections && !folders.empty(); ++s) {
        QTreeWidgetItem* folder = folders[std::size_t(s) * 7919 % folders.size()];
        QTreeWidgetItem* item = folder->childCount() > 0 ? folder->child(s % folder->childCount()) : folder;
        timer.restart();
        folder->setExpanded(true);
        tree->setCurrentItem(item);
        tree->scrollToItem(item);
        paint(*tree);
        selecting.push_back(milliseconds(timer));
    }

    // Scrolling page by page through what is open.
    QScrollBar* bar = tree->verticalScrollBar();
    std::vector<double> scrolling;
    bar->setValue(0);
    while (bar->value() < bar->maximum() && scrolling.size() < 2000) {
        timer.restart();
        bar->setValue(bar->value() + bar->pageStep());
        paint(*tree);
        scrolling.push_back(milliseconds(timer));
    }
    window.close();

    const auto worst = [](const std::vector<double>& values) {
        return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
    };
    std::printf("album of %d entries\n", entries);
    std::printf("scan alone: %.0f ms\n", scanAlone);
    std::printf("scan through the window to the tree shown: %.0f ms (tree: about %.0f ms)\n", shown,
                shown - scanAlone);
    std::printf("selecting an entry: median %.1f ms, worst %.1f ms (%zu selections)\n", median(selecting),
                worst(selecting), selecting.size());
    std::printf("scrolling a page: median %.1f ms, worst %.1f ms (%zu pages)\n", median(scrolling),
                worst(scrolling), scrolling.size());
    std::printf("peak memory %.0f MiB\n", peakResidentMiB());
    return 0;
}
