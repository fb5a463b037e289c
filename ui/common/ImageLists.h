#pragma once

#include <QIcon>
#include <QPixmap>

// The main window's two image lists, which every window takes its button images from. The
// indices are fixed; index 1 of both lists is kept although no window shows it.
namespace ImageLists {
constexpr int List1Count = 16;
constexpr int List1Size = 24; // px, square
constexpr int List2Count = 3;
constexpr int List2Size = 44; // px, square
} // namespace ImageLists

// Image `index` of the 24 x 24 list; a null icon for an index outside 0..15.
QIcon ImageList1(int index);
// Image `index` of the 44 x 44 list; a null icon for an index outside 0..2.
QIcon ImageList2(int index);
// The same images as pixmaps at their list size.
QPixmap ImageList1Pixmap(int index);
QPixmap ImageList2Pixmap(int index);

// The television logo (512 x 512 in its own coordinates), drawn at any size.
QIcon televisionLogo();
