// The report entries of the main window: where they sit and when they work, the choices
// dialog, the work behind a progress dialog with Cancel, and the closing messages.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPrinterInfo>
#include <QPrintPreviewDialog>
#include <QSettings>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <set>
#include <thread>

#include "core/report/package.h"
#include "gui/report/report_dialog.h"
#include "gui/report/report_menu.h"
#include "tests/core/support/frame_files.h"
#include "tests/gui/app_fixture.h"
#include "tests/gui/map_test_support.h"
#include "tests/gui/support/wait.h"

namespace drv {
namespace {

class ReportMenuTest : public test::AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        menu_ = new ReportMenu(w());
    }
    ReportMenu& menu() { return *menu_; }
    ReportMenu* menu_ = nullptr;
    bool waitFinished(QSignalSpy& spy) {
        return test::waitUntil([&] { return !spy.isEmpty(); }, 60000);
    }
    std::filesystem::path openSample(int frames = 12) {
        const SampleOptions o = quick(frames, 14, true);
        const auto dir = makeRecording("rec", o);
        openThroughDialog(dir);
        return dir;
    }
};

// The entries need a recording (but for Verify), also in the picture's menu. The menu entry: the
// choices dialog (a note, standard brightening, the map on the map window's background, fetched
// on the worker from a tile server here), the file, the PDF.
TEST_F(ReportMenuTest, ReportThroughTheDialogs) {
    auto enabled = [&] {  // report, print, package, verify
        emit w().menus().mnuFile->aboutToShow();
        std::vector<bool> on;
        for (QAction* a : {menu().reportAction(), menu().printAction(), menu().packageAction(), menu().verifyAction()})
            on.push_back(a->isEnabled());
        return on;
    };
    EXPECT_EQ(enabled(), (std::vector<bool>{false, false, false, true}));
    EXPECT_FALSE(menu().startReport({}, root() / "x.pdf"));
    openSample();
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, true, true}));
    QStringList pictureTexts;
    for (QAction* a : w().pictureMenu()->actions()) pictureTexts << a->text();
    EXPECT_TRUE(pictureTexts.contains(menu().reportAction()->text()));
    EXPECT_TRUE(pictureTexts.contains(menu().packageAction()->text()));
    const auto target = root() / "out" / "report.pdf";
    std::filesystem::create_directories(target.parent_path());
    dialogs_.saves.push_back({target, 0});
    test::LocalTileServer tiles;
    menu().mapSettingsFile = PathToQString(root() / "map.ini");
    menu().mapCacheFolder = PathToQString(root() / "tiles");
    QSettings(menu().mapSettingsFile, QSettings::IniFormat).setValue("map/server", 4);  // the user's own server
    QSettings(menu().mapSettingsFile, QSettings::IniFormat).setValue("map/customUrl", tiles.urlTemplate());
    QTimer::singleShot(0, [this] {
        auto* dialog = w().findChild<ReportDialog*>();
        ASSERT_TRUE(dialog);
        EXPECT_TRUE(dialog->includeMap()->isChecked());
        dialog->note()->setPlainText(QStringLiteral("テスト用の備考"));
        dialog->findChild<QPushButton*>(QStringLiteral("ok"))->click();
    });
    QSignalSpy done(&menu(), &ReportMenu::finished);
    menu().mnuReport_Click();
    ASSERT_TRUE(waitFinished(done));
    EXPECT_TRUE(done.front().front().toBool());
    ASSERT_TRUE(std::filesystem::exists(target));
    EXPECT_EQ(test::ReadFile(target).substr(0, 5), "%PDF-");
    ASSERT_FALSE(dialogs_.shown.empty());
    EXPECT_TRUE(dialogs_.shown.back().text.startsWith(QStringLiteral("報告書を作成しました。")));
    EXPECT_FALSE(tiles.requests.empty());
    if (test::Shell("command -v pdftotext >/dev/null").status == 0) {
        const std::string text = test::Shell("pdftotext " + test::Quote(target) + " -").out;
        for (const char* expected : {"テスト用の備考", "走行経路", "127.0.0.1"})
            EXPECT_NE(text.find(expected), std::string::npos) << expected;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(target.parent_path()), {}), 1);
}

// Printing offers no "print to file": its PDF would not be the report's. Without a printer the
// print button says so and points to "報告書を作成" instead of writing a file.
TEST_F(ReportMenuTest, PrintPointsToTheReportForAPdf) {
    if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "a printer would print";
    openSample(4);
    menu().mapSettingsFile = PathToQString(root() / "map.ini");
    QTimer::singleShot(0, [this] { w().findChild<ReportDialog*>()->findChild<QPushButton*>("ok")->click(); });
    QString hint;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* preview = w().findChild<QPrintPreviewDialog*>();
        if (!preview || !preview->isVisible()) return;
        poll.stop();
        hint = preview->findChild<QLabel*>(QStringLiteral("pdfHint"))->text();
        for (QAction* a : preview->findChildren<QAction*>())
            if (a->text() == QCoreApplication::translate("QPrintPreviewDialog", "Print")) a->trigger();
        preview->reject();
    });
    poll.start(50);
    QSignalSpy done(&menu(), &ReportMenu::finished);
    menu().mnuPrint_Click();
    ASSERT_TRUE(waitFinished(done));
    EXPECT_TRUE(hint.contains(QStringLiteral("報告書を作成")));
    ASSERT_FALSE(dialogs_.shown.empty());
    EXPECT_TRUE(dialogs_.shown.back().text.contains(QStringLiteral("報告書を作成")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root()), {}), 1);  // rec only
}

TEST_F(ReportMenuTest, PackageVerifiesAndCancelLeavesNothing) {
    openSample(10);
    const auto target = root() / "evidence.zip";
    {
        QSignalSpy done(&menu(), &ReportMenu::finished);
        ASSERT_TRUE(menu().startPackage({}, target));
        EXPECT_FALSE(menu().startPackage({}, root() / "second.zip"));  // one at a time
        ASSERT_TRUE(waitFinished(done));
        ASSERT_TRUE(done.front().front().toBool()) << dialogs_.shown.back().text.toStdString();
    }
    const VerifyResult verified = VerifyPackage(target);
    EXPECT_TRUE(verified.allMatch());
    std::set<std::string> names;
    for (const auto& f : verified.files) names.insert(f.name);
    const std::string third = SampleFileName(quick(10), 3);
    for (const std::string& name : std::vector<std::string>{"report.pdf", "video.mp4", "telemetry.csv", "rec/" + third})
        EXPECT_TRUE(names.count(name)) << name;

    // Cancel from the progress dialog: no file, no message.
    const std::size_t messages = dialogs_.shown.size();
    const auto cancelled = root() / "cancelled.zip";
    QSignalSpy done(&menu(), &ReportMenu::finished);
    EvidenceRequest slow;
    slow.makeVideo = [](const std::filesystem::path&, const std::function<bool(double)>& progress, std::string&) {
        while (progress(0.5)) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return false;
    };
    ASSERT_TRUE(menu().startPackage(slow, cancelled));
    ASSERT_TRUE(menu().progress());
    test::waitMs(50);
    menu().progress()->findChild<QPushButton*>()->click();  // "キャンセル"
    ASSERT_TRUE(waitFinished(done));
    EXPECT_FALSE(done.front().front().toBool());
    EXPECT_EQ(dialogs_.shown.size(), messages);
    EXPECT_FALSE(std::filesystem::exists(cancelled));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root()), {}), 2);  // rec, evidence.zip

    // Verify from the menu names the file that changed.
    std::string bytes = test::ReadFile(target);
    const std::string frame = test::ReadFile(root() / "rec" / third);
    bytes[bytes.find(frame) + frame.size() - 10] ^= 0x20;
    test::WriteText(root() / "changed.zip", bytes);
    menu().pickPackage = [&] { return root() / "changed.zip"; };
    QSignalSpy checked(&menu(), &ReportMenu::finished);
    menu().mnuVerify_Click();
    ASSERT_TRUE(waitFinished(checked));
    EXPECT_FALSE(checked.front().front().toBool());
    EXPECT_TRUE(dialogs_.shown.back().text.contains(QString::fromStdString("rec/" + third)));
    EXPECT_EQ(dialogs_.shown.back().icon, Dialogs::Icon::Warning);
}

}  // namespace
}  // namespace drv
