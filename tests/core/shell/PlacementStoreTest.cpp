#include "shell/PlacementStore.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
const PlacementEnvironment kFullHd{QSize(1920, 1080), 96, QPoint(8, 8)};

WindowPlacement designed()
{
    WindowPlacement p;
    p.left = 460;
    p.top = 226;
    p.right = 1460;
    p.bottom = 853;
    return p;
}

class PlacementStoreTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::unique_ptr<QSettings> settings;

    void SetUp() override { reopen(); }
    void reopen()
    {
        settings.reset();
        settings =
            std::make_unique<QSettings>(dir.filePath(QStringLiteral("Norvale.conf")), QSettings::IniFormat);
    }
    void put(const QString &name, const QString &value) { settings->setValue("TfrmMain/" + name, value); }
    QString get(const QString &name) { return settings->value("TfrmMain/" + name).toString(); }
};

TEST_F(PlacementStoreTest, SavesNineStringValuesNamedForTheScreenSize)
{
    PlacementStore store(*settings);
    PlacementRestore r;
    ASSERT_TRUE(store.restore(designed(), kFullHd, r));
    EXPECT_FALSE(r.applyPlacement); // first run: nothing stored, window stays centred
    WindowPlacement p = r.placement;
    p.showCmd = 1;
    p.left = 10;
    p.top = 20;
    p.right = 1010;
    p.bottom = 647;
    ASSERT_TRUE(store.save(p, false, kFullHd, false));
    reopen();
    EXPECT_EQ(get("FormVersion"), "0");
    EXPECT_EQ(get("Flags"), "0");
    EXPECT_EQ(get("ShowCmd"), "1");
    EXPECT_EQ(get("PixelsPerInch"), "96");
    EXPECT_EQ(get("MinMaxPos(1920x1080)"), "-1,-1,-8,-8");
    EXPECT_EQ(get("MinMaxPos"), "-1,-1,-8,-8");
    EXPECT_EQ(get("NormPos(1920x1080)"), "10,20,1010,647");
    EXPECT_EQ(get("NormPos"), "10,20,1010,647");
    EXPECT_EQ(get("Visible"), "0");
    settings->beginGroup("TfrmMain");
    EXPECT_EQ(settings->childKeys().size(), 9);
    settings->endGroup();
}

TEST_F(PlacementStoreTest, NothingIsSavedWithoutARestore)
{
    PlacementStore store(*settings);
    ASSERT_TRUE(store.save(designed(), false, kFullHd, false));
    reopen();
    EXPECT_TRUE(settings->allKeys().isEmpty());
}

TEST_F(PlacementStoreTest, MinimizedApplicationSavesShowCmdTwoAndDestroyingSavesVisibleOne)
{
    PlacementStore store(*settings);
    PlacementRestore r;
    ASSERT_TRUE(store.restore(designed(), kFullHd, r));
    WindowPlacement p = designed();
    p.showCmd = 1;
    ASSERT_TRUE(store.save(p, true, kFullHd, true));
    reopen();
    EXPECT_EQ(get("ShowCmd"), "2");
    EXPECT_EQ(get("Visible"), "1");
}

struct RestoreCase {
    const char *what;
    std::vector<std::pair<QString, QString>> stored;
    PlacementEnvironment env;
    bool apply;
    int left, top, right, bottom;
    RestoredState state;
};

void PrintTo(const RestoreCase &c, std::ostream *out)
{
    *out << c.what;
}

class PlacementRestoreTest : public PlacementStoreTest, public ::testing::WithParamInterface<RestoreCase> {};

TEST_P(PlacementRestoreTest, AppliesTheStoredValuesByTheRules)
{
    const RestoreCase &c = GetParam();
    for (const auto &[name, value] : c.stored)
        put(name, value);
    PlacementStore store(*settings);
    PlacementRestore r;
    ASSERT_TRUE(store.restore(designed(), c.env, r)) << c.what;
    EXPECT_TRUE(store.isRestored());
    EXPECT_EQ(r.applyPlacement, c.apply) << c.what;
    if (c.apply) {
        EXPECT_EQ(r.placement.left, c.left) << c.what;
        EXPECT_EQ(r.placement.top, c.top) << c.what;
        EXPECT_EQ(r.placement.right, c.right) << c.what;
        EXPECT_EQ(r.placement.bottom, c.bottom) << c.what;
    }
    EXPECT_EQ(r.state, c.state) << c.what;
    EXPECT_EQ(r.placement.maxPosition, QPoint(-c.env.frameSize.x(), -c.env.frameSize.y())) << c.what;
}

const std::vector<std::pair<QString, QString>> kSaved = {
    {"FormVersion", "0"},
    {"Flags", "0"},
    {"ShowCmd", "1"},
    {"PixelsPerInch", "96"},
    {"MinMaxPos(1920x1080)", "-1,-1,-8,-8"},
    {"NormPos(1920x1080)", "100,50,1100,677"},
    {"NormPos", "300,200,1300,827"},
};

INSTANTIATE_TEST_SUITE_P(
    Cases, PlacementRestoreTest,
    ::testing::Values(
        RestoreCase{"same screen restores the per-size rectangle", kSaved, kFullHd, true, 100, 50, 1100, 677,
                    RestoredState::Normal},
        RestoreCase{"another screen size falls back to the values without suffix",
                    kSaved,
                    {QSize(1280, 800), 96, QPoint(8, 8)},
                    true,
                    300,
                    200,
                    1300,
                    827,
                    RestoredState::Normal},
        RestoreCase{"another pixels-per-inch applies no rectangle",
                    kSaved,
                    {QSize(1920, 1080), 144, QPoint(8, 8)},
                    false,
                    0,
                    0,
                    0,
                    0,
                    RestoredState::Normal},
        RestoreCase{"minimized at close minimizes again",
                    {{"ShowCmd", "2"}, {"NormPos", "1,2,500,400"}, {"PixelsPerInch", "96"}},
                    kFullHd,
                    true,
                    1,
                    2,
                    500,
                    400,
                    RestoredState::Minimized},
        RestoreCase{"show states 6 and 7 also minimize",
                    {{"ShowCmd", "7"}},
                    kFullHd,
                    false,
                    0,
                    0,
                    0,
                    0,
                    RestoredState::Minimized},
        RestoreCase{"maximized", {{"ShowCmd", "3"}}, kFullHd, false, 0, 0, 0, 0, RestoredState::Maximized},
        RestoreCase{"unknown show state is normal",
                    {{"ShowCmd", "4"}},
                    kFullHd,
                    false,
                    0,
                    0,
                    0,
                    0,
                    RestoredState::Normal},
        RestoreCase{"left not below right is not applied",
                    {{"NormPos", "500,0,500,300"}},
                    kFullHd,
                    false,
                    0,
                    0,
                    0,
                    0,
                    RestoredState::Normal},
        RestoreCase{"missing or bad words take the current rectangle",
                    {{"NormPos", " 7 ,, x"}},
                    kFullHd,
                    true,
                    7,
                    226,
                    1460,
                    853,
                    RestoredState::Normal},
        RestoreCase{"negative version applies nothing",
                    {{"FormVersion", "-1"}, {"NormPos", "1,2,3,4"}, {"ShowCmd", "3"}},
                    kFullHd,
                    false,
                    0,
                    0,
                    0,
                    0,
                    RestoredState::Normal},
        RestoreCase{"not an integer is the default",
                    {{"ShowCmd", "three"}, {"PixelsPerInch", "lots"}, {"NormPos", "5,6,700,800"}},
                    kFullHd,
                    true,
                    5,
                    6,
                    700,
                    800,
                    RestoredState::Normal}));

TEST_F(PlacementStoreTest, RoundTripRestoresWhatWasSaved)
{
    {
        PlacementStore store(*settings);
        PlacementRestore r;
        ASSERT_TRUE(store.restore(designed(), kFullHd, r));
        WindowPlacement p = r.placement;
        p.left = 33;
        p.top = 44;
        p.right = 1033;
        p.bottom = 671;
        p.showCmd = 3;
        ASSERT_TRUE(store.save(p, false, kFullHd, false));
    }
    reopen();
    PlacementStore store(*settings);
    PlacementRestore r;
    ASSERT_TRUE(store.restore(designed(), kFullHd, r));
    EXPECT_TRUE(r.applyPlacement);
    EXPECT_EQ(r.placement.left, 33);
    EXPECT_EQ(r.placement.bottom, 671);
    EXPECT_EQ(r.state, RestoredState::Maximized);
}
} // namespace
