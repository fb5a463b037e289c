#pragma once

#include "channels/ChannelListModel.h"

#include <QString>

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// Rows as "name|address" (address empty for a plain row) in UTF-8, readable in test failures.
inline std::vector<std::string> rowsOf(const ChannelListModel &model)
{
    std::vector<std::string> rows;
    for (int row = 0; row < model.count(); ++row) {
        const TM3UChannel *channel = model.channel(row);
        rows.push_back(model.text(row).toStdString() + "|" + (channel ? channel->URL.toStdString() : ""));
    }
    return rows;
}

// Keeps embedded NUL characters, which a plain u"" literal would end at.
inline QString qs(std::u16string_view text)
{
    return QString(reinterpret_cast<const QChar *>(text.data()), qsizetype(text.size()));
}

// Lets GoogleTest show a QString as text rather than as bytes.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}
