#include "channels/ChannelListModel.h"
#include "channels/M3UReader.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct ToolRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ToolRun runTool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(NORVALE_CHANNELS_TOOL), arguments);
    EXPECT_TRUE(process.waitForFinished(30000));
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

QString fixture(const char *name)
{
    return QStringLiteral(NORVALE_TEST_DATA "/channels/%1").arg(QString::fromLatin1(name));
}

TEST(NorvaleChannelsTool, PrintsRowsInListOrder)
{
    // small.m3u: UTF-8 with a byte-order mark, CR LF and LF lines, one entry the reader drops.
    const ToolRun run = runTool({fixture("small.m3u")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.err, QByteArray());
    EXPECT_EQ(run.out,
              QByteArray("Alpha\thttps://cdn.example/alpha.m3u8\n"
                         "beta\tudp://@239.0.0.2:1234\n"
                         "\xC3\x89lan\trtmp://live.example/elan\n"
                         "Z\xC3\xBCrich \xE5\xA4\xA9\xE6\xB0\x94\thttp://edge.example/zurich.m3u8\n"));
}

TEST(NorvaleChannelsTool, LargeListPrintsEveryRowInListOrder)
{
    // Large enough for the tool's own heap set-up and for rows encoded in several blocks on
    // two threads; what it prints must be the list the reader fills, row for row.
    QByteArray bytes;
    const QByteArray padding(160, 'p');
    for (int i = 0; bytes.size() < (20 << 20); ++i) {
        const QByteArray title = (i % 3 == 0 ? QByteArray("\xC3\x89t\xC3\xA9 ") : QByteArray("News ")) +
                                 QByteArray::number((i * 7919) % 100003) + (i % 50 == 0 ? ", dropped" : "");
        bytes += "#EXTINF:-1 tvg-logo=\"" + padding + "\"," + title + (i % 2 ? "\r\n" : "\n") +
                 "udp://\xE2\x82\xAC/" + QByteArray::number(i) + "\r\n";
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("large.m3u"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();

    ChannelListModel model;
    ParseM3UContent(model, QString::fromUtf8(bytes));
    ASSERT_GT(model.count(), 40000);
    QByteArray expected;
    for (int row = 0; row < model.count(); ++row)
        expected += model.text(row).toUtf8() + '\t' + model.channel(row)->URL.toUtf8() + '\n';

    const ToolRun run = runTool({path});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.err, QByteArray());
    ASSERT_EQ(run.out.count('\n'), model.count());
    EXPECT_TRUE(run.out == expected);
}

TEST(NorvaleChannelsTool, EmptyFilePrintsNothing)
{
    const ToolRun run = runTool({fixture("empty.m3u")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, QByteArray());
    EXPECT_EQ(run.err, QByteArray());
}

TEST(NorvaleChannelsTool, TimeReportsPhasesOnStderr)
{
    const ToolRun run = runTool({"--time", fixture("small.m3u")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out.count('\n'), 4);
    for (const char *phase : {"read", "decode", "parse+sort", "print"})
        EXPECT_TRUE(run.err.contains(phase)) << phase;
    EXPECT_TRUE(run.err.contains("rows")) << run.err.toStdString();
    EXPECT_TRUE(run.err.trimmed().endsWith(" 4")) << run.err.toStdString();
}

TEST(NorvaleChannelsTool, Failures)
{
    const QString missing =
        QDir(QStringLiteral(NORVALE_TEST_DATA "/channels")).absoluteFilePath("missing.m3u");
    const QString directory = QDir(QStringLiteral(NORVALE_TEST_DATA "/channels")).absolutePath();
    const struct {
        const char *name;
        QString file;
        QByteArray message;
    } cases[] = {
        {"invalid UTF-8", fixture("invalid-utf8.m3u"),
         "No mapping for the Unicode character exists in the target multi-byte code page\n"},
        {"missing file", missing,
         "Cannot open file \"" + missing.toUtf8() + "\". No such file or directory\n"},
        {"directory", directory, "Cannot open file \"" + directory.toUtf8() + "\". Is a directory\n"},
        {"truncated sequence at the end", fixture("truncated-utf8.m3u"),
         "No mapping for the Unicode character exists in the target multi-byte code page\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const ToolRun run = runTool({c.file});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, QByteArray());
        EXPECT_EQ(run.err, c.message);
    }
}

} // namespace
