#pragma once

#include <QHash>
#include <QObject>
#include <QSize>
#include <QThreadPool>

#include <cstdint>

class QImage;
class QTreeWidgetItem;

namespace quorvane {
class ProjectOptions;
}

namespace quorvane::gui {

// Puts each picture's generated thumbnail on its tree item as the icon. The
// files are read on the thread pool when a folder is first expanded, never on
// the window thread, and never the full picture: a picture without a
// thumbnail keeps the plain icon.
class TreeThumbnails final : public QObject {
    Q_OBJECT

public:
    explicit TreeThumbnails(QSize iconSize, QObject* parent = nullptr);
    ~TreeThumbnails() override;

    // Starts reading the thumbnails of folder's pictures, once per folder item.
    void loadFolder(QTreeWidgetItem* folder, const ProjectOptions& options);
    // The tree is about to be cleared: results still on their way are dropped.
    void forgetItems();
    // Waits for the reads in flight (tests, and the window going away).
    void waitForReads();
    int pendingCount() const { return static_cast<int>(pending_.size()); }

signals:
    // One icon was set; tests wait for it.
    void iconSet(QTreeWidgetItem* item);

private:
    void deliver(std::uint64_t ticket, const QImage& image);

    QSize iconSize_;
    std::uint64_t nextTicket_ = 1;
    QHash<std::uint64_t, QTreeWidgetItem*> pending_;
    // A pool of its own, so that waiting for the reads never waits for
    // unrelated work of the global pool.
    QThreadPool reads_;
};

}  // namespace quorvane::gui
