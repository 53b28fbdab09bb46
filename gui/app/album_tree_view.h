#pragma once

#include <QString>

class QTreeWidget;
class QTreeWidgetItem;

namespace quorvane {
class AlbumDirectory;
class AlbumNode;
}  // namespace quorvane

namespace quorvane::gui {

// Fills the tree with the album: the root (showing its full path), and below
// every directory its subdirectories first, then its pictures and movies.
// Each item carries its album node; entries with a comment are shown in bold;
// the root starts expanded, everything below it collapsed.
void fillAlbumTree(QTreeWidget& tree, AlbumDirectory& root);

// The album node an item stands for, or none.
AlbumNode* albumNodeOf(const QTreeWidgetItem* item);

// Shows in bold whether the item's entry has a comment now.
void markCommented(QTreeWidgetItem* item);

// What identifies an entry across scans: its kind and full path.
QString albumNodeKey(const AlbumNode& node);
// The item of the entry with that key, or none.
QTreeWidgetItem* findAlbumItem(QTreeWidget& tree, const QString& key);

}  // namespace quorvane::gui
