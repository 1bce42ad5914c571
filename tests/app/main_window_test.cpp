#include <sys/stat.h>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QStyleFactory>
#include <QToolButton>
#include <cmath>

#include "default_error_box.h"
#include "gauge.h"
#include "message_text.h"
#include "station_window.h"
#include "window_fixture.h"
#include "window_texts.h"

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

TEST_F(WindowTest, ToolbarSpansTheWidthAndTheLogTakesTheRoom) {
    const QSize opening = window->size();
    window->resize(opening + QSize(304, 112));
    QApplication::processEvents();
    EXPECT_EQ(window->ToolBar1->width(), window->centralWidget()->width());
    EXPECT_EQ(window->ListBox1->geometry(), QRect(2, 232, 471 + 304, 129 + 112));
    EXPECT_EQ(window->GroupBox1->geometry(), QRect(2, 56, 471, 145));
    EXPECT_EQ(window->Label6->y(), 408 + 112) << "the notices move down with the log";
}

TEST_F(WindowTest, AtItsMinimumSizeEveryControlShowsWhole) {
    window->resize(360, 300);
    QApplication::processEvents();
    const QWidget* client = window->centralWidget();
    EXPECT_LT(window->width(), 496) << "smaller than it opens";
    for (const QWidget* control : client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!control->isVisible()) continue;
        EXPECT_TRUE(client->rect().contains(control->geometry())) << control->objectName().toStdString();
    }
    for (const QToolButton* button : {window->Btn_ReadUserPack, window->Btn_SendToController}) {
        EXPECT_TRUE(button->isVisible() && window->ToolBar1->rect().contains(button->geometry()))
            << button->text().toStdString();
    }
    const auto* overflow = window->ToolBar1->findChild<QToolButton*>("qt_toolbar_ext_button");
    EXPECT_TRUE(overflow == nullptr || !overflow->isVisible()) << "no control in the toolbar's overflow";
}

TEST_F(WindowTest, KeyboardReachesTheMenusAndPressesTheToolButtons) {
    QTest::keyClick(window.get(), Qt::Key_F10);
    EXPECT_EQ(window->MainMenu1->activeAction(), window->IAP1->menuAction()) << "F10";
    QTest::keyClick(window->IAP1, Qt::Key_Escape);
    QTest::keyClick(window->IAP1, Qt::Key_Escape);
    QApplication::processEvents();

    window->activateWindow();
    window->Btn_ReadUserPack->setFocus(Qt::TabFocusReason);
    QTest::keyPress(window->Btn_ReadUserPack, Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(window->Btn_ReadUserPack, Qt::Key_Alt);
    EXPECT_EQ(window->MainMenu1->activeAction(), window->IAP1->menuAction()) << "Alt, let go";
    QTest::keyClick(window->MainMenu1, Qt::Key_Escape);
    QApplication::processEvents();

    // Reached by Tab, a tool button shows that it has the focus.
    window->Btn_ReadUserPack->clearFocus();
    const QImage unfocused = window->Btn_ReadUserPack->grab().toImage();
    window->Btn_ReadUserPack->setFocus(Qt::TabFocusReason);
    window->setAttribute(Qt::WA_KeyboardFocusChange);
    EXPECT_NE(window->Btn_ReadUserPack->grab().toImage(), unfocused) << "a focus mark";
    QTest::keyClick(window->Btn_ReadUserPack, Qt::Key_Return);
    QTest::qWait(400);  // the button's press shows for a moment
    EXPECT_EQ(prompts.dialogs, 1) << "Enter pressed Read Pack";
}

TEST_F(WindowTest, OurColoursAreReadableOnALightAndADarkPalette) {
    // WCAG 2 contrast of two colours.
    const auto luminance = [](const QColor& c) {
        const auto linear = [](double v) {
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const auto contrast = [&](const QColor& a, const QColor& b) {
        const double la = luminance(a), lb = luminance(b);
        return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
    };
    const QPalette before = QApplication::palette();
    QStyle* fusion = QStyleFactory::create("Fusion");
    QPalette dark = fusion->standardPalette();
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        dark.setColor(group, QPalette::Window, QColor(0x35, 0x35, 0x35));
        dark.setColor(group, QPalette::WindowText, QColor(0xEE, 0xEE, 0xEE));
        dark.setColor(group, QPalette::Base, QColor(0x24, 0x24, 0x24));
        dark.setColor(group, QPalette::Text, QColor(0xEE, 0xEE, 0xEE));
    }
    for (const QPalette& palette : {fusion->standardPalette(), dark}) {
        QApplication::setPalette(palette);
        QApplication::processEvents();
        const QColor background = window->palette().color(QPalette::Window);
        for (const QWidget* text :
             {static_cast<QWidget*>(window->GroupBox1), static_cast<QWidget*>(window->Label5),
              static_cast<QWidget*>(window->Label8), static_cast<QWidget*>(window->Label7)}) {
            EXPECT_GE(contrast(text->palette().color(QPalette::WindowText), background), 4.5)
                << text->objectName().toStdString() << " on " << background.name().toStdString();
        }
        // A tile painted in its state's colours, or the palette's where it is idle.
        k5::app::StationTileWidget tile(nullptr);
        using Kind = k5::app::TileKind;
        for (const auto kind : {Kind::Idle, Kind::Waiting, Kind::Working, Kind::Good, Kind::Failed}) {
            k5::app::StationTile shown;
            shown.kind = kind;
            tile.Show(shown);
            const QColor card = tile.palette().color(QPalette::Window);
            for (const QWidget* text :
                 std::initializer_list<const QWidget*>{tile.State, tile.Title, tile.Advice})
                EXPECT_GE(contrast(text->palette().color(QPalette::WindowText), card), 4.5)
                    << static_cast<int>(kind) << " on " << card.name().toStdString();
        }
    }
    QApplication::setPalette(before);
    delete fusion;
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

// Lines of ours are long; at the window's opening size each shows whole, as two short lines
// rather than one cut behind a scroll bar.
TEST_F(WindowTest, EveryLogLineFitsTheLogsWidth) {
    namespace text = k5::app::text;
    const std::string sample = "/home/someone/Downloads/K5 firmware 2026-11/K5-309.Pack";
    for (const std::string& line :
         {k5::FillIn(text::kForeignPackLine, {"30003", "20002"}),
          k5::FillIn(text::kPackRefusedStillShown, {"K5-309 Software and Settings.Pack"}),
          "K5-309.Pack: " + std::string(text::kPackNotReadDuringSession),
          std::string(text::kTraceUnwritable) + " " + sample + ": not a regular file: a FIFO"}) {
        window->AddLog(QString::fromStdString(line));
    }
    const QFontMetrics metrics(window->ListBox1->font());
    const int room = window->ListBox1->viewport()->width();
    ASSERT_GT(window->ListBox1->count(), 4);
    for (int i = 0; i < window->ListBox1->count(); ++i) {
        const QString line = window->ListBox1->item(i)->text();
        EXPECT_LE(metrics.horizontalAdvance(line), room) << line.toStdString();
    }
}

}  // namespace
