// The map window on a recording with a known route, its background tiles from a tile server
// inside the test (never a server outside this machine), `drtool map`, and the event list's map.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "gui/events/event_list_window.h"
#include "gui/events/event_table_model.h"
#include "gui/map/event_map.h"
#include "gui/map/map_launcher.h"
#include "gui/map/map_window.h"
#include "net/map/tile_fetcher.h"
#include "gui/map/track_map.h"
#include "tests/gui/app_fixture.h"
#include "tests/core/support/frame_files.h"
#include "tests/gui/map_test_support.h"
#include "tests/gui/support/wait.h"

namespace drv::test {
namespace {

class MapWindowTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        ASSERT_TRUE(config_.isValid() && cache_.isValid());
        route_ = root() / "route";
        MakeRouteRecording(route_);
        launcher_ = new MapLauncher(w(), settingsFile(), cache_.path());
        w().show();
    }
    QString settingsFile() const { return config_.path() + QStringLiteral("/map.ini"); }
    MapWindow& openMap() {
        launcher_->menuAction()->trigger();
        return *launcher_->window();
    }
    // A map window of its own on the route, as a second run of the program would have it.
    std::unique_ptr<MapWindow> standaloneMap() {
        auto m = std::make_unique<MapWindow>(dialogs_, settingsFile(), cache_.path());
        if (!m->hasSavedGeometry()) m->resize(640, 480);
        m->show();
        Recording r = test::LoadedFolder(route_);
        r.CurrentFrame = 1;
        m->showRecording(r);
        return m;
    }
    bool useServer(MapWindow& m, const QString& urlTemplate) {
        m.customUrl()->setText(urlTemplate);
        return m.chooseServer(4);
    }
    static QColor pixelAtCentre(MapWindow& m) {
        const QImage shot = m.map()->grabMap();
        return shot.pixelColor(10, shot.height() / 2);
    }

    QTemporaryDir config_, cache_;
    std::filesystem::path route_;
    MapLauncher* launcher_ = nullptr;
};

TEST_F(MapWindowTest, FollowsTheFrameOnScreenAndStaysAcrossRecordings) {
    MapWindow& m = openMap();
    EXPECT_TRUE(m.isVisible());
    EXPECT_FALSE(m.map()->track().hasPositions());

    openThroughDialog(route_);
    EXPECT_TRUE(m.isVisible()) << "Open closes the other windows, never the map";
    EXPECT_EQ(m.map()->track().frameCount(), 120);
    EXPECT_EQ(m.map()->track().trigger, 60);
    EXPECT_EQ(m.map()->currentFrame(), 1);

    // Playback moves the marker with each frame shown and never waits for it; every other way to
    // a frame sends the same signal (checked with the frame owner).
    int steps = 0, behind = 0;
    const auto follow = QObject::connect(&w(), &MainWindow::currentFrameChanged, &m, [&](int frame) {
        ++steps;
        behind += m.map()->currentFrame() != frame;
    });
    w().setSpeedLevel(4);
    w().mnuStart_Click();
    EXPECT_TRUE(waitUntil([&] { return steps >= 4; }, 10000));
    w().mnuStop_Click();
    QObject::disconnect(follow);
    EXPECT_EQ(m.map()->currentFrame(), w().recording().CurrentFrame);
    EXPECT_EQ(behind, 0);

    // One window only; the menu brings the same one forward.
    launcher_->menuAction()->trigger();
    EXPECT_EQ(&openMap(), &m);
}

TEST_F(MapWindowTest, AClickOnTheTrackGoesToTheNearestFrameOnlyWhileStopped) {
    openThroughDialog(route_);
    MapWindow& m = openMap();
    m.resize(700, 560);
    QApplication::processEvents();
    const Track& t = m.map()->track();
    double x = 0, y = 0;
    m.map()->view().toScreen(t.at(45)->world, x, y);
    QTest::mouseClick(m.map(), Qt::LeftButton, {}, QPoint(int(std::lround(x)), int(std::lround(y))));
    EXPECT_EQ(w().recording().CurrentFrame, 45);
    EXPECT_EQ(m.map()->currentFrame(), 45);

    w().setSpeedLevel(0);
    w().mnuStart_Click();
    m.map()->view().toScreen(t.at(100)->world, x, y);
    QTest::mouseClick(m.map(), Qt::LeftButton, {}, QPoint(int(std::lround(x)), int(std::lround(y))));
    EXPECT_LT(w().recording().CurrentFrame, 60) << "clicks do nothing during playback";
    w().mnuStop_Click();

    // A drag pans instead of choosing a frame; the wheel zooms about the mouse.
    const int before = w().recording().CurrentFrame;
    const MapView v0 = m.map()->view();
    QTest::mousePress(m.map(), Qt::LeftButton, {}, QPoint(300, 300));
    QMouseEvent move(QEvent::MouseMove, QPointF(360, 330), QPointF(360, 330), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(m.map(), &move);
    QTest::mouseRelease(m.map(), Qt::LeftButton, {}, QPoint(360, 330));
    EXPECT_EQ(w().recording().CurrentFrame, before);
    EXPECT_NEAR((v0.centre.x - m.map()->view().centre.x) * v0.worldPixels(), 60, 1e-6);
    QWheelEvent wheel(QPointF(100, 100), m.map()->mapToGlobal(QPointF(100, 100)), {}, QPoint(0, 240), Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
    const WorldPoint under = m.map()->view().toWorld(100, 100);
    QApplication::sendEvent(m.map(), &wheel);
    EXPECT_NEAR(m.map()->view().zoom, v0.zoom + 1, 1e-9);
    EXPECT_NEAR(m.map()->view().toWorld(100, 100).x, under.x, 1e-12);
    m.findChild<QPushButton*>(QStringLiteral("fit"))->click();
    EXPECT_NEAR(m.map()->view().zoom, v0.zoom, 1e-9);
}

TEST_F(MapWindowTest, TilesComeFromTheChosenServerWithinTheLimitsAndFromTheCacheNextTime) {
    LocalTileServer server;
    server.delayMs = 60;  // long enough for requests to overlap
    {
        auto m = standaloneMap();
        EXPECT_EQ(m->tiles()->server().kind, TileServerKind::None);
        EXPECT_TRUE(server.requests.empty()) << "none is the default: no network at all";
        ASSERT_TRUE(useServer(*m, server.urlTemplate()));
        EXPECT_EQ(dialogs_.shown.size(), 1u) << "the first use of a host asks";
        EXPECT_TRUE(dialogs_.shown.back().text.contains(QStringLiteral("127.0.0.1")));
        EXPECT_TRUE(m->destination()->text().contains(QStringLiteral("127.0.0.1")));
        ASSERT_TRUE(waitUntil([&] { return !m->tiles()->busy() && !server.requests.empty(); }, 20000));
        const int z = TileZoomFor(m->map()->view().zoom);
        const QRegularExpression path(QStringLiteral("^/t/%1/\\d+/\\d+\\.png$").arg(z));
        for (const auto& r : server.requests) {
            EXPECT_TRUE(path.match(QString::fromLatin1(r.path)).hasMatch()) << r.path.toStdString();
            EXPECT_EQ(r.userAgent, TileFetcher::userAgent());
        }
        EXPECT_GT(server.maxPending, 1);
        EXPECT_LE(server.maxPending, TileFetcher::kMaxInFlight);
        EXPECT_EQ(server.requests.size(), VisibleTiles(m->map()->view()).size());
        EXPECT_EQ(pixelAtCentre(*m), server.colour);
        EXPECT_FALSE(m->tiles()->failing());
    }
    // The next window remembers the server (agreed once) and draws from the disk cache.
    const std::size_t asked = server.requests.size();
    auto again = standaloneMap();
    EXPECT_EQ(again->serverBox()->currentIndex(), 4);
    ASSERT_TRUE(waitUntil([&] { return !again->tiles()->busy(); }, 10000)) << "the cached tiles come from the worker";
    test::waitMs(200);
    EXPECT_EQ(server.requests.size(), asked) << "a second open makes no request";
    EXPECT_EQ(pixelAtCentre(*again), server.colour);
    EXPECT_EQ(dialogs_.shown.size(), 1u);
}

// The interface thread never reads the disk cache nor decodes a tile: both come back later.
TEST(TileFetcherTest, CachedTilesArriveFromTheWorkerAndADamagedCacheFileIsFetchedAgain) {
    QTemporaryDir cache;
    LocalTileServer server;
    const TileServer own = *CustomTileServer(server.urlTemplate().toStdString());
    const TileId good{12, 3638, 1612}, damaged{12, 3639, 1612};
    auto put = [&](const TileId& t, const QByteArray& bytes) {
        QFile file(cache.path() + QLatin1Char('/') + QString::fromStdString(TileCacheName(own.urlTemplate, t)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    const QColor cached(10, 200, 30);
    put(good, LocalTileServer::png(cached));
    put(damaged, QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(100, 'x'));

    TileFetcher fetcher(cache.path());
    fetcher.setServer(own);
    QSignalSpy changed(&fetcher, &TileFetcher::changed);
    fetcher.want({good, damaged});
    EXPECT_EQ(fetcher.tile(good), nullptr) << "want() returns before the file is read or decoded";
    EXPECT_EQ(changed.count(), 0);
    EXPECT_TRUE(fetcher.busy());
    ASSERT_TRUE(waitUntil([&] { return !fetcher.busy(); }, 10000));
    ASSERT_NE(fetcher.tile(good), nullptr);
    EXPECT_EQ(fetcher.tile(good)->pixelColor(5, 5), cached);
    EXPECT_GE(changed.count(), 1);

    // The damaged file is no tile: the server is asked for that one only, and its answer is kept.
    ASSERT_EQ(server.requests.size(), 1u);
    EXPECT_TRUE(server.requests[0].path.endsWith("/12/3639/1612.png")) << server.requests[0].path.toStdString();
    ASSERT_NE(fetcher.tile(damaged), nullptr);
    EXPECT_EQ(fetcher.tile(damaged)->pixelColor(5, 5), server.colour);
    TileFetcher next(cache.path());
    next.setServer(own);
    next.want({damaged});
    ASSERT_TRUE(waitUntil([&] { return !next.busy(); }, 10000));
    ASSERT_NE(next.tile(damaged), nullptr);
    EXPECT_EQ(server.requests.size(), 1u);
}

// One window through servers that go wrong, each choice starting afresh: refused, unreachable,
// answering with bad tiles, asking to slow down, and hanging.
TEST_F(MapWindowTest, ServersThatAreRefusedFailOrHangLeaveTheWindowWorking) {
    auto m = standaloneMap();
    dialogs_.answers.push_back(Dialogs::Button::No);
    EXPECT_FALSE(m->chooseServer(1));  // 国土地理院: refused, so never contacted
    EXPECT_EQ(m->serverBox()->currentIndex(), 0);
    EXPECT_EQ(m->tiles()->server().kind, TileServerKind::None);
    EXPECT_FALSE(useServer(*m, QStringLiteral("ftp://127.0.0.1/{z}/{x}/{y}")));
    EXPECT_EQ(dialogs_.shown.back().icon, Dialogs::Icon::Warning);
    EXPECT_EQ(m->tiles()->server().kind, TileServerKind::None);

    // Offline, the grid shows with one note.
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        closedPort = probe.serverPort();
    }
    const QImage grid = m->map()->grabMap();
    ASSERT_TRUE(useServer(*m, QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(closedPort)));
    ASSERT_TRUE(waitUntil([&] { return m->tiles()->failing(); }, 10000));
    const QImage shot = m->map()->grabMap();
    EXPECT_EQ(shot.pixelColor(10, shot.height() / 2), grid.pixelColor(10, grid.height() / 2)) << "grid";
    EXPECT_NE(shot.copy(0, 0, shot.width(), 30), grid.copy(0, 0, grid.width(), 30)) << "the note at the top";

    // Broken, not found and too large tiles are dropped and not asked again.
    LocalTileServer bad;
    bad.answer = [](const QByteArray& path) {
        const int x = path.split('/').value(3).toInt();
        switch (x % 3) {
            case 0: return LocalTileServer::Answer::Broken;
            case 1: return LocalTileServer::Answer::NotFound;
            default: return LocalTileServer::Answer::Huge;
        }
    };
    ASSERT_TRUE(useServer(*m, bad.urlTemplate()));
    ASSERT_TRUE(waitUntil([&] { return !m->tiles()->busy() && !bad.requests.empty(); }, 20000));
    EXPECT_EQ(m->tiles()->tilesInMemory(), 0);
    EXPECT_FALSE(m->tiles()->failing()) << "the sea has no tiles; that is no failure";
    std::size_t asked = bad.requests.size();
    m->map()->setView(m->map()->view());  // the same tiles wanted again
    test::waitMs(200);
    EXPECT_EQ(bad.requests.size(), asked);
    QDir cache(cache_.path());
    EXPECT_TRUE(cache.entryList({QStringLiteral("*.tile")}, QDir::Files).isEmpty()) << "nothing bad is kept";

    // Too many requests: it backs off before asking again.
    LocalTileServer busy;
    bool refuse = true;
    busy.answer = [&](const QByteArray&) {
        return refuse ? LocalTileServer::Answer::TooMany : LocalTileServer::Answer::Tile;
    };
    ASSERT_TRUE(useServer(*m, busy.urlTemplate()));
    ASSERT_TRUE(waitUntil([&] { return m->tiles()->failing(); }, 10000));
    asked = busy.requests.size();
    EXPECT_LE(asked, static_cast<std::size_t>(TileFetcher::kMaxInFlight));
    test::waitMs(400);
    EXPECT_EQ(busy.requests.size(), asked) << "Retry-After: 1 is kept";
    refuse = false;
    ASSERT_TRUE(waitUntil([&] { return !m->tiles()->failing() && !m->tiles()->busy(); }, 20000));
    EXPECT_EQ(pixelAtCentre(*m), busy.colour);

    // While every request to a slow server hangs, the window goes on following frames and painting.
    LocalTileServer slow;
    slow.delayMs = 60000;                            // answers long after this test
    ASSERT_TRUE(useServer(*m, slow.urlTemplate()));  // returns without waiting for the server
    ASSERT_TRUE(waitUntil([&] { return slow.pending > 0; }, 20000));
    for (int frame : {10, 50, 100}) {
        m->setCurrentFrame(frame);
        m->map()->repaint();
        EXPECT_EQ(m->map()->currentFrame(), frame);
    }
    EXPECT_TRUE(m->tiles()->busy());
    EXPECT_EQ(slow.pending, static_cast<int>(slow.requests.size())) << "nothing answered yet";
}

TEST_F(MapWindowTest, SavesTheMapAsShownWithTheAttribution) {
    auto m = standaloneMap();
    const auto file = root() / "saved";
    dialogs_.saves.push_back({file, 0});
    ASSERT_TRUE(m->saveAsImage());
    const QImage saved(PathToQString(root() / "saved.png"));
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), m->map()->size());
    EXPECT_EQ(saved, m->map()->grabMap().convertToFormat(saved.format()));

    // With a server, its attribution is part of every picture.
    TileServer gsi = *TileServerByName("gsi");
    MapScene scene;
    const Track track = m->map()->track();
    scene.track = &track;
    scene.view = FitTrack(track, 400, 300);
    const QImage none = RenderMapPicture(scene, nullptr, 0);
    scene.server = gsi;
    const QImage credited = RenderMapPicture(scene, nullptr, 0);
    EXPECT_NE(none.copy(200, 280, 200, 20), credited.copy(200, 280, 200, 20));
}

// drtool map renders the same picture without a window; its tiles come through the same cache.
TEST_F(MapWindowTest, DrtoolMapWritesThePicture) {
    const QString tool = qEnvironmentVariable("DRV_TOOL");
    auto run = [&](const QStringList& args, const QString& cacheHome = {}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CACHE_HOME"), cacheHome.isEmpty() ? cache_.path() : cacheHome);
        p.setProcessEnvironment(env);
        p.start(tool, args);
        // The tile server lives in this process: let it answer while drtool waits.
        waitUntil([&] { return p.state() == QProcess::NotRunning; }, 60000);
        return p.exitCode();
    };
    const QString out = PathToQString(root() / "map.png");
    const QString folder = PathToQString(route_);
    EXPECT_EQ(run({"map", folder, "-o", out, "--size", "800x600", "--frame", "45"}), 0);
    QImage picture(out);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(800, 600));

    LocalTileServer server;
    EXPECT_EQ(run({"map", folder, "-o", out, "--tiles", server.urlTemplate()}), 0);
    EXPECT_FALSE(server.requests.empty());
    EXPECT_EQ(QImage(out).pixelColor(10, 384), server.colour);
    const std::size_t asked = server.requests.size();
    EXPECT_EQ(run({"map", folder, "-o", out, "--tiles", server.urlTemplate()}), 0);
    EXPECT_EQ(server.requests.size(), asked) << "the second run draws from the cache";

    EXPECT_EQ(run({"map", folder, "-o", out, "--tiles", "gopher://x/{z}"}), 2);
    EXPECT_EQ(run({"map", folder, "-o", out, "--size", "10x10"}), 2);
    EXPECT_EQ(run({"map", folder, "-o", out, "--frame", "121"}), 1);
    EXPECT_EQ(run({"map", folder}), 2);
}

// The event list's map: one pin per recording the table shows, following its sorting and
// filtering, with selection going both ways.
class EventMapTest : public AppFixture {
protected:
    void SetUp() override {
        // The remembered choices go to this test's own folder.
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((root() / "config").native()));
        AppFixture::SetUp();
    }
};

TEST_F(EventMapTest, PinsFollowTheTableBothWays) {
    // Three recordings with positions (routes), one without (the trigger frame is a gap).
    const auto card = root() / "card";
    MakeRouteRecording(card / "A", {40, {}, 5});
    MakeRouteRecording(card / "B", {40, {}, 15});
    MakeRouteRecording(card / "C", {40, {}, 25});
    MakeRouteRecording(card / "D", {40, {20}, 20});

    EventListWindow list(dialogs_);
    list.resize(1200, 600);
    list.show();
    list.scan(card);
    ASSERT_TRUE(waitUntil([&] { return !list.scanning() && list.sorted()->rowCount() == 4; }, 20000));
    auto* map = list.findChild<EventMap*>();
    ASSERT_NE(map, nullptr);
    ASSERT_TRUE(waitUntil([&] { return map->pins().size() == 3; }, 2000));
    EXPECT_GT(map->width(), 100) << "beside the table";

    // Row -> pin: the selected pin is the row's recording.
    auto rowOf = [&](const QString& folder) {
        for (int r = 0; r < list.sorted()->rowCount(); ++r)
            if (list.sorted()->index(r, EventTableModel::ColFolder).data().toString() == folder) return r;
        return -1;
    };
    list.table()->selectRow(rowOf(QStringLiteral("B")));
    EXPECT_EQ(map->selectedRow(), rowOf(QStringLiteral("B")));
    list.table()->selectRow(rowOf(QStringLiteral("D")));
    EXPECT_EQ(map->selectedRow(), -1) << "a recording without a position has no pin";

    // Pin -> row: a click on C's pin selects C's row, whatever the sort order.
    list.table()->sortByColumn(EventTableModel::ColFolder, Qt::DescendingOrder);
    QApplication::processEvents();
    const int c = rowOf(QStringLiteral("C"));
    int pin = -1;
    QRectF bounds;
    for (std::size_t i = 0; i < map->pins().size(); ++i) {
        double x, y;
        map->view().toScreen(map->pins()[i].world, x, y);
        QTest::mouseClick(map, Qt::LeftButton, {}, QPoint(int(x), int(y) - 10));
        if (list.table()->currentIndex().row() == c) pin = static_cast<int>(i);
    }
    EXPECT_GE(pin, 0) << "one of the pins is C's";
    EXPECT_EQ(map->selectedRow(), list.table()->currentIndex().row());

    // A filter hides rows, and their pins with them.
    EventFilter onlyB;
    onlyB.text = "B";
    list.setFilter(onlyB);
    ASSERT_TRUE(waitUntil([&] { return map->pins().size() == 1; }, 2000));
    list.clearFilter();
    ASSERT_TRUE(waitUntil([&] { return map->pins().size() == 3; }, 2000));
}

TEST_F(EventMapTest, TheMapPaneHidesAndShowsAndTheChoiceIsKept) {
    {
        EventListWindow list(dialogs_);
        list.show();
        auto* box = list.findChild<QCheckBox*>(QStringLiteral("chkEventMap"));
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(list.findChild<EventMap*>()->isVisible()) << "shown at first";
        box->click();
        EXPECT_FALSE(list.findChild<EventMap*>()->isVisible());
    }
    EventListWindow next(dialogs_);
    next.show();
    next.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&next));
    auto* map = next.findChild<EventMap*>();
    EXPECT_FALSE(map->isVisible()) << "the next window remembers";
    QTest::keyClick(next.table(), Qt::Key_M, Qt::ControlModifier);
    EXPECT_TRUE(waitUntil([&] { return map->isVisible(); }, 2000)) << "Ctrl+M";
    EXPECT_GT(map->width(), 100);
}

}  // namespace
}  // namespace drv::test
