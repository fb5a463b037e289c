#include "SourceEntry.h"

#include <QFileInfo>

namespace {

const QString kHttps = QStringLiteral("https://");
const QString kHttp = QStringLiteral("http://");
const QString kFile = QStringLiteral("file:///");

} // namespace

bool isLocalSource(const QString &entry)
{
    return entry.startsWith(kFile, Qt::CaseInsensitive);
}

QString RemoveHttpOrHttpsOrFile(const QString &Url)
{
    // Only one prefix goes: "https://http://x" keeps its second scheme.
    for (const QString *prefix : {&kHttps, &kHttp, &kFile}) {
        if (Url.startsWith(*prefix, Qt::CaseInsensitive))
            return Url.mid(prefix->size());
    }
    return Url;
}

int findLocalEntry(const QStringList &entries, const QString &flName)
{
    const QString wanted = kFile + flName;
    return int(entries.indexOf(wanted));
}

bool isExistingPlaylistFile(const QString &path)
{
    // The same test the loading of a local entry makes: what is taken here is then read.
    return QFileInfo(path).isFile();
}
