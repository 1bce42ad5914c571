#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "p_UartSet.h"
#include "window_fixture.h"

namespace {

using k5::app::F_UartSet;
using k5::test::WindowTest;

class UartDialogTest : public WindowTest {
  protected:
    // Opens the dialog from the menu; `act` runs while it is shown.
    void WithDialog(const std::function<void(k5::app::TF_UartSet&)>& act) {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            ASSERT_NE(F_UartSet, nullptr);
            ran = true;
            act(*F_UartSet);
            if (F_UartSet && F_UartSet->isVisible()) F_UartSet->Button2->click();
        });
        window->UartPort1->trigger();
        EXPECT_TRUE(ran);
        EXPECT_EQ(F_UartSet, nullptr) << "the dialog is destroyed when it closes";
    }
    std::string File() { return dir.ReadText("eBikeSet.ini"); }
};

TEST_F(UartDialogTest, ControlsAndFocusOrder) {
    WithDialog([](k5::app::TF_UartSet& d) {
        EXPECT_EQ(d.windowTitle(), "Uart port set");
        EXPECT_EQ(d.size(), QSize(221, 273));
        EXPECT_EQ(d.ComboBox1->count(), 9);
        EXPECT_EQ(d.ComboBox1->itemText(0), "com1");
        EXPECT_EQ(d.ComboBox1->itemText(8), "com9");
        EXPECT_EQ(d.ComboBox2->count(), 3);
        EXPECT_EQ(d.ComboBox2->itemText(2), "115200");
        EXPECT_FALSE(d.ComboBox2->isVisible());
        EXPECT_FALSE(d.Label2->isVisible());
        EXPECT_EQ(d.Label2->text(), "UartBaud rate");
        EXPECT_EQ(d.Button1->text(), "Save");
        EXPECT_EQ(d.Button2->text(), "Exit");
        // The order in which the four take the focus, leaving out helpers the boxes keep.
        const QList<QWidget*> wanted = {d.ComboBox1, d.ComboBox2, d.Button1, d.Button2};
        QList<QWidget*> order;
        QWidget* w = d.ComboBox1;
        for (int i = 0; i < 50 && order.size() < 4; ++i, w = w->nextInFocusChain()) {
            if (wanted.contains(w) && !order.contains(w)) order << w;
        }
        EXPECT_EQ(order, wanted);
        EXPECT_EQ(d.ComboBox1->itemData(0, Qt::ToolTipRole).toString().left(5), "/dev/");
    });
}

TEST_F(UartDialogTest, NoFileShowsCom1AndSaveCreatesIt) {
    WithDialog([&](k5::app::TF_UartSet& d) {
        EXPECT_EQ(d.ComboBox1->currentIndex(), 0);
        d.Button1->click();
    });
    EXPECT_EQ(settings.GetUartPort(), 1);
    EXPECT_EQ(settings.ReadString("Uart", "BaudRate"), "0");
}

TEST_F(UartDialogTest, StoredPortsAsTheDialogShowsThem) {
    dir.WriteText("eBikeSet.ini", "[Uart]\nPort=3\nBaudRate=2\n");
    WithDialog([&](k5::app::TF_UartSet& d) {
        EXPECT_EQ(d.ComboBox1->currentText(), "com3");
        EXPECT_EQ(d.ComboBox2->currentIndex(), 0);
        d.Button1->click();
    });
    EXPECT_EQ(settings.GetUartPort(), 3);
    EXPECT_EQ(settings.ReadString("Uart", "BaudRate"), "0");

    dir.WriteText("eBikeSet.ini", "[Uart]\nPort=0\n");
    WithDialog([&](k5::app::TF_UartSet& d) { EXPECT_EQ(d.ComboBox1->currentIndex(), 0); });
    EXPECT_EQ(settings.GetUartPort(), 0) << "Exit keeps the file's value";

    dir.WriteText("eBikeSet.ini", "[Uart]\nPort=12\n");
    WithDialog([&](k5::app::TF_UartSet& d) {
        EXPECT_EQ(d.ComboBox1->currentIndex(), -1);
        d.Button1->click();
    });
    EXPECT_EQ(settings.GetUartPort(), 12) << "Save keeps a port beyond the list";
}

TEST_F(UartDialogTest, ExitWritesNothing) {
    const std::string original = "[Uart]\nPort=2\n";
    dir.WriteText("eBikeSet.ini", original);
    WithDialog([](k5::app::TF_UartSet& d) {
        d.ComboBox1->setCurrentIndex(6);
        d.Button2->click();
    });
    EXPECT_EQ(File(), original);
}

TEST_F(UartDialogTest, EnterSavesAndEscapeLeaves) {
    WithDialog([&](k5::app::TF_UartSet& d) {
        EXPECT_TRUE(d.Button1->isDefault());
        d.ComboBox1->setFocus();
        d.ComboBox1->setCurrentIndex(2);
        QTest::keyClick(d.ComboBox1, Qt::Key_Return);
    });
    EXPECT_EQ(settings.GetUartPort(), 3);
    WithDialog([&](k5::app::TF_UartSet& d) {
        d.ComboBox1->setCurrentIndex(5);
        QTest::keyClick(d.ComboBox1, Qt::Key_Escape);
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(settings.GetUartPort(), 3);
}

TEST_F(UartDialogTest, RefusedSaveShowsTheErrorAndTheDialogStays) {
    const std::string original = "[Uart]\nPort=2\n";
    dir.WriteText("eBikeSet.ini", original);
    ::chmod(dir.File("eBikeSet.ini").c_str(), 0444);
    WithDialog([&](k5::app::TF_UartSet& d) {
        d.ComboBox1->setCurrentIndex(4);
        d.Button1->click();
        EXPECT_TRUE(d.isVisible()) << "the dialog stays open";
    });
    ASSERT_EQ(prompts.boxes.size(), 1u);
    EXPECT_EQ(prompts.boxes[0].kind, 'E');
    EXPECT_EQ(prompts.boxes[0].text, QString::fromStdString("Unable to write to " + dir.File("eBikeSet.ini") +
                                                            ".\n\nPermission denied."));
    EXPECT_EQ(File(), original);
}

// Under the port box, what the selected port is: a pseudo-terminal there, a device that is not.
TEST_F(UartDialogTest, TheLineUnderThePortBoxSaysWhatThePortIs) {
    const int pty = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(pty, 0);
    ASSERT_EQ(::grantpt(pty), 0);
    ASSERT_EQ(::unlockpt(pty), 0);
    const std::string device = ::ptsname(pty);
    dir.WriteText("eBikeSet.ini",
                  "[Uart]\nPort=2\n[Devices]\nCOM2=" + device + "\nCOM3=" + dir.File("gone") + "\n");
    WithDialog([&](k5::app::TF_UartSet& d) {
        EXPECT_EQ(d.PortLine->text().toStdString(), device + ": pseudo-terminal");
        EXPECT_TRUE(d.PortLine->isVisible());
        d.ComboBox1->setCurrentIndex(2);
        EXPECT_EQ(d.PortLine->text().toStdString(), "COM3 is not present (" + dir.File("gone") + ")");
        EXPECT_GE(d.PortLine->geometry().top(), d.ComboBox1->geometry().bottom()) << "under the port box";
    });
    ::close(pty);
}

}  // namespace
