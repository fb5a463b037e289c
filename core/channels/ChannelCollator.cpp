#include "ChannelCollator.h"

#include <unicode/ucol.h>

#include <stdexcept>

namespace {

// ICU reads a locale id with underscores; the BCP 47 name keeps a script where Qt would.
QByteArray icuLocaleId(const QLocale &locale)
{
    if (locale.language() == QLocale::C)
        return QByteArrayLiteral("en_US");
    return locale.bcp47Name().toLatin1().replace('-', '_');
}

UCollator *openCollator(const QByteArray &localeId)
{
    UErrorCode status = U_ZERO_ERROR;
    UCollator *collator = ucol_open(localeId.constData(), &status);
    if (U_FAILURE(status))
        throw std::runtime_error(std::string("Cannot open the collation for ") + localeId.constData() + ": " +
                                 u_errorName(status));
    // The settings Qt's case-insensitive collator uses, so the order stays the one users know.
    ucol_setAttribute(collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    ucol_setAttribute(collator, UCOL_STRENGTH, UCOL_SECONDARY, &status);
    ucol_setAttribute(collator, UCOL_NUMERIC_COLLATION, UCOL_OFF, &status);
    ucol_setAttribute(collator, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    if (U_FAILURE(status)) {
        ucol_close(collator);
        throw std::runtime_error(std::string("Cannot set up the collation: ") + u_errorName(status));
    }
    return collator;
}

const UChar *units(QStringView text)
{
    return reinterpret_cast<const UChar *>(text.utf16());
}

} // namespace

ChannelCollator::ChannelCollator(const QLocale &locale)
    : m_localeId(icuLocaleId(locale)), m_collator(openCollator(m_localeId))
{}

ChannelCollator::ChannelCollator(const ChannelCollator &other)
    : m_localeId(other.m_localeId), m_collator(openCollator(m_localeId))
{}

ChannelCollator::~ChannelCollator()
{
    ucol_close(m_collator);
}

int ChannelCollator::compare(QStringView a, QStringView b) const
{
    return ucol_strcoll(m_collator, units(a), int32_t(a.size()), units(b), int32_t(b.size()));
}

std::uint32_t ChannelCollator::appendSortKey(QStringView text, std::vector<std::uint8_t> &arena) const
{
    // Most names need a few dozen bytes; try with the spare room first, grow once if short.
    const std::size_t start = arena.size();
    std::size_t room = std::max<std::size_t>(64, std::size_t(text.size()) * 4 + 16);
    for (;;) {
        if (arena.capacity() < start + room)
            arena.reserve(std::max(arena.capacity() * 2, start + room));
        arena.resize(start + room);
        const int32_t length = ucol_getSortKey(m_collator, units(text), int32_t(text.size()),
                                               arena.data() + start, int32_t(room));
        if (length > 0 && std::size_t(length) <= room) {
            arena.resize(start + std::size_t(length));
            return std::uint32_t(length);
        }
        room = length > 0 ? std::size_t(length) : room * 2;
    }
}
