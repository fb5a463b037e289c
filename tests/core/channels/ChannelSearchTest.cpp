// The channel search: the upper-cased index of the list's rows must answer exactly as the plain
// definition does (both texts upper-cased one UTF-16 unit at a time, exact substring, rows after
// the start only), whatever the characters, and stay so while rows are added, removed and edited.

#include "ChannelTestUtil.h"

#include "channels/ChannelListModel.h"
#include "channels/ChannelLoad.h"
#include "channels/M3UStreamReader.h"
#include "shell/ExclusiveWait.h"

#include <QCoreApplication>
#include <QStringList>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <stdexcept>
#include <thread>

namespace {

// The definition, written without the index's help.
int plainFind(const ChannelListModel &list, const QString &text, int start)
{
    if (text.isEmpty())
        return -1;
    const auto upper = [](QString s) {
        for (QChar &c : s)
            c = c.toUpper();
        return s;
    };
    const QString wanted = upper(text);
    for (int row = std::max(start + 1, 0); row < list.count(); ++row) {
        if (upper(list.text(row)).contains(wanted))
            return row;
    }
    return -1;
}

const QStringList kNames = {
    QStringLiteral("Morning NEWS"),
    QStringLiteral("Evening News"),
    QStringLiteral("Newsroom"),
    QStringLiteral("Télé Zürich"),
    QStringLiteral("Straße 1"),
    QStringLiteral("STRASSE 2"),
    QStringLiteral("ǆ digraph"),     // U+01C6, upper U+01C4
    QStringLiteral("µ radio"),       // micro sign, upper Greek capital mu
    QStringLiteral("ﬁlm"),           // the ligature has no one-unit upper case
    QStringLiteral("𐐨 Deseret"),     // a surrogate pair, left as it is unit by unit
    QStringLiteral("ı dotless"),     // upper is the ASCII I: two bytes become one
    QStringLiteral("ÿ end"),         // upper Ÿ lies outside Latin-1
    qs(u"A\u0000B"),                 // a NUL inside a name
    QStringLiteral("Kelvin \u212A"), // the Kelvin sign stays itself
};

ChannelListModel &filled(ChannelListModel &list)
{
    std::vector<TM3UChannel> channels;
    for (const QString &name : kNames)
        channels.push_back(TM3UChannel{name, QStringLiteral("udp://x")});
    list.addChannels(std::move(channels));
    return list;
}

int rowOf(const ChannelListModel &list, const QString &text)
{
    for (int row = 0; row < list.count(); ++row) {
        if (list.text(row) == text)
            return row;
    }
    throw std::logic_error("no such row");
}

struct SearchCase {
    const char *label;
    QString text;
    QString startAfter; // the row the search starts below; empty: from the top (-1)
    QString found;      // the row expected; empty: none
};

void PrintTo(const SearchCase &c, std::ostream *out)
{
    *out << c.label;
}

class ChannelSearchCases : public testing::TestWithParam<SearchCase> {};

TEST_P(ChannelSearchCases, IndexedAndPlainListsAnswerAsTheDefinition)
{
    const SearchCase &c = GetParam();
    ChannelListModel indexed;
    indexed.enableSearch();
    ChannelListModel plain;
    for (ChannelListModel *list : {&filled(indexed), &filled(plain)}) {
        const int start = c.startAfter.isEmpty() ? -1 : rowOf(*list, c.startAfter);
        const int expected = c.found.isEmpty() ? -1 : rowOf(*list, c.found);
        EXPECT_EQ(plainFind(*list, c.text, start), expected) << "the case itself is wrong";
        EXPECT_EQ(list->findNext(c.text, start), expected) << (list == &indexed ? "indexed" : "plain");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Characters, ChannelSearchCases,
    testing::Values(SearchCase{"CaseIgnored", "news", {}, "Evening News"},
                    SearchCase{"NextBelowTheStart", "NEWS", "Evening News", "Morning NEWS"},
                    SearchCase{"NoWrapAround", "news", "Newsroom", {}},
                    SearchCase{"AccentsUpperCased", "télé zürich", {}, "Télé Zürich"},
                    SearchCase{"SharpSStaysOneLetter", "straße", {}, "Straße 1"},
                    SearchCase{"SharpSIsNotSS", "strasse", {}, "STRASSE 2"},
                    SearchCase{"DigraphToUpper", "ǆ", {}, "ǆ digraph"},
                    SearchCase{"TitlecaseDigraphToUpper", "ǅ", {}, "ǆ digraph"},
                    SearchCase{"GreekMuMatchesMicroSign", "μ radio", {}, "µ radio"},
                    SearchCase{"LigatureOnlyItself", "ﬁ", {}, "ﬁlm"},
                    SearchCase{"LigatureNotSpelledOut", "film", {}, {}},
                    SearchCase{"SurrogatePair", "𐐨", {}, "𐐨 Deseret"},
                    SearchCase{"SurrogatePairNotUpperCased", "𐐀", {}, {}},
                    SearchCase{"LoneHighSurrogateInsideAPair", qs(u"\xD801"), {}, "𐐨 Deseret"},
                    SearchCase{"DotlessIBecomesAsciiI", "i DOTLESS", {}, "ı dotless"},
                    SearchCase{"YDiaeresisToUpper", "Ÿ", {}, "ÿ end"},
                    SearchCase{"NulInside", qs(u"a\u0000b"), {}, qs(u"A\u0000B")},
                    SearchCase{"KelvinSignNotK", "kelvin k", {}, {}},
                    SearchCase{"EmptyTextNeverMatches", {}, {}, {}},
                    SearchCase{"OnlyMatchAboveTheStart", "zürich", "Télé Zürich", {}}),
    [](const auto &info) { return std::string(info.param.label); });

TEST(ChannelSearch, StartIndexAtAndPastTheEnds)
{
    ChannelListModel list;
    list.enableSearch();
    filled(list);
    const int last = list.count() - 1;
    for (const int start : {-100, -2, -1, 0, last - 1, last, last + 1, last + 100}) {
        for (const QString &text : {QStringLiteral("e"), QStringLiteral("N"), QStringLiteral("Newsroom")})
            EXPECT_EQ(list.findNext(text, start), plainFind(list, text, start))
                << start << " " << text.toStdString();
    }
    ChannelListModel empty;
    empty.enableSearch();
    EXPECT_EQ(empty.findNext(QStringLiteral("e"), -1), -1);
}

// Rows added one by one, removed, renamed, and whole lists added into filled ones, over more
// rows than the index keeps a mark for: after every change the index answers as the rows do.
TEST(ChannelSearch, IndexKeepsInStepWithEveryChange)
{
    std::mt19937 random(7);
    const QStringList pieces = {"news", "Zürich", "ß", "ǆ", "ı", "𐐨", "TV", "e", "x"};
    const auto name = [&] {
        QString n;
        for (int k = int(random() % 3); k >= 0; --k)
            n += pieces[int(random() % pieces.size())] + QString::number(random() % 10);
        return n;
    };
    ChannelListModel list;
    list.enableSearch();
    std::vector<TM3UChannel> first;
    for (int i = 0; i < 300; ++i)
        first.push_back(TM3UChannel{name(), QStringLiteral("udp://x")});
    list.addChannels(std::move(first));

    for (int step = 0; step < 200; ++step) {
        const int row = list.count() ? int(random() % unsigned(list.count())) : 0;
        switch (random() % 4) {
        case 0:
            list.removeAt(row);
            break;
        case 1:
            list.setText(row, name());
            break;
        case 2:
            list.addText(name());
            break;
        default:
            list.addChannels({TM3UChannel{name(), QStringLiteral("udp://y")}, TM3UChannel{name(), {}}});
            break;
        }
        for (const QString &text : {QStringLiteral("NEWS"), QStringLiteral("ß1"), QStringLiteral("I"),
                                    QStringLiteral("𐐨"), pieces[step % pieces.size()]}) {
            for (const int start : {-1, row - 1, row, list.count() / 2})
                ASSERT_EQ(list.findNext(text, start), plainFind(list, text, start))
                    << "step " << step << " text " << text.toStdString() << " start " << start;
        }
    }
    list.clear();
    EXPECT_EQ(list.findNext(QStringLiteral("e"), -1), -1);
    list.addText(QStringLiteral("after clear"));
    EXPECT_EQ(list.findNext(QStringLiteral("CLEAR"), -1), 0);
}

// A list filled through the load has its index built with it, also when the rows arrive in
// many batches read by two threads.
TEST(ChannelLoad, FillsTheListWithItsIndex)
{
    QString playlist;
    for (int i = 0; i < 50000; ++i)
        playlist += QStringLiteral("#EXTINF:-1,Chaîne %1 ß\r\nudp://h/%1\r\n").arg(i);
    ChannelListModel list;
    list.enableSearch();
    ChannelLoadTimings timings;
    const LoadEnd end = loadChannels(
        list,
        [&playlist](M3UStreamReader &reader, const std::atomic<bool> &, ChannelLoadTimings &) {
            reader.feed(playlist);
        },
        &timings);
    EXPECT_EQ(end, LoadEnd::Loaded);
    ASSERT_EQ(list.count(), 50000);
    for (const QString &text : {QStringLiteral("CHAÎNE 49999 "), QStringLiteral("1234"), QStringLiteral("ẞ")})
        EXPECT_EQ(list.findNext(text, -1), plainFind(list, text, -1)) << text.toStdString();
    EXPECT_EQ(list.text(list.findNext(QStringLiteral("chaîne 49999"), -1)), QStringLiteral("Chaîne 49999 ß"));
}

// A failure while reading reaches the caller, and the list stays as it was.
TEST(ChannelLoad, FailureLeavesTheListAsItWas)
{
    ChannelListModel list;
    list.enableSearch();
    list.addText(QStringLiteral("kept"));
    EXPECT_THROW(loadChannels(list,
                              [](M3UStreamReader &reader, const std::atomic<bool> &, ChannelLoadTimings &) {
                                  reader.feed(u"#EXTINF:-1,Lost\r\nudp://lost\r\n");
                                  throw std::runtime_error("read failed");
                              }),
                 std::runtime_error);
    EXPECT_EQ(rowsOf(list), std::vector<std::string>{"kept|"});
    EXPECT_EQ(list.findNext(QStringLiteral("lost"), -1), -1);
}

// A load started ahead and then given up stops its work, which ends without touching the list.
TEST(ChannelLoad, DroppedUnfinishedStopsItsWork)
{
    ChannelListModel list;
    list.addText(QStringLiteral("kept"));
    std::atomic<bool> started{false};
    bool sawCancel = false;
    {
        ChannelLoadInProgress load(
            list, [&](M3UStreamReader &reader, const std::atomic<bool> &cancelled, ChannelLoadTimings &) {
                reader.feed(u"#EXTINF:-1,Never\r\nudp://never\r\n");
                started = true;
                const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                while (!cancelled && std::chrono::steady_clock::now() < giveUp)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                sawCancel = cancelled;
            });
        while (!started)
            std::this_thread::yield();
    }
    EXPECT_TRUE(sawCancel);
    EXPECT_EQ(rowsOf(list), std::vector<std::string>{"kept|"});
}

// Closing the busy window cancels the wait of a load that is under way: its work stops, and the
// list stays as it was. The cancel arrives as the busy window's events do, during the wait.
TEST(ChannelLoad, CancelledWaitStopsTheWork)
{
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    int argc = 1;
    char name[] = "ChannelSearchTest";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QObject busyWindow;
    ExclusiveWait::setDeliveredDuringWaits(
        [&busyWindow](const QObject *object) { return object == &busyWindow; });

    ChannelListModel list;
    list.addText(QStringLiteral("kept"));
    bool sawCancel = false;
    ChannelLoadInProgress load(
        list, [&](M3UStreamReader &reader, const std::atomic<bool> &cancelled, ChannelLoadTimings &) {
            reader.feed(u"#EXTINF:-1,Never\r\nudp://never\r\n");
            const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!cancelled && std::chrono::steady_clock::now() < giveUp)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            sawCancel = cancelled;
        });
    QMetaObject::invokeMethod(
        &busyWindow, [] { ExclusiveWait::cancel(); }, Qt::QueuedConnection);
    EXPECT_EQ(load.finish(list), LoadEnd::Cancelled);
    ExclusiveWait::setDeliveredDuringWaits({});
    EXPECT_TRUE(sawCancel);
    EXPECT_EQ(rowsOf(list), std::vector<std::string>{"kept|"});
}

} // namespace
