#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "gui/app/viewer_app.h"
#include "gui/common/dialogs.h"
#include "tests/gui/support/wait.h"

namespace drv {
namespace {

// Runs the real viewer in separate processes sharing one runtime folder.
class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        viewer_ = qEnvironmentVariable("DRV_VIEWER");
        if (viewer_.isEmpty()) GTEST_SKIP() << "DRV_VIEWER is not set";
        ASSERT_TRUE(runtime_.isValid());  // made with owner-only access, as a runtime folder must be
        lockPath_ = runtime_.filePath(QStringLiteral("drviewer.lock"));
    }
    // Starts a copy on the shared runtime folder; a smoke-test copy ends where its window would show.
    void start(QProcess& process, bool smoke) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.remove(QStringLiteral("DRV_SMOKE_TEST"));
        if (smoke) env.insert(QStringLiteral("DRV_SMOKE_TEST"), QStringLiteral("1"));
        process.setProcessEnvironment(env);
        process.start(viewer_, {});
    }
    struct Outcome {
        int exitCode;
        QString errors;
    };
    Outcome runSecond() {
        QProcess second;
        start(second, true);
        EXPECT_TRUE(second.waitForFinished(30000));
        return {second.exitCode(), QString::fromUtf8(second.readAllStandardError())};
    }
    QString viewer_;
    QTemporaryDir runtime_;
    QString lockPath_;
    QProcess first_;
};

const QString kRefusal = QStringLiteral("起動中止!!: 既に起動されています。");

// A second copy is refused while the first runs; a killed copy's lock is taken over by the next,
// which releases it on a clean end.
TEST_F(SingleInstanceTest, SecondCopyIsRefusedAndAKilledCopysLockIsTakenOver) {
    start(first_, false);  // keeps running
    ASSERT_TRUE(test::waitUntil([this] { return QFile::exists(lockPath_); }, 15000))
        << "the first copy never took the lock";
    const Outcome second = runSecond();
    EXPECT_EQ(second.exitCode, kExitAlreadyRunning);
    EXPECT_TRUE(second.errors.contains(QStringLiteral("message[%1] ").arg(static_cast<int>(Dialogs::Icon::Critical)) +
                                       kRefusal))
        << second.errors.toStdString();
    EXPECT_FALSE(second.errors.contains(QStringLiteral("started:"))) << "the second window must never show";
    EXPECT_EQ(first_.state(), QProcess::Running);
    first_.kill();
    ASSERT_TRUE(first_.waitForFinished(5000));
    ASSERT_TRUE(QFile::exists(lockPath_)) << "a killed copy leaves its lock behind";
    const Outcome next = runSecond();
    EXPECT_EQ(next.exitCode, 0) << next.errors.toStdString();
    EXPECT_TRUE(next.errors.contains(QStringLiteral("started: ドライブレコーダー ビューワーソフト")))
        << next.errors.toStdString();
    EXPECT_FALSE(QFile::exists(lockPath_)) << "a clean end releases the lock";
}

TEST(ViewerArguments, Parse) {
    struct Case {
        const char* what;
        std::vector<std::string> args;
        std::string folder;
        bool error;
        std::string events;
    };
    const Case cases[] = {
        {"NonUtf8Folder", {"/m/\xff"}, "/m/\xff", false, ""},
        {"TwoFolders", {"/a", "/b"}, "/a", true, ""},
        {"EventsRootAndFolder", {"--events", "/card", "/card/rec"}, "/card/rec", false, "/card"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> storage = {"drviewer"};
        storage.insert(storage.end(), c.args.begin(), c.args.end());
        std::vector<char*> argv;
        for (auto& a : storage) argv.push_back(a.data());
        argv.push_back(nullptr);
        const ViewerArguments got = ParseViewerArguments(static_cast<int>(storage.size()), argv.data());
        EXPECT_EQ(got.folder.native(), c.folder);
        EXPECT_EQ(got.eventsRoot.native(), c.events);
        EXPECT_EQ(!got.error.isEmpty(), c.error) << got.error.toStdString();
    }
}

}  // namespace
}  // namespace drv
