// The atomic writer gives the new file the old one's permissions, but always ones its owner can
// read and write back.
#include "shell/AtomicFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using P = QFileDevice::Permission;

TEST(AtomicFile, NewFileIsAlwaysReadableAndWritableByItsOwner)
{
    constexpr QFileDevice::Permissions OwnerRW = P::ReadOwner | P::WriteOwner | P::ReadUser | P::WriteUser;
    const struct {
        const char *name;
        QFileDevice::Permissions before;
        QFileDevice::Permissions after;
    } cases[] = {
        {"write only", P::WriteOwner | P::WriteUser, OwnerRW},
        {"nothing", {}, OwnerRW},
        {"group and others kept", OwnerRW | P::ReadGroup | P::ReadOther,
         OwnerRW | P::ReadGroup | P::ReadOther},
        {"owner read only", P::ReadOwner | P::ReadUser, OwnerRW},
    };
    for (const auto &c : cases) {
        for (const bool backup : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.name << (backup ? ", with backup" : ""));
            QTemporaryDir dir;
            const QString path = dir.filePath(QStringLiteral("FavouritesPlaylist.m3u"));
            {
                QFile old(path);
                ASSERT_TRUE(old.open(QIODevice::WriteOnly));
                old.write("old");
            }
            ASSERT_TRUE(QFile::setPermissions(path, c.before));
            EXPECT_EQ(writeFileAtomically(path, "new", backup), QString());
            EXPECT_EQ(QFile::permissions(path), c.after);
            ASSERT_TRUE(QFile::setPermissions(path, OwnerRW));
            QFile written(path);
            ASSERT_TRUE(written.open(QIODevice::ReadOnly));
            EXPECT_EQ(written.readAll(), QByteArray("new"));
        }
    }
}
