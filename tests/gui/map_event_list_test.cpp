// The event list's map: one pin per recording the table shows, following its sorting and
// filtering, with selection going both ways.
#include <QCheckBox>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

#include "gui/events/event_list_window.h"
#include "gui/events/event_table_model.h"
#include "gui/map/event_map.h"
#include "tests/gui/app_fixture.h"
#include "tests/gui/map_test_support.h"
#include "tests/gui/support/wait.h"

namespace drv::test {
namespace {

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
    ASSERT_TRUE(MakeRouteRecording(card / "A", {40, {}, 5}));
    ASSERT_TRUE(MakeRouteRecording(card / "B", {40, {}, 15}));
    ASSERT_TRUE(MakeRouteRecording(card / "C", {40, {}, 25}));
    ASSERT_TRUE(MakeRouteRecording(card / "D", {40, {20}, 20}));

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
        EXPECT_TRUE(box->isChecked());
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
