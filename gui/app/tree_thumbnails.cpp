#include "gui/app/tree_thumbnails.h"

#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QTreeWidgetItem>

#include "album/album_tree.h"
#include "gui/app/album_tree_view.h"
#include "jobs/thumbnail_generator.h"
#include "options/project_options.h"

namespace quorvane::gui {

namespace {

constexpr int kLoadedRole = Qt::UserRole + 7;

QImage readScaled(const QString& path, QSize box)
{
    QImageReader reader(path);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > box.width() || size.height() > box.height()))
        reader.setScaledSize(size.scaled(box, Qt::KeepAspectRatio));
    return reader.read();
}

}  // namespace

TreeThumbnails::TreeThumbnails(QSize iconSize, QObject* parent) : QObject(parent), iconSize_(iconSize)
{
    reads_.setMaxThreadCount(1);
}

TreeThumbnails::~TreeThumbnails()
{
    reads_.waitForDone();
}

void TreeThumbnails::loadFolder(QTreeWidgetItem* folder, const ProjectOptions& options)
{
    if (!folder || folder->data(0, kLoadedRole).toBool())
        return;
    folder->setData(0, kLoadedRole, true);
    const ThumbnailGenerator paths(options);
    for (int i = 0; i < folder->childCount(); ++i) {
        QTreeWidgetItem* item = folder->child(i);
        AlbumNode* node = albumNodeOf(item);
        if (!node || !node->isFile)
            continue;
        const auto& picture = static_cast<const AlbumPicture&>(*node);
        const QString path = QString::fromStdString(paths.thumbnailPath(picture));
        const std::uint64_t ticket = nextTicket_++;
        pending_.insert(ticket, item);
        const QSize box = iconSize_;
        // The destructor waits for the pool, so this object outlives every read.
        reads_.start([this, ticket, path, box] {
            QImage image = readScaled(path, box);
            QMetaObject::invokeMethod(
                this, [this, ticket, image = std::move(image)] { deliver(ticket, image); },
                Qt::QueuedConnection);
        });
    }
}

void TreeThumbnails::deliver(std::uint64_t ticket, const QImage& image)
{
    QTreeWidgetItem* item = pending_.take(ticket);
    if (!item || image.isNull())
        return;
    item->setIcon(0, QIcon(QPixmap::fromImage(image)));
    emit iconSet(item);
}

void TreeThumbnails::forgetItems()
{
    pending_.clear();
}

void TreeThumbnails::waitForReads()
{
    reads_.waitForDone();
}

}  // namespace quorvane::gui
