#pragma once

#include <QtGlobal>

#include <atomic>
#include <functional>
#include <memory>

class ChannelListModel;
class M3UStreamReader;

// Where the time of one load went, for the benchmark tool. Decoding may run on a second thread
// alongside parsing, so those two overlap.
struct ChannelLoadTimings {
    qint64 readNs = 0;    // reading the source
    qint64 decodeNs = 0;  // checking or decoding its text
    qint64 parseNs = 0;   // the M3U reader
    qint64 sortNs = 0;    // putting the rows in order and indexing them for the search
    qint64 installNs = 0; // the list taking the rows, on the caller's thread
};

enum class LoadEnd { Loaded, Cancelled };

// Gives the reader a playlist's text. Runs on a worker thread; returns early, with whatever it
// has fed, once cancelled is set. A failure is thrown as an exception.
using ChannelFeed = std::function<void(M3UStreamReader &reader, const std::atomic<bool> &cancelled,
                                       ChannelLoadTimings &timings)>;

// The one way a playlist reaches a channel list, for the windows and the headless tool alike:
// feed, the reader and the sort run on worker threads inside an ExclusiveWait (on the GUI thread
// the windows keep painting and the busy window animating; elsewhere the caller just waits), and
// the list then takes the sorted rows in one step. A failure thrown by feed is thrown again here,
// and a cancelled wait gives Cancelled; both leave the list untouched.
LoadEnd loadChannels(ChannelListModel &list, const ChannelFeed &feed, ChannelLoadTimings *timings = nullptr);

// The same load, started now and finished later, so that the work can go on while the caller
// does something else first (the first second of a load is a fixed wait). The worker starts at
// once with the list's order and search setting; finish() waits for it as loadChannels() does
// and fills the list. Dropping it unfinished stops the work and waits for the worker to end.
class ChannelLoadInProgress final {
public:
    ChannelLoadInProgress(const ChannelListModel &list, ChannelFeed feed);
    ~ChannelLoadInProgress();
    ChannelLoadInProgress(const ChannelLoadInProgress &) = delete;
    ChannelLoadInProgress &operator=(const ChannelLoadInProgress &) = delete;

    // As loadChannels(), for the list given at the start; call once.
    LoadEnd finish(ChannelListModel &list, ChannelLoadTimings *timings = nullptr);

private:
    struct State;
    std::unique_ptr<State> m_state;
};
