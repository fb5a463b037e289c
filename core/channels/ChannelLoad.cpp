#include "ChannelLoad.h"

#include "ChannelListModel.h"
#include "M3UStreamReader.h"
#include "shell/ExclusiveWait.h"

#include <QElapsedTimer>

#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// The sort's scratch memory (keys, entries) was freed on worker threads, into heaps the GUI
// thread never reuses; hand its pages back so the list shown costs only what it holds.
void returnFreedMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace

struct ChannelLoadInProgress::State {
    std::atomic<bool> cancelled{false};
    std::mutex mutex;
    std::condition_variable doneChanged;
    bool done = false;
    std::optional<ChannelListModel::Prepared> prepared;
    std::exception_ptr failure;
    ChannelLoadTimings spent;
    std::thread worker;

    void work(const ChannelFeed &feed, const ChannelCollator &collator, bool searchable)
    {
        try {
            M3UStreamReader reader;
            feed(reader, cancelled, spent);
            if (!cancelled) {
                QElapsedTimer clock;
                clock.start();
                prepared = ChannelListModel::prepare(reader.takeChannels(), collator, searchable, &cancelled);
                spent.sortNs = clock.nsecsElapsed();
            }
        } catch (...) {
            failure = std::current_exception();
        }
        if (cancelled)
            prepared.reset(); // released here rather than on the waiting thread
        returnFreedMemory();
        std::lock_guard lock(mutex);
        done = true;
        doneChanged.notify_all();
    }

    void waitUntilDone()
    {
        std::unique_lock lock(mutex);
        doneChanged.wait(lock, [this] { return done; });
    }
};

ChannelLoadInProgress::ChannelLoadInProgress(const ChannelListModel &list, ChannelFeed feed)
    : m_state(std::make_unique<State>())
{
    // The worker sorts with a collator of its own; the list's stays with the list's thread.
    m_state->worker =
        std::thread([state = m_state.get(), feed = std::move(feed), collator = list.collator(),
                     searchable = list.isSearchable()] { state->work(feed, collator, searchable); });
}

ChannelLoadInProgress::~ChannelLoadInProgress()
{
    if (m_state->worker.joinable()) {
        m_state->cancelled = true;
        m_state->worker.join();
    }
}

LoadEnd ChannelLoadInProgress::finish(ChannelListModel &list, ChannelLoadTimings *timings)
{
    State &state = *m_state;
    const bool finished = ExclusiveWait::run([&state](const std::atomic<bool> &) { state.waitUntilDone(); },
                                             [&state] { state.cancelled = true; });
    state.worker.join();
    if (state.failure)
        std::rethrow_exception(state.failure);
    if (!finished || state.cancelled || !state.prepared)
        return LoadEnd::Cancelled;

    QElapsedTimer clock;
    clock.start();
    list.addPrepared(std::move(*state.prepared));
    state.prepared.reset();
    state.spent.installNs = clock.nsecsElapsed();
    if (timings)
        *timings = state.spent;
    return LoadEnd::Loaded;
}

LoadEnd loadChannels(ChannelListModel &list, const ChannelFeed &feed, ChannelLoadTimings *timings)
{
    return ChannelLoadInProgress(list, feed).finish(list, timings);
}
