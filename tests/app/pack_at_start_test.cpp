// A pack given at start or handed over by a later start, and the one window per user.
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>

#include "single_instance.h"
#include "window_fixture.h"

namespace {

using k5::sim::PackRecipe;
using k5::test::WindowTest;

TEST_F(WindowTest, APackOpenedAtStartIsReadAsReadPackReadsIt) {
    window->OpenPackFile(QString::fromStdString(Pack("K5-308.Pack", PackRecipe{})));
    EXPECT_EQ(window->Edit_UpdateFileName->text(), "K5-308.Pack");
    EXPECT_TRUE(window->Btn_SendToController->isEnabled());

    PackRecipe damaged;
    damaged.corruptSum = true;
    window->OpenPackFile(QString::fromStdString(Pack("damaged.Pack", damaged)));
    ASSERT_EQ(prompts.boxes.size(), 1u);
    EXPECT_EQ(prompts.boxes[0].text, "Pack file was briken");
    EXPECT_FALSE(window->Btn_SendToController->isEnabled());

    window->OpenPackFile(QString::fromStdString(dir.File("missing.Pack")));
    ASSERT_EQ(prompts.boxes.size(), 2u);
    EXPECT_EQ(prompts.boxes[1].kind, 'E');
    EXPECT_EQ(prompts.boxes[1].text, "File not found.");
}

class SingleInstanceTest : public WindowTest {
  protected:
    // Runs the event loop until `done` holds or `ms` have passed.
    template <typename Done>
    static bool PumpUntil(Done done, int ms) {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > ms) return false;
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return true;
    }
    SingleInstanceTest() {
        // A runtime folder as the system makes one: the user's alone (Qt ignores any other).
        std::filesystem::create_directory(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    }
    // Starts the program as a person would, with this test's runtime folder.
    void Start(QProcess& program, const QStringList& arguments) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", Runtime());
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(environment);
        program.start(K5_TOOL_PATH, arguments);
        ASSERT_TRUE(program.waitForStarted(5000));
    }
    QString Runtime() const { return QString::fromStdString(runtime.string()); }

    std::filesystem::path runtime = dir.Path() / "runtime";
};

TEST_F(SingleInstanceTest, ALaterStartHandsItsFileToTheRunningWindowAndExits) {
    k5::app::SingleInstance instance(Runtime());
    ASSERT_TRUE(instance.Serve());
    QObject::connect(&instance, &k5::app::SingleInstance::Handed, window.get(),
                     [this](const QString& file) { window->OpenPackFile(file); });
    // Another first start finds the place taken.
    EXPECT_FALSE(k5::app::SingleInstance(Runtime()).Serve());

    // A line break in a folder's name stays inside the path handed over.
    std::filesystem::create_directory(dir.Path() / "line\nbreak");
    QProcess later;
    Start(later, {QString::fromStdString(Pack("line\nbreak/handed.Pack", PackRecipe{}))});
    EXPECT_TRUE(PumpUntil([&] { return window->Edit_UpdateFileName->text() == "handed.Pack"; }, 10000));
    EXPECT_TRUE(prompts.boxes.empty());
    ASSERT_TRUE(PumpUntil([&] { return later.state() == QProcess::NotRunning; }, 5000))
        << later.readAllStandardError().toStdString();
    EXPECT_EQ(later.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(later.exitCode(), 0);
}

TEST(SingleInstanceRequest, OnlyAFramedAbsolutePathOrShowIsTaken) {
    const QString path = "/home/a b/line\nbreak/%41 fw.Pack";
    EXPECT_EQ(k5::app::SingleInstance::ParseRequest(k5::app::SingleInstance::Request(path).chopped(1)), path);
    EXPECT_EQ(k5::app::SingleInstance::ParseRequest("show"), QString());
    for (const char* line :
         {"open fw.Pack", "open /a b", "open %2Fa%2", "open %2Fa%zz", "open %00", "", "list"}) {
        EXPECT_FALSE(k5::app::SingleInstance::ParseRequest(line)) << line;
    }
}

TEST_F(SingleInstanceTest, AFolderOtherUsersCanReachIsNotUsedAndEachStartGoesOnAlone) {
    std::filesystem::permissions(runtime, std::filesystem::perms::all);
    k5::app::SingleInstance first(Runtime()), second(Runtime());
    EXPECT_TRUE(first.HandOverOrServe({}));
    EXPECT_TRUE(second.HandOverOrServe(QString::fromStdString(Pack("fw.Pack", PackRecipe{}))));
    EXPECT_TRUE(std::filesystem::is_empty(runtime)) << "no socket or lock where another user could take it";
}

TEST_F(SingleInstanceTest, ACrashedInstanceDoesNotStopTheNextStart) {
    QProcess crashed;
    Start(crashed, {});
    ASSERT_TRUE(PumpUntil([&] { return std::filesystem::exists(runtime / "k5-iap-tool.socket"); }, 10000));
    crashed.kill();  // no clean-up: its lock and socket stay behind
    crashed.waitForFinished(5000);
    EXPECT_TRUE(std::filesystem::exists(runtime / "k5-iap-tool.lock"));
    k5::app::SingleInstance next(Runtime());
    EXPECT_TRUE(next.Serve());
}

}  // namespace
