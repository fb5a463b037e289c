#include "FavouritesText.h"

#include "Utf8StringStream.h"
#include "channels/ChannelListModel.h"
#include "channels/LineRules.h"
#include "channels/M3UReader.h"

namespace {

bool isStreamLine(QStringView trimmed)
{
    return !trimmed.isEmpty() && trimmed.front() != u'#';
}

// Calls visit(trimmedLine, lineStart, lineEnd) for every line of `text` as the reader cuts and
// trims it; lineEnd is just past the line's break (or the end of the text).
template <typename Visit> void forEachReadLine(QStringView text, Visit visit)
{
    forEachLine(text, [&visit](QStringView line, qsizetype start, qsizetype next) {
        visit(trimControls(line), start, next);
    });
}

bool hasLineBreak(const QString &text)
{
    return text.contains(u'\r') || text.contains(u'\n');
}

QString refusedBecause(const QString &reason)
{
    return reason + QStringLiteral(" Such a favourite would not be listed again.");
}

} // namespace

QString favouriteRecord(const TM3UChannel &channel)
{
    return QStringLiteral("#EXTINF:-1,") + channel.Name + QStringLiteral("\r\n") + channel.URL +
           QStringLiteral("\r\n\r\n");
}

void writeFavouriteRecord(Utf8StringStream &stream, const TM3UChannel &channel)
{
    stream.writeText(favouriteRecord(channel));
}

bool favouritesContainAddress(QStringView text, QStringView url)
{
    if (url.isEmpty())
        return false;
    bool found = false;
    forEachReadLine(text, [&](QStringView line, qsizetype, qsizetype) {
        if (!found && isStreamLine(line) && line.compare(url, Qt::CaseInsensitive) == 0)
            found = true;
    });
    return found;
}

QString unlistedFavouriteEntries(const QString &text)
{
    QString kept;
    ChannelListModel scratch;
    qsizetype entryStart = -1;
    forEachReadLine(text, [&](QStringView line, qsizetype lineStart, qsizetype lineEnd) {
        if (line.isEmpty())
            return;
        if (entryStart < 0)
            entryStart = lineStart;
        if (!isStreamLine(line))
            return;
        // Each entry is judged by the reader itself, alone, so the rule stays the reader's.
        const QString entry = text.sliced(entryStart, lineEnd - entryStart);
        entryStart = -1;
        scratch.clear();
        ParseM3UContent(scratch, entry);
        if (scratch.count() != 0)
            return;
        kept += entry;
        if (!entry.endsWith(u'\n') && !entry.endsWith(u'\r'))
            kept += QStringLiteral("\r\n");
    });
    return kept;
}

QString favouriteRefusal(const QString &name, const QString &url)
{
    if (name.isEmpty())
        return refusedBecause(QStringLiteral("The name cannot be empty."));
    if (hasLineBreak(name))
        return refusedBecause(QStringLiteral("The name cannot contain a line break."));
    if (name.contains(u','))
        return refusedBecause(QStringLiteral("The name cannot contain a comma."));
    if (name.contains(u'"'))
        return refusedBecause(QStringLiteral("The name cannot contain a double quotation mark."));
    if (name.startsWith(u"http://", Qt::CaseInsensitive) || name.startsWith(u"https://", Qt::CaseInsensitive))
        return refusedBecause(QStringLiteral("The name cannot begin with http:// or https://."));
    if (name.contains(u"gecko", Qt::CaseInsensitive))
        return refusedBecause(QStringLiteral("The name cannot contain the word \"gecko\"."));
    if (isControlOrBlank(name.back()))
        return refusedBecause(QStringLiteral("The name cannot end with a blank."));
    if (trimControls(url).isEmpty())
        return refusedBecause(QStringLiteral("The stream address cannot be empty."));
    if (hasLineBreak(url))
        return refusedBecause(QStringLiteral("The stream address cannot contain a line break."));
    if (isControlOrBlank(url.front()) || isControlOrBlank(url.back()))
        return refusedBecause(QStringLiteral("The stream address cannot begin or end with a blank."));
    if (url.startsWith(u'#'))
        return refusedBecause(QStringLiteral("The stream address cannot begin with \"#\"."));

    // Whatever the checks above did not foresee, the reader has the last word.
    ChannelListModel check;
    ParseM3UContent(check, favouriteRecord(TM3UChannel{name, url}));
    const TM3UChannel *listed = check.count() == 1 ? check.channel(0) : nullptr;
    if (!listed || listed->Name != name || listed->URL != url)
        return refusedBecause(QStringLiteral("The reader cannot read this name and address back."));
    return {};
}
