#include "ImageLists.h"

namespace {
QIcon listImage(const char *list, int index, int count)
{
    if (index < 0 || index >= count)
        return {};
    return QIcon(
        QStringLiteral(":/images/%1/%2.svg").arg(QLatin1String(list)).arg(index, 2, 10, QLatin1Char('0')));
}
} // namespace

QIcon ImageList1(int index)
{
    return listImage("list1", index, ImageLists::List1Count);
}

QIcon ImageList2(int index)
{
    return listImage("list2", index, ImageLists::List2Count);
}

QPixmap ImageList1Pixmap(int index)
{
    return ImageList1(index).pixmap(ImageLists::List1Size, ImageLists::List1Size);
}

QPixmap ImageList2Pixmap(int index)
{
    return ImageList2(index).pixmap(ImageLists::List2Size, ImageLists::List2Size);
}

QIcon televisionLogo()
{
    return QIcon(QStringLiteral(":/images/tvlogo.svg"));
}
