#include "gui/app/album_tree_view.h"

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
}

AlbumNode* albumNodeOf(const QTreeWidgetItem* item)
{
    if (!item || item->type() != AlbumItem::kType)
        return nullptr;
    return static_cast<const AlbumItem*>(item)->node;
}

}  // namespace quorvane::gui
