#pragma once

#include "TM3UChannel.h"

#include <QByteArrayView>
#include <QStringView>

#include <string>
#include <string_view>
#include <vector>

class ChannelListModel;

// The M3U reader for a playlist that arrives in pieces: the text can be cut anywhere, a line
// cut between two pieces is joined again, and a CR that ends one piece followed by an LF that
// starts the next is one line break. The pending channel name is kept from piece to piece.
// Accepted channels are collected and go into the list only at finish(), with one bulk add;
// a reader dropped before finish() leaves the list untouched.
// A stream is fed either text or UTF-8 bytes, not both.
class M3UStreamReader final {
public:
    M3UStreamReader();
    ~M3UStreamReader();

    void feed(QStringView text);
    // Bytes the caller has checked to be valid UTF-8 in the whole (a piece may end inside a
    // character). Gives the same channels as feeding the decoded text, at a fraction of
    // the cost, since only accepted names and addresses are ever decoded.
    void feedUtf8(QByteArrayView bytes);

    // Reads the last, unterminated line, adds every accepted channel to list with one bulk
    // add and leaves the reader empty, ready for another stream.
    void finish(ChannelListModel &list);

    std::size_t acceptedCount() const { return m_accepted.size(); }

private:
    // What one kind of input keeps between pieces.
    template <typename Char> struct LineState {
        std::basic_string<Char> carry; // the unfinished last line of the previous piece
        std::basic_string<Char> name;  // the pending channel name, owned once its piece is gone
        bool skipLf = false;           // the previous piece ended with CR
    };

    template <typename Char> void feedPiece(std::basic_string_view<Char> piece, LineState<Char> &state);
    template <typename Char> void finishState(LineState<Char> &state);

    std::vector<TM3UChannel> m_accepted;
    LineState<char16_t> m_text;
    LineState<char> m_bytes;
};
