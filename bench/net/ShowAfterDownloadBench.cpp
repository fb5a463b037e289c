// How long a downloaded playlist takes to become a filled channel list once its last byte has
// arrived: the same decode and parse the main window runs after HttpClient::get() returns.
// Usage: show_after_download_bench PLAYLIST.m3u   (target for 100,000 entries: at most 300 ms)
#include "TestServer.h"

#include "channels/ChannelListModel.h"
#include "channels/M3UReader.h"
#include "loading/BodyDecoder.h"
#include "loading/HttpClient.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: show_after_download_bench PLAYLIST.m3u\n");
        return 2;
    }
    qputenv("no_proxy", "127.0.0.1");
    TestServer server;
    if (const QString error = server.start(false); !error.isEmpty()) {
        std::fprintf(stderr, "test server: %s\n", qPrintable(error));
        return 2;
    }
    const QString url =
        server.httpUrl(QStringLiteral("/file?path=%1").arg(QFileInfo(argv[1]).absoluteFilePath()));
    std::vector<double> runs;
    int rows = 0;
    for (int run = 0; run < 5; ++run) {
        HttpClient client;
        const HttpResponse response = client.get(url);
        QElapsedTimer shown;
        shown.start();
        if (!response.ok || response.statusCode != 200) {
            std::fprintf(stderr, "download failed: %s\n", qPrintable(response.errorMessage));
            return 2;
        }
        const std::optional<QByteArray> body = inflateBody(response.body, response.contentEncoding);
        const std::optional<QString> content = body ? decodePlaylistBody(url, *body) : std::nullopt;
        if (!content) {
            std::fprintf(stderr, "body could not be decoded\n");
            return 2;
        }
        ChannelListModel list;
        ParseM3UContent(list, *content);
        runs.push_back(double(shown.nsecsElapsed()) / 1e6);
        rows = list.count();
    }
    std::sort(runs.begin(), runs.end());
    std::printf("rows: %d\nlast byte to filled list: best %.0f ms, median %.0f ms (target <= 300 ms)\n", rows,
                runs.front(), runs[runs.size() / 2]);
    return 0;
}
