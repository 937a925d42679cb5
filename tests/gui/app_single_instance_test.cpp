#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "gui/app/viewer_app.h"
#include "tests/gui/support/fake_dialogs.h"
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
    void TearDown() override {
        if (first_.state() != QProcess::NotRunning) {
            first_.kill();
            first_.waitForFinished(5000);
        }
    }

    void configure(QProcess& process, bool smoke) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        if (smoke) env.insert(QStringLiteral("DRV_SMOKE_TEST"), QStringLiteral("1"));
        else env.remove(QStringLiteral("DRV_SMOKE_TEST"));
        process.setProcessEnvironment(env);
    }

    // Starts a copy that keeps running and waits until it holds the lock.
    void startFirst() {
        configure(first_, false);
        first_.start(viewer_, {});
        ASSERT_TRUE(first_.waitForStarted(10000));
        ASSERT_TRUE(test::waitUntil([this] { return QFile::exists(lockPath_); }, 15000)) << "the first copy never took the lock";
    }

    struct Outcome {
        int exitCode;
        QString errors;
    };
    Outcome runSecond() {
        QProcess second;
        configure(second, true);
        second.start(viewer_, {});
        EXPECT_TRUE(second.waitForFinished(30000));
        return {second.exitCode(), QString::fromUtf8(second.readAllStandardError())};
    }

    QString viewer_;
    QTemporaryDir runtime_;
    QString lockPath_;
    QProcess first_;
};

const QString kRefusal = QStringLiteral("起動中止!!: 既に起動されています。");

TEST_F(SingleInstanceTest, SecondCopyIsRefusedAndTheFirstKeepsRunning) {
    startFirst();
    Outcome second = runSecond();
    EXPECT_EQ(second.exitCode, kExitAlreadyRunning);
    EXPECT_TRUE(second.errors.contains(kRefusal)) << second.errors.toStdString();
    EXPECT_TRUE(second.errors.contains(QStringLiteral("message[%1]").arg(static_cast<int>(Dialogs::Icon::Critical))));
    EXPECT_FALSE(second.errors.contains(QStringLiteral("started:"))) << "the second window must never show";
    EXPECT_EQ(first_.state(), QProcess::Running);
    EXPECT_TRUE(QFile::exists(lockPath_));

    // A copy that has run for a long time still holds its lock.
    QFile lock(lockPath_);
    ASSERT_TRUE(lock.open(QIODevice::ReadWrite));
    ASSERT_TRUE(lock.setFileTime(QDateTime::currentDateTime().addDays(-2), QFileDevice::FileModificationTime));
    lock.close();
    second = runSecond();
    EXPECT_EQ(second.exitCode, kExitAlreadyRunning);
    EXPECT_EQ(first_.state(), QProcess::Running);
}

TEST_F(SingleInstanceTest, LockOfAKilledCopyIsTakenOver) {
    startFirst();
    first_.kill();
    ASSERT_TRUE(first_.waitForFinished(5000));
    ASSERT_TRUE(QFile::exists(lockPath_)) << "a killed copy leaves its lock behind";
    const Outcome next = runSecond();
    EXPECT_EQ(next.exitCode, 0) << next.errors.toStdString();
    EXPECT_TRUE(next.errors.contains(QStringLiteral("started: ドライブレコーダー ビューワーソフト")))
        << next.errors.toStdString();
    EXPECT_FALSE(next.errors.contains(kRefusal));
}

TEST_F(SingleInstanceTest, OneCopyStartsAndEndsCleanly) {
    const Outcome only = runSecond();
    EXPECT_EQ(only.exitCode, 0) << only.errors.toStdString();
    EXPECT_FALSE(QFile::exists(lockPath_)) << "a clean end releases the lock";
}

// In-process: the lock itself.
TEST(InstanceLock, HeldLockRefusesAnotherAndReleasesOnDestruction) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("viewer.lock"));
    auto held = AcquireInstanceLock(path);
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(AcquireInstanceLock(path), nullptr);
    held.reset();
    EXPECT_NE(AcquireInstanceLock(path), nullptr);
}

TEST(InstanceLock, LockNamingAGoneProcessIsTakenOver) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("viewer.lock"));
    // A process that has certainly ended: start one and wait for it.
    QProcess gone;
    gone.start(QStringLiteral("true"), {});
    ASSERT_TRUE(gone.waitForFinished(5000));
    const qint64 pid = gone.processId() > 0 ? gone.processId() : 0;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::number(pid > 0 ? pid : 2147483600) + "\ndrviewer\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    file.close();
    EXPECT_NE(AcquireInstanceLock(path), nullptr);
}

TEST(InstanceLock, AnUnusableLockFolderDoesNotBlockStartUp) {
    EXPECT_NE(AcquireInstanceLock(QStringLiteral("/nonexistent-folder-for-drviewer/x/viewer.lock")), nullptr);
}

TEST(InstanceLock, RefusalBeepsAndShowsTheCriticalBox) {
    test::FakeDialogs dialogs;
    ShowAlreadyRunning(dialogs);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("既に起動されています。"));
    EXPECT_EQ(dialogs.shown[0].title, QStringLiteral("起動中止!!"));
    EXPECT_EQ(dialogs.shown[0].icon, Dialogs::Icon::Critical);
    EXPECT_EQ(dialogs.shown[0].buttons, Dialogs::Buttons::Ok);
}

struct ArgsCase {
    const char* what;
    std::vector<std::string> args;
    std::string folder;
    bool help, version, error;
};

class ViewerArgumentsTest : public ::testing::TestWithParam<ArgsCase> {};

TEST_P(ViewerArgumentsTest, Parses) {
    const ArgsCase& c = GetParam();
    std::vector<std::string> storage = {"drviewer"};
    storage.insert(storage.end(), c.args.begin(), c.args.end());
    std::vector<char*> argv;
    for (auto& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);
    const ViewerArguments got = ParseViewerArguments(static_cast<int>(storage.size()), argv.data());
    EXPECT_EQ(got.folder.native(), c.folder);
    EXPECT_EQ(got.help, c.help);
    EXPECT_EQ(got.version, c.version);
    EXPECT_EQ(!got.error.isEmpty(), c.error) << got.error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ViewerArgumentsTest,
    ::testing::Values(ArgsCase{"None", {}, "", false, false, false},
                      ArgsCase{"Folder", {"/media/card/rec 1 "}, "/media/card/rec 1 ", false, false, false},
                      ArgsCase{"NonUtf8Folder", {"/m/\xff"}, "/m/\xff", false, false, false},
                      ArgsCase{"DashFolderAfterEnd", {"--", "-rec"}, "-rec", false, false, false},
                      ArgsCase{"Help", {"--help"}, "", true, false, false},
                      ArgsCase{"Version", {"--version"}, "", false, true, false},
                      ArgsCase{"UnknownOption", {"--bogus"}, "", false, false, true},
                      ArgsCase{"TwoFolders", {"/a", "/b"}, "/a", false, false, true},
                      ArgsCase{"EmptyFolder", {""}, "", false, false, true}),
    [](const ::testing::TestParamInfo<ArgsCase>& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace drv
