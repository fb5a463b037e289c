#include "ChannelTestUtil.h"

#include "channels/ChannelListModel.h"

#include <QAbstractItemModelTester>
#include <QLocale>
#include <QSignalSpy>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

std::vector<TM3UChannel> channelsNamed(const QStringList &names)
{
    std::vector<TM3UChannel> channels;
    for (qsizetype i = 0; i < names.size(); ++i)
        channels.push_back(TM3UChannel{names[i], QStringLiteral("udp://%1").arg(i)});
    return channels;
}

QStringList textsOf(const ChannelListModel &model)
{
    QStringList texts;
    for (int row = 0; row < model.count(); ++row)
        texts << model.text(row);
    return texts;
}

// Every group of names equal without regard to case occupies consecutive rows.
void expectEqualNamesAdjacent(const ChannelListModel &model)
{
    std::map<QString, std::vector<int>> rowsByName;
    for (int row = 0; row < model.count(); ++row)
        rowsByName[model.text(row).toCaseFolded()].push_back(row);
    for (const auto &[name, rows] : rowsByName)
        EXPECT_EQ(rows.back() - rows.front() + 1, int(rows.size())) << name.toStdString();
}

class ChannelListModelTest : public ::testing::Test {
protected:
    ChannelListModel model;
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(ChannelListModelTest, SortsWithoutRegardToCase)
{
    model.addText("b");
    model.addText("A");
    model.addText("C");
    EXPECT_EQ(textsOf(model), (QStringList{"A", "b", "C"}));

    ChannelListModel bulk;
    bulk.addChannels(channelsNamed({"b", "A", "C"}));
    EXPECT_EQ(textsOf(bulk), (QStringList{"A", "b", "C"}));
}

TEST_F(ChannelListModelTest, SortsInLocaleOrderNotCodeOrder)
{
    // In code-point order É would come after Z and the lower-case names after all capitals.
    model.addChannels(channelsNamed({"Zulu", "\u00C9lan", "echo", "Eagle", "\u00E9t\u00E9"}));
    EXPECT_EQ(textsOf(model), (QStringList{"Eagle", "echo", "\u00C9lan", "\u00E9t\u00E9", "Zulu"}));
}

// Sets the default locale for one test and puts the previous one back.
class DefaultLocale {
public:
    explicit DefaultLocale(const QLocale &locale) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(m_previous); }

private:
    QLocale m_previous;
};

TEST(ChannelListModelLocale, FollowsTheUsersLocale)
{
    const QStringList names{"\u00D6rebro", "Zulu", "Oslo", "\u00E4ngby", "Alpha"};
    const struct {
        const char *name;
        QLocale locale;
        QStringList expected;
    } cases[] = {
        {"English",
         QLocale(QLocale::English, QLocale::UnitedKingdom),
         {"Alpha", "\u00E4ngby", "\u00D6rebro", "Oslo", "Zulu"}},
        // Swedish puts Å, Ä and Ö after Z.
        {"Swedish",
         QLocale(QLocale::Swedish, QLocale::Sweden),
         {"Alpha", "Oslo", "Zulu", "\u00E4ngby", "\u00D6rebro"}},
        // No configured locale still sorts alphabetically and without regard to case.
        {"C", QLocale::c(), {"Alpha", "\u00E4ngby", "\u00D6rebro", "Oslo", "Zulu"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const DefaultLocale scoped(c.locale);
        ChannelListModel bulk;
        bulk.addChannels(channelsNamed(names));
        EXPECT_EQ(textsOf(bulk), c.expected);
        ChannelListModel single;
        for (const QString &name : names)
            single.addText(name);
        EXPECT_EQ(textsOf(single), c.expected);
    }
}

TEST_F(ChannelListModelTest, EqualNamesStandSideBySide)
{
    model.addChannels(channelsNamed({"x", "Alpha", "x", "beta", "X", "ALPHA", "Beta", "alpha", "gamma"}));
    model.addText("BETA");
    model.addText("x");
    model.addChannels(channelsNamed({"Gamma", "ALPHA"}));
    ASSERT_EQ(model.count(), 13);
    expectEqualNamesAdjacent(model);
    EXPECT_EQ(model.text(0).toCaseFolded(), "alpha");
    EXPECT_EQ(model.text(12).toCaseFolded(), "x");
}

TEST_F(ChannelListModelTest, RowsCarryTheirRecords)
{
    model.addChannels({TM3UChannel{"News", "udp://news"}, TM3UChannel{"Art", "udp://art"}});
    model.addText("Middle");
    EXPECT_EQ(rowsOf(model), (std::vector<std::string>{"Art|udp://art", "Middle|", "News|udp://news"}));
    EXPECT_EQ(model.channel(1), nullptr);
    EXPECT_EQ(model.data(model.index(2), Qt::DisplayRole).toString(), "News");
    EXPECT_EQ(model.data(model.index(2), ChannelListModel::UrlRole).toString(), "udp://news");
    EXPECT_FALSE(model.data(model.index(1), ChannelListModel::UrlRole).isValid());
    EXPECT_EQ(model.channel(-1), nullptr);
    EXPECT_EQ(model.channel(3), nullptr);
    EXPECT_EQ(model.text(3), QString());
}

TEST_F(ChannelListModelTest, RowTextIsACopyOfTheName)
{
    model.addChannels(channelsNamed({"Alpha", "Beta", "Gamma"}));
    TM3UChannel *beta = model.channel(1);
    ASSERT_NE(beta, nullptr);
    beta->Name = "Renamed";
    EXPECT_EQ(model.text(1), "Beta");

    QSignalSpy changed(&model, &ChannelListModel::dataChanged);
    model.setText(0, "Zeta");
    EXPECT_EQ(textsOf(model), (QStringList{"Zeta", "Beta", "Gamma"}));
    EXPECT_EQ(model.channel(0)->Name, "Alpha");
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(ChannelListModelTest, IndexOnlyForRowsOfTheList)
{
    model.addText("One");
    model.addText("Two");
    const QModelIndex parent = model.index(0);
    struct Case {
        int row;
        int column;
        bool withParent;
        bool valid;
    };
    for (const Case &c : {Case{0, 0, false, true}, Case{1, 0, false, true}, Case{2, 0, false, false},
                          Case{-1, 0, false, false}, Case{0, 1, false, false}, Case{0, 0, true, false}}) {
        const QModelIndex index = model.index(c.row, c.column, c.withParent ? parent : QModelIndex());
        EXPECT_EQ(index.isValid(), c.valid) << c.row << "," << c.column << "," << c.withParent;
        EXPECT_EQ(index.isValid(), model.hasIndex(c.row, c.column, c.withParent ? parent : QModelIndex()));
        if (c.valid) {
            EXPECT_EQ(index.row(), c.row);
            EXPECT_EQ(index.model(), &model);
        }
    }
}

TEST_F(ChannelListModelTest, RemoveAtAndClear)
{
    model.addChannels(channelsNamed({"Alpha", "Beta", "Gamma"}));
    TM3UChannel *gamma = model.channel(2);
    model.removeAt(1);
    model.removeAt(7);
    EXPECT_EQ(textsOf(model), (QStringList{"Alpha", "Gamma"}));
    EXPECT_EQ(model.channel(1), gamma); // records do not move when rows around them go

    model.clear();
    EXPECT_EQ(model.count(), 0);
    model.clear();
    EXPECT_EQ(model.count(), 0);
}

TEST_F(ChannelListModelTest, BulkAddSignalsOnce)
{
    QSignalSpy inserted(&model, &ChannelListModel::rowsInserted);
    QSignalSpy reset(&model, &ChannelListModel::modelReset);
    QSignalSpy changed(&model, &ChannelListModel::dataChanged);

    model.addChannels(channelsNamed({"d", "b", "f"}));
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 0);
    EXPECT_EQ(inserted[0][2].toInt(), 2);
    EXPECT_EQ(reset.count(), 0);

    // Into a filled list the new rows interleave with the old ones: one reset for all.
    model.addChannels(channelsNamed({"e", "a", "c", "g"}));
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(textsOf(model), (QStringList{"a", "b", "c", "d", "e", "f", "g"}));

    model.addChannels({});
    EXPECT_EQ(inserted.count() + reset.count(), 2);
}

TEST_F(ChannelListModelTest, LargeBatchSortedOnSeveralThreads)
{
    // Big enough for the parallel key computation; keys from every thread must line up
    // with their own names.
    QStringList names;
    for (int i = 0; i < 50000; ++i)
        names << QStringLiteral("%1 Ch").arg((i * 7919) % 50000, 5, 10, QChar(u'0'));
    model.addChannels(channelsNamed(names));
    ASSERT_EQ(model.count(), 50000);
    for (int row = 0; row < model.count(); ++row) {
        ASSERT_EQ(model.text(row), QStringLiteral("%1 Ch").arg(row, 5, 10, QChar(u'0')));
        ASSERT_EQ(model.channel(row)->Name, model.text(row));
    }
}

// The same names as one bulk add must give, found the slow way: a stable sort that compares
// the texts themselves with the list's collation.
QStringList stablySorted(const QStringList &names)
{
    const ChannelCollator collator{QLocale()};
    QStringList sorted = names;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [&collator](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
    return sorted;
}

TEST_F(ChannelListModelTest, BulkOrderIsTheStableOrderOfTheTexts)
{
    // Names that agree on far more than the first few sort-key bytes, equal names told apart
    // only by case or by their place, names that are prefixes of others, and batches below
    // and above the size that sorts on two threads.
    const auto longShared = [](int i) {
        return QStringLiteral("International News Channel %1 %2")
            .arg(QString(i % 7, u'z'), QString::number((i * 31) % 97));
    };
    const auto prefixes = [](int i) {
        return QStringLiteral("Sport").left(1 + i % 5) + QString(i % 3, u' ');
    };
    const auto casesOnly = [](int i) {
        QString name = QStringLiteral("\u00E9t\u00E9 plus");
        if (i % 2)
            name = name.toUpper();
        return name + QString::number(i % 4);
    };
    const auto mixed = [](int i) {
        static const char16_t *const words[] = {u"News",         u"\u041A\u0438\u043D\u043E",
                                                u"\u5929\u6C14", u"\u00C9lan",
                                                u"Stra\u00DFe",  u"strasse",
                                                u"\u00C6gir"};
        return QString::fromUtf16(words[i % 7]) + u' ' + QString::fromUtf16(words[(i / 7) % 7]) + u' ' +
               QString::number(i % 13);
    };
    const struct {
        const char *name;
        std::function<QString(int)> nameOf;
    } cases[] = {{"long shared beginnings", longShared},
                 {"prefixes of each other", prefixes},
                 {"equal but for case", casesOnly},
                 {"mixed scripts", mixed}};
    for (const auto &c : cases) {
        for (const int count : {300, 40000}) {
            SCOPED_TRACE(testing::Message() << c.name << ", " << count << " names");
            QStringList names;
            for (int i = 0; i < count; ++i)
                names << c.nameOf(i);
            std::vector<TM3UChannel> channels = channelsNamed(names);
            ChannelListModel bulk;
            bulk.addChannels(std::move(channels));
            const QStringList expected = stablySorted(names);
            ASSERT_EQ(textsOf(bulk), expected);
            // Identical texts keep their batch order too, which the addresses (udp://index) show.
            for (int row = 1; row < bulk.count(); ++row) {
                if (bulk.text(row - 1) == bulk.text(row)) {
                    ASSERT_LT(bulk.channel(row - 1)->URL.mid(6).toInt(),
                              bulk.channel(row)->URL.mid(6).toInt())
                        << row;
                }
            }
        }
    }
}

} // namespace
