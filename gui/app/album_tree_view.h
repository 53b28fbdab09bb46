#pragma once

class QTreeWidget;
class QTreeWidgetItem;

namespace quorvane {
class AlbumDirectory;
class AlbumNode;
}  // namespace quorvane

namespace quorvane::gui {

// Fills the tree with the album: the root (showing its full path), and below
// every directory its subdirectories first, then its pictures and movies.
// Items start collapsed and each carries its album node.
void fillAlbumTree(QTreeWidget& tree, AlbumDirectory& root);

// The album node an item stands for, or none.
AlbumNode* albumNodeOf(const QTreeWidgetItem* item);

}  // namespace quorvane::gui
