#include <QBuffer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTest>
#include <thread>

#include "gui/events/event_list_window.h"
#include "gui/events/event_scan_job.h"
#include "gui/events/event_table_model.h"
#include "gui/events/event_thumbnails.h"
#include "tests/core/support/frame_files.h"
#include "tests/gui/app_fixture.h"
#include "tests/gui/support/wait.h"

namespace drv {
namespace {

namespace fs = std::filesystem;

class EventListTest : public test::AppFixture {
protected:
    fs::path card() const { return cardDir_; }
    EventListWindow* list() { return w().eventList().window(); }
    bool scanDone() { return test::waitUntil([this] { return list() && !list()->scanning(); }, 20000); }
    QString shownFolder(int row) { return list()->sorted()->index(row, EventTableModel::ColFolder).data().toString(); }
    // Recordings of frames with a real 64 x 48 picture; `fast`: on a tmpfs when there is one, as
    // making thousands of files costs about a millisecond each on some disks.
    void makeCard(int count, int frames, bool fast = false) {
        if (fast && QFileInfo(QStringLiteral("/dev/shm")).isWritable()) cardDir_ = fs::path(shm_.path().toStdString()) / "card";
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(QColor(40, 90, 160));
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        picture.save(&buffer, "JPEG");
        const auto bytes = BuildFrame(test::ExampleExif(), reinterpret_cast<const std::uint8_t*>(jpeg.constData()),
                                      static_cast<std::size_t>(jpeg.size()));
        for (int r = 0; r < count; ++r) {
            const fs::path dir = card() / ("EVT" + std::to_string(1000 + r));
            fs::create_directories(dir);
            for (int i = 1; i <= frames; ++i) test::WriteFile(dir / ("F" + std::to_string(i) + ".JPG"), bytes);
        }
    }
    // Runs `act` once, as the first recording read reaches this thread: mid-scan on a card
    // whose reading takes far longer than handing a row over.
    void onFirstRow(EventListWindow* window, std::function<void()> act) {
        auto done = std::make_shared<bool>(false);
        QObject::connect(&window->job(), &EventScanJob::rowRead, window, [done, act] {
            if (!*done) *done = true, act();
        });
    }

    QTemporaryDir shm_{QStringLiteral("/dev/shm/drv-test-XXXXXX")};
    fs::path cardDir_ = root() / "card";
};

TEST_F(EventListTest, MenuAsksForARootAndRowsOpenInTheMainWindow) {
    SampleOptions o = quick(5);
    makeRecording("card/EVT1", o);
    o.startTime += 86400;
    makeRecording("card/EVT2", o);
    o.startTime -= 86400 - 3600;
    makeRecording("card/sub/EVT3", o);
    openThroughDialog(card() / "EVT1");

    w().mnuEvents_Click();  // cancelled: no window
    EXPECT_EQ(dialogs_.browsed.back().startFolder, card()) << "the parent of the open recording";
    EXPECT_EQ(list(), nullptr);
    dialogs_.folders.push_back(card());
    w().mnuEvents_Click();
    ASSERT_TRUE(scanDone());
    EventListWindow* window = list();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("イベント一覧"));
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("3 件のイベント"));
    // Newest first, by the first frame's time.
    EXPECT_EQ(QStringList({shownFolder(0), shownFolder(1), shownFolder(2)}), QStringList({"EVT2", "sub/EVT3", "EVT1"}));

    window->table()->setCurrentIndex(window->sorted()->index(1, 1));
    QTest::keyClick(window->table(), Qt::Key_Return);
    EXPECT_EQ(w().recording().folder, card() / "sub/EVT3");
    EXPECT_EQ(w().recording().CurrentFrame, 1);
    window->show();
    const QRect cell = window->table()->visualRect(window->sorted()->index(0, 2));
    QTest::mouseClick(window->table()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(window->table()->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(w().recording().folder, card() / "EVT2");
    EXPECT_TRUE(window->isVisible()) << "the list stays open";
    w().setCurrentFrame(3);
    window->openRow(0);  // the open recording again: nothing happens
    EXPECT_EQ(w().recording().CurrentFrame, 3);
    w().mnuStart_Click();
    window->openRow(2);  // refused while playing
    EXPECT_EQ(w().recording().folder, card() / "EVT2");
    w().mnuStop_Click();
    EXPECT_TRUE(dialogs_.shown.empty());

    // The menu again: the same window, a new root.
    dialogs_.folders.push_back(card() / "sub");
    w().mnuEvents_Click();
    ASSERT_TRUE(scanDone());
    EXPECT_EQ(list(), window);
    EXPECT_EQ(dialogs_.browsed.back().startFolder, card()) << "the last root";
    EXPECT_EQ(window->model()->rowCount(), 1);
    EXPECT_EQ(shownFolder(0), QStringLiteral("EVT3"));
}

TEST_F(EventListTest, PicturesForTheRowsOnScreenAndTheToolsCsv) {
    makeCard(40, 2);
    w().eventList().show(card());
    EventListWindow* window = list();
    window->resize(900, 300);  // a few rows on screen
    ASSERT_TRUE(scanDone());
    EXPECT_EQ(window->model()->rowCount(), 40);
    QApplication::processEvents();
    window->thumbnails().waitForIdle();
    QApplication::processEvents();
    const int onScreen = window->table()->rowAt(window->table()->viewport()->height() - 1) + 1;
    EXPECT_GT(window->thumbnails().cachedCount(), 0);
    EXPECT_LE(window->thumbnails().cachedCount(), onScreen + 1);
    const QVariant picture = window->sorted()->index(0, EventTableModel::ColPicture).data(Qt::DecorationRole);
    EXPECT_EQ(picture.value<QPixmap>().size(), QSize(64, 48)) << "decoded at the size it is shown";

    DRV_REQUIRE_TOOL();
    dialogs_.saves = {{root() / "list.csv", 0}};
    ASSERT_TRUE(window->saveCsv());
    EXPECT_EQ(dialogs_.saved.at(0).filters, QStringList({"CSV (*.csv)"}));
    EXPECT_EQ(test::ReadFile(root() / "list.csv"),
              test::Shell(test::Tool() + " events --format csv " + test::Quote(card())).out);
}

TEST_F(EventListTest, CancelStopsAtOnceAndAPulledCardEndsWithAMessage) {
    makeCard(200, 30, true);
    w().eventList().show(card());
    EventListWindow* window = list();
    QElapsedTimer stopping;
    onFirstRow(window, [&] {
        window->cancelButton()->click();
        stopping.start();
    });
    ASSERT_TRUE(test::waitUntil([&] { return !window->scanning(); }, 20000));
    const int kept = window->model()->rowCount();
    while (window->job().workerBusy() && stopping.elapsed() < 1000) std::this_thread::yield();
    EXPECT_LT(stopping.elapsed(), 100) << "the worker stopped reading";
    test::waitMs(100);
    EXPECT_TRUE(kept >= 1 && kept < 200) << kept;
    EXPECT_EQ(window->model()->rowCount(), kept) << "no row after Cancel";
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("中止しました (%1 件)").arg(kept));
    EXPECT_FALSE(window->cancelButton()->isVisible());
    EXPECT_TRUE(window->saveButton()->isEnabled());

    // The card goes at once (a rename), while the scan reads it.
    onFirstRow(window, [this] { fs::rename(card(), card().parent_path() / "pulled"); });
    window->scan(card());
    ASSERT_TRUE(scanDone());
    EXPECT_GT(window->model()->rowCount(), 0);
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_TRUE(dialogs_.shown[0].text.startsWith(QStringLiteral("読み込みの途中でフォルダが読めなくなりました")));
    EXPECT_EQ(dialogs_.shown[0].icon, Dialogs::Icon::Warning);
}

}  // namespace
}  // namespace drv
