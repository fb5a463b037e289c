#pragma once

#include "TM3UChannel.h"

#include <QByteArrayView>
#include <QStringView>

#include <string>
#include <string_view>
#include <vector>

class ChannelListModel;

// Accepted channels in the order they were read, kept in batches of bounded size: a batch
// that is full is never moved again, where one growing vector would copy all its records
// each time it doubled.
class ChannelBatches final {
public:
    void push(TM3UChannel &&channel);
    // Moves all of other's channels after this one's and empties other, which keeps the room
    // of its first batch for the next time it is filled.
    void drainFrom(ChannelBatches &other);
    std::size_t size() const { return m_size; }
    std::vector<std::vector<TM3UChannel>> take();

private:
    std::vector<std::vector<TM3UChannel>> m_batches;
    std::size_t m_size = 0;
};

// The M3U reader for a playlist that arrives in pieces: the text can be cut anywhere, a line
// cut between two pieces is joined again, and a CR that ends one piece followed by an LF that
// starts the next is one line break. The pending channel name is kept from piece to piece.
// Accepted channels are collected and go into the list only at finish(), with one bulk add;
// a reader dropped before finish() leaves the list untouched.
// A stream is fed either text or UTF-8 bytes, not both.
class M3UStreamReader final {
public:
    // Pieces of at least splitFrom units (bytes or UTF-16 units) are read by two threads,
    // each taking one half; 0 reads every piece on the calling thread.
    static constexpr std::size_t DefaultSplitFrom = std::size_t(1) << 18;

    explicit M3UStreamReader(std::size_t splitFrom = DefaultSplitFrom);
    ~M3UStreamReader();

    void feed(QStringView text);
    // Bytes the caller has checked to be valid UTF-8 in the whole (a piece may end inside a
    // character). Gives the same channels as feeding the decoded text, at a fraction of
    // the cost, since only accepted names and addresses are ever decoded.
    void feedUtf8(QByteArrayView bytes);

    // Reads the last, unterminated line, adds every accepted channel to list with one bulk
    // add and leaves the reader empty, ready for another stream.
    void finish(ChannelListModel &list);
    // Reads the last, unterminated line and hands over every accepted channel, in reading
    // order, leaving the reader empty; for a bulk add prepared away from the list.
    std::vector<std::vector<TM3UChannel>> takeChannels();

    std::size_t acceptedCount() const;

private:
    // What one kind of input keeps between pieces.
    template <typename Char> struct LineState {
        std::basic_string<Char> carry; // the unfinished last line of the previous piece
        std::basic_string<Char> name;  // the pending channel name, owned once its piece is gone
        bool skipLf = false;           // the previous piece ended with CR
    };

    template <typename Char> void feedPiece(std::basic_string_view<Char> piece, LineState<Char> &state);
    template <typename Char> void finishState(LineState<Char> &state);

    std::size_t m_splitFrom;
    ChannelBatches m_accepted;
    ChannelBatches m_secondAccepted; // what the second thread accepts in one piece
    LineState<char16_t> m_text;
    LineState<char> m_bytes;
};
