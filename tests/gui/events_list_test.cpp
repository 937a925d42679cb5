#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTest>
#include <sys/inotify.h>
#include <unistd.h>

#include "gui/events/event_list_window.h"
#include "gui/events/event_scan_job.h"
#include "gui/events/event_table_model.h"
#include "tests/core/support/frame_files.h"
#include "tests/gui/app_fixture.h"
#include "tests/gui/support/wait.h"

namespace drv {
namespace {

namespace fs = std::filesystem;

// Counts the files opened in the folders just below `card`, as the kernel reports them.
struct FileOpens {
    int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC), opens = 0;
    explicit FileOpens(const fs::path& card) {
        for (const auto& entry : fs::directory_iterator(card)) inotify_add_watch(fd, entry.path().c_str(), IN_OPEN);
    }
    ~FileOpens() { ::close(fd); }
    // Opens of files other than `picture`, which the list's thumbnails may open at any time.
    int count(const std::string& picture) {
        alignas(inotify_event) char buffer[64 * 1024];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
            for (const char* at = buffer; at < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                opens += (event->mask & IN_ISDIR) == 0 && (event->len == 0 || picture != event->name);
                at += sizeof(inotify_event) + event->len;
            }
        }
        return opens;
    }
};

class EventListTest : public test::AppFixture {
protected:
    fs::path card() const { return cardDir_; }
    EventListWindow* list() { return w().eventList().window(); }
    bool scanDone() { return test::waitUntil([this] { return list() && !list()->scanning(); }, 20000); }
    QString shownFolder(int row) { return list()->sorted()->index(row, EventTableModel::ColFolder).data().toString(); }
    // `count` recordings; `fast`: on a tmpfs when there is one, as making thousands of files costs
    // about a millisecond each on some disks.
    void makeCard(int count, const SampleOptions& o, bool fast = false) {
        if (fast && QFileInfo(QStringLiteral("/dev/shm")).isWritable()) cardDir_ = fs::path(shm_.path().toStdString()) / "card";
        std::string error;
        for (int r = 0; r < count; ++r)
            ASSERT_TRUE(MakeSampleRecording(card() / ("EVT" + std::to_string(1000 + r)), o, &error)) << error;
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
    waitForLoad();
    EXPECT_EQ(w().recording().folder, card() / "sub/EVT3");
    EXPECT_EQ(w().recording().CurrentFrame, 1);
    window->show();
    const QRect cell = window->table()->visualRect(window->sorted()->index(0, 2));
    QTest::mouseClick(window->table()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(window->table()->viewport(), Qt::LeftButton, {}, cell.center());
    waitForLoad();
    EXPECT_EQ(w().recording().folder, card() / "EVT2");
    EXPECT_TRUE(window->isVisible()) << "the list stays open";
    EXPECT_TRUE(dialogs_.shown.empty());
}

// Pictures decoded at the size they are shown (64 x 48 from 640 x 480), and the same CSV as drtool.
TEST_F(EventListTest, PicturesAtTheirShownSizeAndTheToolsCsv) {
    makeCard(3, quick(2, 14, true));
    w().eventList().show(card());
    EventListWindow* window = list();
    ASSERT_TRUE(scanDone());
    EXPECT_EQ(window->model()->rowCount(), 3);
    const QModelIndex first = window->sorted()->index(0, EventTableModel::ColPicture);
    ASSERT_TRUE(test::waitUntil([&] { return !first.data(Qt::DecorationRole).value<QPixmap>().isNull(); }, 5000));
    EXPECT_EQ(first.data(Qt::DecorationRole).value<QPixmap>().size(), QSize(64, 48));

    DRV_REQUIRE_TOOL();
    dialogs_.saves = {{root() / "list.csv", 0}};
    ASSERT_TRUE(window->saveCsv());
    EXPECT_EQ(dialogs_.saved.at(0).filters, QStringList({"CSV (*.csv)"}));
    EXPECT_EQ(test::ReadFile(root() / "list.csv"),
              test::Shell(test::Tool() + " events --format csv " + test::Quote(card())).out);
}

// A card pulled out while the scan reads it, then Cancel as the first row arrives: the worker opens
// at most the frame it was about to read when Cancel came (counted once it has been waited for).
TEST_F(EventListTest, APulledCardEndsWithAMessageAndCancelStopsTheReading) {
    makeCard(200, quick(30), true);
    w().eventList().show(card());
    EventListWindow* window = list();
    const fs::path pulled = card().parent_path() / "pulled";
    onFirstRow(window, [&] { fs::rename(card(), pulled); });
    ASSERT_TRUE(scanDone());
    EXPECT_GT(window->model()->rowCount(), 0);
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_TRUE(dialogs_.shown[0].text.startsWith(QStringLiteral("読み込みの途中でフォルダが読めなくなりました")));
    EXPECT_EQ(dialogs_.shown[0].icon, Dialogs::Icon::Warning);

    FileOpens opens(pulled);
    ASSERT_GE(opens.fd, 0);
    int atCancel = -1;
    std::string picture;
    onFirstRow(window, [&] {
        window->cancelButton()->click();
        picture = window->model()->rows().at(0).pictureName.string();
        atCancel = opens.count(picture);
    });
    window->scan(pulled);
    ASSERT_TRUE(test::waitUntil([&] { return !window->scanning(); }, 20000));
    const int kept = window->model()->rowCount();
    test::waitMs(100);
    EXPECT_EQ(window->model()->rowCount(), kept) << "no row after Cancel";
    EXPECT_TRUE(kept >= 1 && kept < 200) << kept;
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("中止しました (%1 件)").arg(kept));
    EXPECT_FALSE(window->cancelButton()->isVisible());
    EXPECT_TRUE(window->saveButton()->isEnabled());
    window_.reset();  // waits for the worker
    EXPECT_LE(opens.count(picture) - atCancel, 1) << "frames read after Cancel";
}

}  // namespace
}  // namespace drv
