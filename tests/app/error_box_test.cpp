#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QListView>
#include <QMessageBox>
#include <QTest>
#include <stdexcept>

#include "SerialComm.h"
#include "default_error_box.h"
#include "gbk_convert.h"
#include "support/temp_dir.h"
#include "ui_prompts.h"

namespace {

using k5::app::ApplicationTitle;
using k5::app::ErrorBoxText;

TEST(DefaultErrorBox, TitleFromTheExecutableName) {
    EXPECT_EQ(ApplicationTitle("/opt/k5/PROJECT1.EXE"), "Project1");
    EXPECT_EQ(ApplicationTitle("/usr/bin/k5-iap-tool"), "k5-iap-tool");
    EXPECT_EQ(ApplicationTitle("K5-IAP.tool.bin"), "K5-iap");
    EXPECT_EQ(ApplicationTitle("X"), "X");
}

TEST(DefaultErrorBox, FullStopAfterLettersDigitsAndQuestionMarksOnly) {
    auto text = [](const char* m) { return ErrorBoxText(std::runtime_error(m)); };
    EXPECT_EQ(text("File not found"), "File not found.");
    EXPECT_EQ(text("I/O error 32"), "I/O error 32.");
    EXPECT_EQ(text("really?"), "really?.");
    EXPECT_EQ(text("done."), "done.");
    EXPECT_EQ(text("stop!"), "stop!");
    EXPECT_EQ(text("(x)"), "(x)");
    EXPECT_EQ(text("blank "), "blank ");
    EXPECT_EQ(text(""), "");
}

TEST(DefaultErrorBox, GbkMessagesAreShownConverted) {
    const k5::serial::ECommsError open(k5::serial::comm_message::kAlreadyOpen);
    EXPECT_EQ(ErrorBoxText(open), QString::fromUtf8("此串口已经打开."));
    const k5::serial::ECommsError english(k5::serial::comm_message::kCannotOpen);
    EXPECT_EQ(ErrorBoxText(english), "Opne Port Error\r\nmaybe port set is ircorrect.");
    EXPECT_EQ(k5::platform::GbkToUtf8(k5::serial::comm_message::kCannotCreateWriter), "无法创建写线程");
}

// The "Pack Eror" box is wide enough for its title bar to show "Warrning" whole.
TEST(WarningBox, WideEnoughForItsTitle) {
    const auto box = k5::app::MakeWarningBox(nullptr, "Pack Eror", "Warrning");
    box->show();
    QApplication::processEvents();
    EXPECT_EQ(box->text(), "Pack Eror");
    EXPECT_EQ(box->windowTitle(), "Warrning");
    EXPECT_GE(box->width(), k5::app::TitleRoom("Warrning", box->font()));
    EXPECT_GE(box->width(), QFontMetrics(box->font()).horizontalAdvance("Warrning") + 150);
}

// The system's own title, its one filter described as "*.Pack", listing packs in any case.
TEST(PackFileDialog, TitleFilterAndPacksInAnyCase) {
    k5::test::TempDir dir;
    for (const char* name : {"a.Pack", "b.pack", "c.PACK", "d.txt"}) dir.WriteText(name, "x");
    const auto dialog = k5::app::MakePackFileDialog(nullptr);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    auto* filter = dialog->findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(filter, nullptr);
    EXPECT_EQ(filter->currentText(), "*.Pack");
    dialog->setDirectory(QString::fromStdString(dir.Path().string()));
    auto* list = dialog->findChild<QListView*>("listView");
    ASSERT_NE(list, nullptr);
    QStringList shown;
    for (int wait = 0; wait < 250 && shown.size() < 3; ++wait) {
        QTest::qWait(20);
        shown.clear();
        for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row) {
            shown << list->model()->index(row, 0, list->rootIndex()).data().toString();
        }
    }
    QTest::qWait(50);
    EXPECT_EQ(list->model()->rowCount(list->rootIndex()), 3);
    shown.sort();
    EXPECT_EQ(shown, (QStringList{"a.Pack", "b.pack", "c.PACK"}));
}

}  // namespace
