#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// A growable in-memory byte buffer with a write position, bound to UTF-8: the favourites text.
// Bytes are kept exactly as loaded (a byte-order mark included) and only decoded when the whole
// text is asked for. Used on the GUI thread only.
class Utf8StringStream final {
public:
    qsizetype size() const { return m_bytes.size(); }
    qsizetype position() const { return m_position; }
    const QByteArray &bytes() const { return m_bytes; }

    // Moves the write position; kept within 0..size().
    void setPosition(qsizetype position);
    // Replaces the content with the file's bytes as stored; the position is left where it was.
    // Throws NorvaleError `Cannot open file "<full path>". <reason>` when it cannot be read.
    void loadFromFile(const QString &path);
    // Writes the UTF-8 bytes of `text` (no byte-order mark) at the position, overwriting what is
    // there and growing past the end, and advances the position by their count. At position 0 a
    // text that begins with U+FEFF is preceded by a mark, so that wholeText() gives it back.
    void writeText(QStringView text);
    // Size 0, position 0.
    void clear();
    // The content decoded as strict UTF-8, a leading EF BB BF skipped. Throws NorvaleError with
    // the no-mapping message when the bytes are not valid UTF-8.
    QString wholeText() const;
    // Writes every byte to `path` atomically (see writeFileAtomically). Returns an empty text on
    // success, else the message to show.
    QString saveToFile(const QString &path, bool backupExisting = false) const;

private:
    QByteArray m_bytes;
    qsizetype m_position = 0;
};
