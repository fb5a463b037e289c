#include "ChannelLoad.h"

#include "ChannelListModel.h"
#include "M3UStreamReader.h"
#include "shell/ExclusiveWait.h"

#include <QElapsedTimer>

#include <exception>
#include <optional>

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

LoadEnd loadChannels(ChannelListModel &list, const ChannelFeed &feed, ChannelLoadTimings *timings)
{
    ChannelLoadTimings spent;
    // The worker sorts with a collator of its own; the list's stays with this thread.
    const ChannelCollator collator = list.collator();
    const bool searchable = list.isSearchable();
    std::optional<ChannelListModel::Prepared> prepared;
    std::exception_ptr failure;
    const bool finished = ExclusiveWait::run([&](const std::atomic<bool> &cancelled) {
        try {
            M3UStreamReader reader;
            feed(reader, cancelled, spent);
            if (cancelled)
                return;
            QElapsedTimer clock;
            clock.start();
            prepared = ChannelListModel::prepare(reader.takeChannels(), collator, searchable, &cancelled);
            spent.sortNs = clock.nsecsElapsed();
            if (cancelled)
                prepared.reset(); // released here rather than on the waiting thread
        } catch (...) {
            failure = std::current_exception();
        }
        returnFreedMemory();
    });
    if (failure)
        std::rethrow_exception(failure);
    if (!finished || !prepared)
        return LoadEnd::Cancelled;

    QElapsedTimer clock;
    clock.start();
    list.addPrepared(std::move(*prepared));
    spent.installNs = clock.nsecsElapsed();
    if (timings)
        *timings = spent;
    return LoadEnd::Loaded;
}
