// The platform asked of Qt: xcb on a Wayland session unless the user chose one, and only while
// no application object exists, since Qt reads the choice when that object is made.

#include "shell/PlatformChoice.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

struct EnvCase {
    const char *name;
    QList<QPair<QString, QString>> env;
    QByteArray expected;
};

void PrintTo(const EnvCase &c, std::ostream *out)
{
    *out << c.name;
}

class PlatformForTest : public testing::TestWithParam<EnvCase> {};

TEST_P(PlatformForTest, ChoosesForTheSession)
{
    QProcessEnvironment env;
    for (const auto &[name, value] : GetParam().env)
        env.insert(name, value);
    EXPECT_EQ(PlatformChoice::platformFor(env).toStdString(), GetParam().expected.toStdString());
}

using Env = QList<QPair<QString, QString>>;
INSTANTIATE_TEST_SUITE_P(
    Sessions, PlatformForTest,
    testing::Values(
        EnvCase{"NothingSet", Env{}, ""},
        EnvCase{"X11Session", Env{{"DISPLAY", ":0"}, {"XDG_SESSION_TYPE", "x11"}}, ""},
        EnvCase{"WaylandDisplaySet", Env{{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}}, "xcb"},
        EnvCase{"WaylandDisplayEmpty", Env{{"WAYLAND_DISPLAY", ""}, {"DISPLAY", ":0"}}, ""},
        EnvCase{"SessionTypeWaylandOnly", Env{{"XDG_SESSION_TYPE", "wayland"}}, "xcb"},
        EnvCase{"SessionTypeWaylandInCapitals", Env{{"XDG_SESSION_TYPE", "Wayland"}}, "xcb"},
        EnvCase{"UserChoseWayland", Env{{"WAYLAND_DISPLAY", "wayland-0"}, {"QT_QPA_PLATFORM", "wayland"}},
                ""},
        EnvCase{"UserChoseOffscreenOnX11", Env{{"QT_QPA_PLATFORM", "offscreen"}, {"DISPLAY", ":0"}}, ""},
        EnvCase{"EmptyChoiceCountsAsNone", Env{{"QT_QPA_PLATFORM", ""}, {"XDG_SESSION_TYPE", "wayland"}},
                "xcb"}),
    [](const auto &info) { return std::string(info.param.name); });

// Runs the real process environment through the choice, first before and then after the
// application object exists.
TEST(PlatformChoiceApply, SetsTheVariableOnlyBeforeTheApplicationExists)
{
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    const QByteArray before = qgetenv("QT_QPA_PLATFORM");
    qunsetenv("QT_QPA_PLATFORM");
    qputenv("WAYLAND_DISPLAY", "wayland-test");
    EXPECT_EQ(PlatformChoice::applyBeforeApplication(), PlatformChoice::Outcome::Requested);
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), QByteArray("xcb"));

    // Already chosen (by us or the user): nothing more to do.
    EXPECT_EQ(PlatformChoice::applyBeforeApplication(), PlatformChoice::Outcome::LeftAlone);
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), QByteArray("xcb"));

    qunsetenv("QT_QPA_PLATFORM");
    int argc = 1;
    char arg0[] = "PlatformChoiceTest";
    char *argv[] = {arg0, nullptr};
    {
        QCoreApplication app(argc, argv);
        EXPECT_EQ(PlatformChoice::applyBeforeApplication(), PlatformChoice::Outcome::TooLate);
        EXPECT_FALSE(qEnvironmentVariableIsSet("QT_QPA_PLATFORM"));
    }
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("QT_QPA_PLATFORM", before);
}

} // namespace
