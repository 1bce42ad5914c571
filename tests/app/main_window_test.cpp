#include <sys/stat.h>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>

#include "default_error_box.h"
#include "gauge.h"
#include "window_fixture.h"

namespace {

using k5::sim::PackRecipe;
using k5::test::WindowTest;

TEST_F(WindowTest, StartsWithEveryControlInPlace) {
    auto& w = *window;
    EXPECT_EQ(w.windowTitle(), "Velmar-K5-Controller IAP Tool Ver 5.2-20002 -202501");
    EXPECT_EQ(w.IAP1->title(), "Uart");
    EXPECT_EQ(w.UartPort1->text(), "Uart Port");
    EXPECT_EQ(w.Btn_ReadUserPack->text(), "Read Pack");
    EXPECT_EQ(w.Btn_ReadUserPack->toolTip(), "Read Controller  update from pack file ");
    EXPECT_EQ(w.Btn_SendToController->text(), "Program");
    EXPECT_TRUE(w.Btn_SendToController->toolTip().isEmpty());
    EXPECT_TRUE(w.Btn_ReadUserPack->isEnabled());
    EXPECT_FALSE(w.Btn_SendToController->isEnabled());
    EXPECT_TRUE(w.UartPort1->isEnabled());
    EXPECT_EQ(w.GroupBox1->title(), "Controller Update Pack Info");
    EXPECT_EQ(w.Label5->text(), "Program Firmware Name");
    EXPECT_EQ(w.Label1->text(), "Version");
    EXPECT_EQ(w.Label2->text(), "Tip: Velmar-Middle Drive Controller  Only");
    EXPECT_EQ(w.Label4->text(), "Notice:    if  program unsucessfully");
    EXPECT_EQ(w.Label3->text(), "1. Reconnect program cable  and connect again if still unsucessful");
    EXPECT_EQ(w.Label6->text(), "2. try with V3.1 IAP tool to update  some old controller ");
    EXPECT_TRUE(w.Label7->text().endsWith(".example"));
    EXPECT_TRUE(w.Edit_UpdateFileName->text().isEmpty() && w.Edit_UpdateFileName->isReadOnly());
    EXPECT_TRUE(w.Edit_VerNum->text().isEmpty() && w.Edit_VerNum->isReadOnly());
    EXPECT_TRUE(w.Label8->text().isEmpty());
    EXPECT_EQ(w.ListBox1->count(), 0);
    EXPECT_FALSE(w.Gauge1->isVisible());
    EXPECT_EQ(w.Gauge1->MaxValue(), 1000);
    EXPECT_EQ(w.Gauge1->Progress(), 0);
    EXPECT_FALSE(w.AVS1->IsOpen());
    EXPECT_EQ(w.AVS1->CommName(), "COM1");
    EXPECT_EQ(w.AVS1->BaudRate(), 9600u);

    EXPECT_EQ(w.GroupBox1->geometry(), QRect(2, 56, 471, 145));
    EXPECT_EQ(w.Gauge1->geometry(), QRect(2, 208, 471, 17));
    EXPECT_EQ(w.ListBox1->geometry(), QRect(2, 232, 471, 129));
    EXPECT_EQ(w.Edit_UpdateFileName->geometry(), QRect(8, 52, 457, 27));
    EXPECT_EQ(w.Edit_VerNum->geometry(), QRect(8, 108, 121, 27));
    EXPECT_EQ(w.Label8->geometry(), QRect(208, 88, 241, 19));
    EXPECT_EQ(w.Image1->geometry(), QRect(296, 18, 169, 25));
    EXPECT_EQ(w.Label7->geometry(), QRect(280, 360, 185, 19));
    EXPECT_EQ(w.Btn_ReadUserPack->size(), QSize(185, 39));
    EXPECT_EQ(w.Btn_SendToController->size(), QSize(264, 39));
    EXPECT_EQ(w.ToolBar1->height(), 49);
    EXPECT_EQ(w.frameGeometry().size(), QSize(496, 488));
    ASSERT_FALSE(w.Image1->pixmap().isNull()) << "the logo decodes";
    EXPECT_EQ(w.Image1->pixmap().size(), QSize(1862, 307));
    EXPECT_FALSE(w.windowIcon().isNull());
}

TEST_F(WindowTest, ToolbarSpansTheWidthAndTheRestStaysPut) {
    window->resize(800, 600);
    QApplication::processEvents();
    EXPECT_EQ(window->ToolBar1->width(), window->centralWidget()->width());
    EXPECT_EQ(window->ListBox1->geometry(), QRect(2, 232, 471, 129));
}

TEST_F(WindowTest, LoadedPackShowsNameVersionAndKind) {
    PackRecipe recipe;
    recipe.version = 0x0102;
    const auto path = Pack("Bike V258.Pack", recipe);
    ReadPack(path);
    EXPECT_EQ(window->Edit_UpdateFileName->text(), "Bike V258.Pack");
    EXPECT_EQ(window->Edit_VerNum->text(), "258");
    EXPECT_EQ(window->Label8->text(), "Software + Settings");
    EXPECT_TRUE(window->Btn_SendToController->isEnabled());
    EXPECT_TRUE(prompts.boxes.empty());

    for (auto [version, shown] : {std::pair{0, "0"}, {65535, "65535"}}) {
        recipe.version = static_cast<std::uint16_t>(version);
        recipe.packKind = 0xAB;
        ReadPack(Pack("v.Pack", recipe));
        EXPECT_EQ(window->Edit_VerNum->text(), shown);
        EXPECT_EQ(window->Label8->text(), "Software Only");
    }
}

TEST_F(WindowTest, CancelledDialogChangesNothing) {
    ReadPack(Pack("a.Pack", PackRecipe{}));
    window->AddLog("kept");
    prompts.files.push_back(QString());  // cancel
    window->Btn_ReadUserPack->click();
    EXPECT_EQ(prompts.dialogs, 2);
    EXPECT_EQ(window->Edit_UpdateFileName->text(), "a.Pack");
    EXPECT_TRUE(window->Btn_SendToController->isEnabled());
    EXPECT_EQ(LogLines(), QStringList{"kept"});
}

TEST_F(WindowTest, RejectedPackDisablesProgramAndKeepsTheFields) {
    ReadPack(Pack("good.Pack", PackRecipe{}));
    PackRecipe bad;
    bad.corruptCrc = true;
    ReadPack(Pack("bad.Pack", bad));
    ASSERT_EQ(prompts.boxes.size(), 1u);
    EXPECT_EQ(prompts.boxes[0].kind, 'W');
    EXPECT_EQ(prompts.boxes[0].text, "Pack file was briken");
    EXPECT_EQ(prompts.boxes[0].title, "Error");
    EXPECT_FALSE(window->Btn_SendToController->isEnabled());
    EXPECT_EQ(window->Edit_UpdateFileName->text(), "good.Pack");
}

TEST_F(WindowTest, ForeignProductWarnsAndStillEnablesProgram) {
    PackRecipe foreign;
    foreign.productCode = 20001;
    ReadPack(Pack("other.Pack", foreign));
    ASSERT_EQ(prompts.boxes.size(), 1u);
    EXPECT_EQ(prompts.boxes[0].text, "Pack Eror");
    EXPECT_EQ(prompts.boxes[0].title, "Warrning");
    EXPECT_EQ(window->Edit_UpdateFileName->text(), "other.Pack");
    EXPECT_TRUE(window->Btn_SendToController->isEnabled());
}

TEST_F(WindowTest, UnreadablePackGoesToTheDefaultErrorBoxAndKeepsTheState) {
    ReadPack(Pack("good.Pack", PackRecipe{}));
    ReadPack(dir.Write("short.Pack", {1, 2, 3}));
    ASSERT_EQ(prompts.boxes.size(), 1u);
    EXPECT_EQ(prompts.boxes[0].kind, 'E');
    EXPECT_EQ(prompts.boxes[0].text, "Read beyond end of file.");
    EXPECT_EQ(prompts.boxes[0].title, k5::app::ApplicationTitle(QCoreApplication::applicationFilePath()));
    EXPECT_EQ(window->Edit_UpdateFileName->text(), "good.Pack");
    EXPECT_TRUE(window->Btn_SendToController->isEnabled());

    ReadPack(dir.File("gone.Pack"));
    EXPECT_EQ(prompts.boxes.back().text, "File not found.");
}

TEST_F(WindowTest, FastTransferItemShowsWhatTheSettingsFileHolds) {
    ASSERT_TRUE(window->FastTransfer1->isCheckable());
    EXPECT_FALSE(window->FastTransfer1->isChecked());
    window->FastTransfer1->trigger();
    EXPECT_TRUE(window->FastTransfer1->isChecked());
    EXPECT_EQ(dir.ReadText("eBikeSet.ini").find("FastTransfer=1") != std::string::npos, true);

    ::chmod(dir.File("eBikeSet.ini").c_str(), 0444);
    window->FastTransfer1->trigger();
    ASSERT_EQ(prompts.boxes.size(), 1u) << "a refused save goes to the default error box";
    EXPECT_TRUE(window->FastTransfer1->isChecked()) << "and the mark stays as the file has it";
}

TEST_F(WindowTest, AddLogAppendsAndSelectsTheLastLine) {
    window->AddLog("one");
    window->AddLog("two ");
    EXPECT_EQ(LogLines(), (QStringList{"one", "two "}));
    EXPECT_EQ(window->ListBox1->currentRow(), 1);
    EXPECT_TRUE(window->ListBox1->item(1)->isSelected());
}

}  // namespace
