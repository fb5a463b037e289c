#pragma once

#include <QByteArray>
#include <QLocale>
#include <QStringView>

#include <cstdint>
#include <vector>

struct UCollator;

// The order of the channel list: ICU collation in the given locale, case ignored and accents
// counted (ICU's secondary strength), canonical equivalents treated alike. The C locale sorts
// as English, so a user without a configured locale still gets an alphabetical order.
// One object must not be used from two threads at once; make one per thread.
class ChannelCollator final {
public:
    explicit ChannelCollator(const QLocale &locale);
    ~ChannelCollator();
    ChannelCollator(const ChannelCollator &other);
    ChannelCollator &operator=(const ChannelCollator &) = delete;

    int compare(QStringView a, QStringView b) const;
    // Appends the sort key of text, with its terminating zero byte, to arena and returns
    // its length. Keys compare with memcmp exactly as compare() orders their texts.
    std::uint32_t appendSortKey(QStringView text, std::vector<std::uint8_t> &arena) const;

private:
    QByteArray m_localeId;
    UCollator *m_collator = nullptr;
};
