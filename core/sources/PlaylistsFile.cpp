#include "PlaylistsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

QString nativeFullPath(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

QString fileMessage(const char *what, const QString &path, const QString &description)
{
    return QStringLiteral("%1 \"%2\". %3").arg(QLatin1String(what), nativeFullPath(path), description);
}

// Qt 6.4's buffered QSaveFile drops the rest of a short write (a full disk, a size limit) and
// still commits, leaving a cut-off file. Unbuffered, every short write is seen and retried, and
// the write that fails leaves its reason in errorString().
bool openForWriting(QSaveFile &file)
{
    return file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

bool writeAll(QSaveFile &file, QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const qint64 written = file.write(bytes.data(), bytes.size());
        if (written <= 0)
            return false;
        bytes = bytes.sliced(written);
    }
    return true;
}

std::filesystem::path fsPath(const QString &path)
{
    return std::filesystem::path(path.toStdU16String());
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

// Keeps a copy of the file at `path` as "<path>.bak". A file we cannot read is moved aside
// instead; `moved` then tells the caller to move it back should the new file not arrive.
QString backUp(const QString &path, bool &moved)
{
    moved = false;
    const QString bakPath = path + QStringLiteral(".bak");
    QFile original(path);
    if (original.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = original.readAll();
        if (original.error() == QFileDevice::NoError) {
            QSaveFile bak(bakPath);
            if (!openForWriting(bak) || !writeAll(bak, bytes) || !bak.commit())
                return fileMessage("Cannot create file", bakPath, bak.errorString());
            return {};
        }
    }
    std::error_code ec;
    std::filesystem::rename(fsPath(path), fsPath(bakPath), ec);
    if (ec)
        return fileMessage("Cannot create file", bakPath, QString::fromStdString(ec.message()));
    moved = true;
    return {};
}

} // namespace

QStringList splitPlaylistLines(QStringView text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.sliced(start, i - start).toString());
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.sliced(start).toString());
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
        // Qt's own wording for a directory is no system description; say what the system says.
        const QString description =
            QFileInfo(path).isDir() ? QString::fromLocal8Bit(std::strerror(EISDIR)) : file.errorString();
        result.error = fileMessage("Cannot open file", path, description);
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

    // Everything is written to the temporary file before the old file is touched, so most
    // failures (no room, no right to write here) leave both it and any backup as they were.
    QSaveFile file(path);
    if (!openForWriting(file) || !writeAll(file, bytes)) {
        const QString error = fileMessage("Cannot create file", path, file.errorString());
        file.cancelWriting();
        return error;
    }

    bool moved = false;
    if (backupExisting && QFileInfo::exists(path)) {
        const QString error = backUp(path, moved);
        if (!error.isEmpty()) {
            file.cancelWriting();
            return error;
        }
    }
    if (!file.commit()) {
        const QString error = fileMessage("Cannot create file", path, file.errorString());
        if (moved) {
            std::error_code ec;
            std::filesystem::rename(fsPath(path + QStringLiteral(".bak")), fsPath(path), ec);
        }
        return error;
    }
    return {};
}
