#pragma once

#include <QString>

// A channel's stream address as playlists write it, possibly with request headers after a bar:
// "ADDRESS|User-Agent=...&Referer=..." (values percent-encoded, other names ignored). The
// channel list keeps the text as written; only the player splits it.
struct StreamAddress {
    QString url;       // what is opened
    QString userAgent; // empty: the player's own
    QString referrer;  // empty: none sent

    static StreamAddress parse(const QString &text);
};
