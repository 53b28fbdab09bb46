#include "gui/app/album_tree_view.h"

#include <QFont>
#include <QTreeWidget>

#include <utility>
#include <vector>

#include "album/album_tree.h"
#include "gui/app/display_text.h"
#include "gui/app/icons.h"

namespace quorvane::gui {

namespace {

class AlbumItem final : public QTreeWidgetItem {
public:
    static constexpr int kType = QTreeWidgetItem::UserType + 1;

    AlbumItem(AlbumNode& node, const std::string& text, const QIcon& icon)
        : QTreeWidgetItem(kType), node(&node)
    {
        setText(0, displayText(text));
        setIcon(0, icon);
        markCommented(this);
    }

    AlbumNode* node;
};

}  // namespace

void fillAlbumTree(QTreeWidget& tree, AlbumDirectory& root)
{
    const QIcon folder = drawnIcon(IconKind::Directory);
    const QIcon picture = drawnIcon(IconKind::Picture);
    const QIcon movie = drawnIcon(IconKind::Movie);

    auto* rootItem = new AlbumItem(root, root.name, folder);
    tree.addTopLevelItem(rootItem);
    // Deep albums are walked without recursion.
    std::vector<std::pair<AlbumDirectory*, QTreeWidgetItem*>> pending{{&root, rootItem}};
    while (!pending.empty()) {
        auto [directory, item] = pending.back();
        pending.pop_back();
        for (AlbumDirectory& child : directory->subdirectories) {
            auto* childItem = new AlbumItem(child, child.name, folder);
            item->addChild(childItem);
            pending.emplace_back(&child, childItem);
        }
        for (AlbumPicture& file : directory->files)
            item->addChild(
                new AlbumItem(file, file.fileName, file.mediaKind == MediaMovie ? movie : picture));
    }
    rootItem->setExpanded(true);
}

void markCommented(QTreeWidgetItem* item)
{
    AlbumNode* node = albumNodeOf(item);
    if (!node)
        return;
    QFont font = item->font(0);
    const bool commented = !node->commentText().empty();
    if (font.bold() != commented) {
        font.setBold(commented);
        item->setFont(0, font);
    }
}

QString albumNodeKey(const AlbumNode& node)
{
    if (node.isFile)
        return QStringLiteral("f:") + QString::fromStdString(static_cast<const AlbumPicture&>(node).fullPath());
    return QStringLiteral("d:") + QString::fromStdString(static_cast<const AlbumDirectory&>(node).fullPath);
}

QTreeWidgetItem* findAlbumItem(QTreeWidget& tree, const QString& key)
{
    std::vector<QTreeWidgetItem*> pending;
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
        pending.push_back(tree.topLevelItem(i));
    while (!pending.empty()) {
        QTreeWidgetItem* item = pending.back();
        pending.pop_back();
        if (const AlbumNode* node = albumNodeOf(item); node && albumNodeKey(*node) == key)
            return item;
        for (int i = 0; i < item->childCount(); ++i)
            pending.push_back(item->child(i));
    }
    return nullptr;
}

AlbumNode* albumNodeOf(const QTreeWidgetItem* item)
{
    if (!item || item->type() != AlbumItem::kType)
        return nullptr;
    return static_cast<const AlbumItem*>(item)->node;
}

}  // namespace quorvane::gui
