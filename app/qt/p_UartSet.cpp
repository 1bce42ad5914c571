#include "p_UartSet.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <iterator>

#include "default_error_box.h"
#include "fonts.h"
#include "layout_rect.h"
#include "translation.h"
#include "window_layout.h"
#include "window_texts.h"

namespace k5::app {

TF_UartSet* F_UartSet = nullptr;

TF_UartSet::TF_UartSet(const SettingsFile& settings, UiPrompts& prompts, QWidget* centreOn)
    : QDialog(nullptr), settings_(settings), prompts_(prompts), centreOn_(centreOn) {
    setObjectName("F_UartSet");
    setWindowTitle(Tr(text::kPortDialogTitle));
    setFont(WindowFont());
    setFixedSize(layout::kDialogWidth, layout::kDialogHeight);

    GroupBox2 = new QGroupBox(Tr(text::kPortGroup), this);
    GroupBox2->setObjectName("GroupBox2");
    GroupBox2->setFont(UiFont());

    Label1 = new QLabel(Tr(text::kPortLabel), GroupBox2);
    Label1->setObjectName("Label1");
    ComboBox1 = new QComboBox(GroupBox2);
    ComboBox1->setObjectName("ComboBox1");
    for (int n = 0; n < model_.PortEntryCount(); ++n) {
        ComboBox1->addItem(QString::fromStdString(model_.PortEntryText(n)));
        ComboBox1->setItemData(n, QString::fromStdString(model_.PortEntryDevice(n)), Qt::ToolTipRole);
    }
    ComboBox1->setCurrentIndex(0);

    // The baud box is there but hidden: the session always runs at 38400 baud.
    Label2 = new QLabel(Tr(text::kBaudLabel), GroupBox2);
    Label2->setObjectName("Label2");
    Label2->hide();
    ComboBox2 = new QComboBox(GroupBox2);
    ComboBox2->setObjectName("ComboBox2");
    for (const char* baud : text::kBaudEntries) ComboBox2->addItem(baud);
    ComboBox2->setCurrentIndex(0);
    ComboBox2->hide();

    PortLine = new QLabel(GroupBox2);
    PortLine->setObjectName("PortLine");
    PortLine->setWordWrap(true);
    PortLine->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PortLine->setTextFormat(Qt::PlainText);

    Button1 = new QPushButton(Tr(text::kSave), this);
    Button1->setObjectName("Button1");
    Button2 = new QPushButton(Tr(text::kExit), this);
    Button2->setObjectName("Button2");
    // Enter saves and Escape leaves, unless the focus is on Exit: Enter presses the button it is on.
    Button1->setDefault(true);

    const auto boxes =
        layout::PortDialogLayout(layout::kDialogWidth, layout::kDialogHeight, [](int px) { return px; });
    const auto inGroup = [&boxes](const layout::Box& box) {
        return QRect(box.x - boxes.group.x, box.y - boxes.group.y, box.width, box.height);
    };
    GroupBox2->setGeometry(Rect(boxes.group));
    Label1->setGeometry(inGroup(boxes.portLabel));
    ComboBox1->setGeometry(inGroup(boxes.portBox));
    Label2->setGeometry(inGroup(boxes.baudLabel));
    ComboBox2->setGeometry(inGroup(boxes.baudBox));
    PortLine->setGeometry(inGroup(boxes.portLine));
    Button1->setGeometry(Rect(boxes.save));
    Button2->setGeometry(Rect(boxes.exit));

    setTabOrder(ComboBox1, ComboBox2);
    setTabOrder(ComboBox2, Button1);
    setTabOrder(Button1, Button2);

    connect(Button1, &QPushButton::clicked, this,
            [this] { RunHandler(prompts_, [this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this] { model_.PortSelectionChanged(); });
}

void TF_UartSet::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (centreOn_) move(centreOn_->frameGeometry().center() - QPoint(width() / 2, height() / 2));
    FormShow();
}

void TF_UartSet::FormShow() { model_.FormShow(); }

void TF_UartSet::Button1Click() { model_.Button1Click(); }

void TF_UartSet::Button2Click() { model_.Button2Click(); }

void TF_UartSet::SelectPort(int position) { ComboBox1->setCurrentIndex(position); }

void TF_UartSet::SelectBaud(int position) { ComboBox2->setCurrentIndex(position); }

int TF_UartSet::SelectedPort() const { return ComboBox1->currentIndex(); }

int TF_UartSet::SelectedBaud() const { return ComboBox2->currentIndex(); }

void TF_UartSet::ShowPortLine(const std::string& text) { PortLine->setText(QString::fromStdString(text)); }

void TF_UartSet::CloseDialog(bool saved) {
    if (!saved) {
        reject();
    } else if (F_UartSet) {
        F_UartSet->accept();
    }
}

}  // namespace k5::app
