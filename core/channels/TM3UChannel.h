#pragma once

#include <QString>

// One channel of a playlist: what the list shows and what the player is handed.
// Records are created by the M3U reader and owned by the list row that carries them.
struct TM3UChannel {
    QString Name; // display name
    QString URL;  // stream address; any text, not necessarily a web address
};
