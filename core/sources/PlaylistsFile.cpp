#include "PlaylistsFile.h"

#include "channels/LineRules.h"
#include "shell/AtomicFile.h"
#include "shell/FileReading.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {

QString nativeFullPath(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

QString fileMessage(const char *what, const QString &path, const QString &description)
{
    return QStringLiteral("%1 \"%2\". %3").arg(QLatin1String(what), nativeFullPath(path), description);
}

// UTF-16 always decodes: the caller has removed the mark, so a later U+FEFF stays a character,
// and an odd last byte becomes U+FFFD.
QString decodeUtf16(QByteArrayView bytes, QStringConverter::Encoding encoding)
{
    QStringDecoder decoder(encoding,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes.first(bytes.size() & ~qsizetype(1)));
    if (bytes.size() % 2 != 0)
        text.append(QChar::ReplacementCharacter);
    return text;
}

QByteArray encodeEntries(const QStringList &entries, TextEncoding encoding)
{
    QByteArray bytes = byteOrderMark(encoding);
    const QByteArray lineBreak = *encodeText(u"\r\n", encoding);
    for (const QString &entry : entries) {
        bytes += *encodeText(entry, encoding);
        bytes += lineBreak;
    }
    return bytes;
}

} // namespace

QStringList splitPlaylistLines(QStringView text)
{
    QStringList lines;
    forEachLine(text, [&lines](QStringView line, qsizetype, qsizetype) { lines.append(line.toString()); });
    return lines;
}

PlaylistsReadResult readPlaylistsFile(const QString &path)
{
    PlaylistsReadResult result;
    if (!QFileInfo::exists(path))
        return result;
    result.exists = true;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = cannotOpenFileMessage(path, fileErrorReason(path, file));
        return result;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.error = fileMessage("Cannot read file", path, file.errorString());
        return result;
    }

    const QByteArrayView view(bytes);
    QString text;
    if (view.startsWith("\xEF\xBB\xBF")) {
        result.encoding = TextEncoding::Utf8;
        result.encodingFound = true;
        std::optional<QString> decoded = decodeUtf8Strict(view);
        if (!decoded) {
            result.error = QString::fromLatin1(kNoMappingMessage);
            return result;
        }
        text = std::move(*decoded);
    } else if (view.startsWith("\xFF\xFE")) {
        result.encoding = TextEncoding::Utf16LE;
        text = decodeUtf16(view.sliced(2), QStringConverter::Utf16LE);
    } else if (view.startsWith("\xFE\xFF")) {
        result.encoding = TextEncoding::Utf16BE;
        text = decodeUtf16(view.sliced(2), QStringConverter::Utf16BE);
    } else {
        result.encoding = TextEncoding::Ansi;
        text = decodeWindows1252(view);
    }
    result.encodingFound = true;
    result.entries = splitPlaylistLines(text);
    return result;
}

TextEncoding chooseWriteEncoding(const QStringList &entries, TextEncoding encoding)
{
    const auto holdsAll = [&entries](TextEncoding candidate) {
        for (const QString &entry : entries) {
            if (!encodeText(entry, candidate))
                return false;
        }
        return true;
    };
    if (holdsAll(encoding))
        return encoding;
    if (holdsAll(TextEncoding::Utf8))
        return TextEncoding::Utf8;
    return TextEncoding::Utf16LE;
}

QString writePlaylistsFile(const QString &path, const QStringList &entries, TextEncoding encoding,
                           bool backupExisting)
{
    const QByteArray bytes = encodeEntries(entries, chooseWriteEncoding(entries, encoding));

    return writeFileAtomically(path, bytes, backupExisting);
}
