#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <sys/inotify.h>
#include <unistd.h>

#include "gui/events/event_batch_job.h"
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

// A filter with only the fields `set` gives.
EventFilter filter(void (*set)(EventFilter&)) {
    EventFilter f;
    set(f);
    return f;
}

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
    void SetUp() override {
        // The list's remembered settings and cache go to this test's own folder (tests run in
        // parallel), and every test starts without them.
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((root() / "config").native()));
        qputenv("XDG_CACHE_HOME", QByteArray::fromStdString((root() / "cache").native()));
        test::AppFixture::SetUp();
    }
    fs::path card() const { return cardDir_; }
    EventListWindow* list() { return w().eventList().window(); }
    bool scanDone() {
        return test::waitUntil([this] { return list() && !list()->scanning(); }, 20000);
    }
    QString shownFolder(int row) { return list()->sorted()->index(row, EventTableModel::ColFolder).data().toString(); }
    // `count` recordings; `fast`: on a tmpfs when there is one, as making thousands of files costs
    // about a millisecond each on some disks.
    void makeCard(int count, const SampleOptions& o, bool fast = false) {
        if (fast && QFileInfo(QStringLiteral("/dev/shm")).isWritable())
            cardDir_ = fs::path(shm_.path().toStdString()) / "card";
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

// Rows open in the main window; pictures are decoded at the size they are shown (64 x 48 from
// 640 x 480), and the list saves the same CSV as drtool.
TEST_F(EventListTest, MenuAsksForARootRowsOpenInTheMainWindowAndTheToolsCsv) {
    SampleOptions o = quick(5, 14, true);
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
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("3 件のイベント"));
    // Newest first, by the first frame's time.
    EXPECT_EQ(QStringList({shownFolder(0), shownFolder(1), shownFolder(2)}), QStringList({"EVT2", "sub/EVT3", "EVT1"}));

    window->table()->setCurrentIndex(window->sorted()->index(1, 1));
    QTest::keyClick(window->table(), Qt::Key_Return);
    waitForLoad();
    EXPECT_EQ(w().recording().folder, card() / "sub/EVT3");
    EXPECT_EQ(w().recording().CurrentFrame, 3) << "at the trigger frame, the list's picture";
    window->show();
    const QRect cell = window->table()->visualRect(window->sorted()->index(0, 2));
    QTest::mouseClick(window->table()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(window->table()->viewport(), Qt::LeftButton, {}, cell.center());
    waitForLoad();
    EXPECT_EQ(w().recording().folder, card() / "EVT2");
    EXPECT_EQ(w().recording().CurrentFrame, 3);
    EXPECT_TRUE(window->isVisible()) << "the list stays open";
    EXPECT_TRUE(dialogs_.shown.empty());

    // While the main window plays nothing opens, nothing stops, and the list says why.
    w().mnuStart_Click();
    ASSERT_TRUE(w().playback().isActive());
    window->openRow(2);
    EXPECT_EQ(w().recording().folder, card() / "EVT2");
    EXPECT_TRUE(w().playback().isActive());
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].text, QStringLiteral("再生中は開けません。停止してから開いてください。"));
    w().mnuStop_Click();

    const QModelIndex first = window->sorted()->index(0, EventTableModel::ColPicture);
    ASSERT_TRUE(test::waitUntil([&] { return !first.data(Qt::DecorationRole).value<QPixmap>().isNull(); }, 5000));
    EXPECT_EQ(first.data(Qt::DecorationRole).value<QPixmap>().size(), QSize(64, 48));
    DRV_REQUIRE_TOOL();
    dialogs_.saves = {{root() / "list.csv", 0}, {root() / "excel.csv", 1}};
    ASSERT_TRUE(window->saveCsv());
    EXPECT_EQ(test::ReadFile(root() / "list.csv"),
              test::Shell(test::Tool() + " events --format csv " + test::Quote(card())).out);
    ASSERT_TRUE(window->saveCsv());
    EXPECT_EQ(test::ReadFile(root() / "excel.csv"),
              test::Shell(test::Tool() + " events --format csv --excel " + test::Quote(card())).out);
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

// Rows shown from the cache, then the scan's rows in walk order: each confirms or replaces its
// folder's row, a new folder lands in walk order, a stored row the scan passed over goes, and
// what the scan never reached stays greyed unless it ended complete.
TEST(EventTableModelTest, StoredRowsGiveWayToTheScansRows) {
    struct Case {
        const char* name;
        std::vector<const char*> stored, read;  // folder, ":2" for a changed row
        bool complete;
        const char* shown;  // "?" after a row not confirmed
    };
    const Case cases[] = {
        {"changed, gone, new", {"A", "A/x", "B", "C"}, {"A:2", "B", "B/y", "D"}, true, "A:2 B B/y D"},
        {"cancelled", {"A", "B", "C"}, {"A"}, false, "A B? C?"},
        {"complete drops the rest", {"A", "B", "C"}, {"A"}, true, "A"},
        {"new before stored", {"B"}, {"A", "A/z"}, false, "A A/z B?"},
        {"nothing stored", {}, {"A", "B"}, true, "A B"},
        {"the root first, subfolders after their folder",
         {".", "a", "a/b", "a-"},
         {".", "a", "a/b", "a-"},
         true,
         ". a a/b a-"},
    };
    auto summary = [](std::string spec) {
        EventSummary s;
        const auto colon = spec.find(':');
        s.frames = colon == std::string::npos ? 1 : std::stoi(spec.substr(colon + 1));
        s.folder = spec.substr(0, colon);
        return s;
    };
    EventThumbnails thumbnails(QSize(64, 48));
    for (const Case& c : cases) {
        EventTableModel model(thumbnails);
        std::vector<EventSummary> stored;
        for (const char* f : c.stored) stored.push_back(summary(f));
        model.showProvisional(std::move(stored));
        for (const char* f : c.read) model.append({summary(f)});
        if (c.complete) model.dropUnconfirmed();
        QStringList shown;
        for (int r = 0; r < model.rowCount(); ++r) {
            const EventSummary& s = model.rows()[std::size_t(r)];
            shown << QString::fromStdString(s.folder.string() + (s.frames > 1 ? ":2" : "") +
                                            (model.confirmed(r) ? "" : "?"));
        }
        EXPECT_EQ(shown.join(' '), QString::fromUtf8(c.shown));
    }
}

// A card for the filters: kinds, days, a damaged frame and a recording without a trigger.
class EventFilterTest : public EventListTest {
protected:
    void SetUp() override {
        EventListTest::SetUp();
        struct Rec {
            const char* name;
            SampleOptions::TriggerKind kind;
            int day;
        };
        const Rec recs[] = {
            {"DCIM/EVT1", SampleOptions::TriggerKind::Shock, 0},
            {"DCIM/EVT2", SampleOptions::TriggerKind::Switch, 1},
            {"DCIM/EVT3", SampleOptions::TriggerKind::None, 2},
            {"PARK/EVT4", SampleOptions::TriggerKind::Shock, 3},
        };
        for (const Rec& r : recs) {
            SampleOptions o = quick(4);
            o.kind = r.kind;
            o.startTime += r.day * 86400;
            makeRecording("card/" + std::string(r.name), o);
        }
        test::WriteText(card() / "PARK/EVT4/00005.jpg", "damaged");
        w().eventList().show(card());
        ASSERT_TRUE(scanDone());
        window = list();
    }
    QStringList shown() {
        QStringList out;
        for (int r = 0; r < window->sorted()->rowCount(); ++r) out << shownFolder(r);
        out.sort();
        return out;
    }
    EventListWindow* window = nullptr;
};

TEST_F(EventFilterTest, FiltersCombineAndTheTotalsFollow) {
    window->searchBox()->setText(QStringLiteral("dcim"));
    EXPECT_EQ(shown(), QStringList({"DCIM/EVT1", "DCIM/EVT2", "DCIM/EVT3"}));
    auto* kind = window->findChild<QComboBox*>(QStringLiteral("cmbKind"));
    kind->setCurrentIndex(kind->findText(QStringLiteral("衝撃検出撮影")));
    EXPECT_EQ(shown(), QStringList({"DCIM/EVT1"}));
    EXPECT_EQ(window->totalsLabel()->text(),
              QStringLiteral("表示 1 / 4 件　衝撃検出撮影 1　2007/10/10〜2007/10/10　破損コマ 0"));
    window->setFilter(filter([](EventFilter& f) { f.damagedOnly = true; }));
    EXPECT_EQ(shown(), QStringList({"PARK/EVT4"}));
    EXPECT_EQ(window->searchBox()->text(), QString()) << "the bar shows the filter set";

    // Ctrl+F goes to the search; Esc clears the filters, and again closes the window.
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    window->table()->setFocus();
    QTest::keyClick(window->table(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(window->searchBox()->hasFocus());
    QTest::keyClick(window->searchBox(), Qt::Key_Escape);
    EXPECT_FALSE(window->filter().active());
    EXPECT_EQ(window->sorted()->rowCount(), 4);
    EXPECT_TRUE(window->isVisible());
    QTest::keyClick(window->searchBox(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
}

// Filters, compact mode, sort, column order and width, and the root are there the next time.
TEST_F(EventFilterTest, TheWindowIsRememberedBetweenSessions) {
    const EventFilter kept = filter([](EventFilter& f) { f.text = "EVT", f.minPeakG = 0.1; });
    window->setFilter(kept);
    window->setCompact(true);
    EXPECT_TRUE(window->table()->isColumnHidden(EventTableModel::ColPicture));
    EXPECT_LE(window->table()->verticalHeader()->defaultSectionSize() * 30, 800) << "30 rows on a screen";
    QHeaderView* header = window->table()->horizontalHeader();
    header->moveSection(header->visualIndex(EventTableModel::ColDamaged), 1);
    header->resizeSection(EventTableModel::ColFolder, 321);
    window->table()->sortByColumn(EventTableModel::ColFrames, Qt::AscendingOrder);
    window->close();
    window_.reset();  // the launcher and its window go

    EXPECT_EQ(EventListWindow(dialogs_).filter(), kept);
    EXPECT_EQ(EventListLastRoot(), card());
    EventListWindow again(dialogs_);
    EXPECT_TRUE(again.compact());
    QHeaderView* h = again.table()->horizontalHeader();
    EXPECT_EQ(h->visualIndex(EventTableModel::ColDamaged), 1);
    EXPECT_EQ(h->sectionSize(EventTableModel::ColFolder), 321);
    EXPECT_EQ(h->sortIndicatorSection(), EventTableModel::ColFrames);
    EXPECT_EQ(h->sortIndicatorOrder(), Qt::AscendingOrder);
    window_ = std::make_unique<MainWindow>(dialogs_, *paths_);  // for the fixture's teardown
}

// Several rows at once: the row menu's copies and folder, and the batch actions.
TEST_F(EventFilterTest, SelectedRowsCopiedOffTheCardAndExported) {
    window->table()->selectAll();
    ASSERT_EQ(window->selectedRows().size(), 4u);
    std::vector<QUrl> opened;
    window->setDesktop([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    window->rowMenu()->findChild<QAction*>(QStringLiteral("openFolder"))->trigger();
    EXPECT_EQ(opened.size(), 4u);
    EXPECT_TRUE(opened[0].isLocalFile());
    window->rowMenu()->findChild<QAction*>(QStringLiteral("copyPath"))->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text().split('\n').size(), 4);
    window->rowMenu()->findChild<QAction*>(QStringLiteral("copyPosition"))->trigger();
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("35.67")))
        << QGuiApplication::clipboard()->text().toStdString();

    window->setFilter(filter([](EventFilter& f) { f.text = "DCIM"; }));
    window->table()->selectAll();
    const fs::path dest = root() / "pc";
    fs::create_directories(dest / "EVT1");
    ASSERT_TRUE(window->copySelectedTo(dest));
    ASSERT_TRUE(test::waitUntil([&] { return !window->batch().running(); }, 20000));
    ASSERT_FALSE(dialogs_.shown.empty());
    EXPECT_EQ(dialogs_.shown.back().icon, Dialogs::Icon::Information) << dialogs_.shown.back().text.toStdString();
    for (const char* name : {"EVT1 (2)", "EVT2", "EVT3"}) EXPECT_TRUE(fs::exists(dest / name / "SHA256SUMS")) << name;

    // A full disk: a message, and nothing half-copied.
    const fs::path full = root() / "full";
    fs::create_directories(full);
    ASSERT_TRUE(
        window->copySelectedTo(full, [](int, const void*, std::size_t) -> ssize_t { return errno = ENOSPC, -1; }));
    ASSERT_TRUE(test::waitUntil([&] { return !window->batch().running(); }, 20000));
    EXPECT_TRUE(dialogs_.shown.back().text.startsWith(QStringLiteral("保存先の空き容量が足りません。")));
    EXPECT_TRUE(fs::is_empty(full));

    ASSERT_TRUE(window->exportSelectedTelemetryTo(root() / "pc", 1));
    ASSERT_TRUE(test::waitUntil([&] { return !window->batch().running(); }, 20000));
    for (const char* name : {"EVT1.gpx", "EVT2.gpx", "EVT3.gpx"}) EXPECT_TRUE(fs::file_size(dest / name) > 100) << name;
}

}  // namespace
}  // namespace drv
