#include "Utf8StringStream.h"

#include "shell/AtomicFile.h"
#include "shell/FileReading.h"
#include "shell/NorvaleError.h"
#include "sources/TextCodecs.h"

#include <algorithm>
#include <cstring>

void Utf8StringStream::setPosition(qsizetype position)
{
    m_position = std::clamp<qsizetype>(position, 0, m_bytes.size());
}

void Utf8StringStream::loadFromFile(const QString &path)
{
    m_bytes = readWholeFile(path);
    // A position past the new end would leave a gap of undefined bytes before the next write.
    m_position = std::min(m_position, m_bytes.size());
}

void Utf8StringStream::writeText(QStringView text)
{
    QByteArray encoded = text.toUtf8();
    // wholeText() skips one mark at the very start; a text that itself begins with U+FEFF (a
    // file that had two) goes there behind a mark of its own, or it would not read back whole.
    if (m_position == 0 && text.startsWith(QChar::ByteOrderMark))
        encoded.prepend("\xEF\xBB\xBF");
    const qsizetype end = m_position + encoded.size();
    if (end > m_bytes.size())
        m_bytes.resize(end);
    std::memcpy(m_bytes.data() + m_position, encoded.constData(), size_t(encoded.size()));
    m_position = end;
}

void Utf8StringStream::clear()
{
    m_bytes.clear();
    m_position = 0;
}

QString Utf8StringStream::wholeText() const
{
    std::optional<QString> text = decodeUtf8Strict(m_bytes);
    if (!text)
        throw NorvaleError(QString::fromLatin1(kNoMappingMessage));
    return std::move(*text);
}

QString Utf8StringStream::saveToFile(const QString &path, bool backupExisting) const
{
    return writeFileAtomically(path, m_bytes, backupExisting);
}
