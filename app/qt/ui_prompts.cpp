#include "ui_prompts.h"

#include "translation.h"
#include "window_texts.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QSpacerItem>

namespace k5::app {

// Described as "*.Pack" (the dialog hides the parenthesis with the patterns it matches by),
// matching the extension in any case. The dialog keeps the system's own title.
QString PackFileFilter() { return QString("%1 (*.[Pp][Aa][Cc][Kk])").arg(text::kPackFilter); }

std::unique_ptr<QFileDialog> MakePackFileDialog(QWidget* parent) {
    auto dialog = std::make_unique<QFileDialog>(parent, QString(), QString(), PackFileFilter());
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    return dialog;
}

std::optional<QString> QtUiPrompts::ChoosePackFile(QWidget* parent) {
    const auto dialog = MakePackFileDialog(parent);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return std::nullopt;
    return dialog->selectedFiles().constFirst();
}

std::optional<QString> QtUiPrompts::ChooseRecordFile(QWidget* parent, const QString& current) {
    const QString filter = QString("%1 (*.csv);;%2 (*.jsonl)")
                               .arg(Tr(text::kStationRecordCsv), Tr(text::kStationRecordJsonLines));
    const QString path = QFileDialog::getSaveFileName(parent, QString(), current, filter, nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty()) return std::nullopt;
    return path;
}

std::optional<QString> QtUiPrompts::ChooseSetupFile(QWidget* parent, const QString& suggested) {
    const QString filter = QString("%1 (%2)").arg(Tr(text::kStationSetupFiles), text::kStationSetupPattern);
    const QString path = QFileDialog::getSaveFileName(parent, QString(), suggested, filter);
    if (path.isEmpty()) return std::nullopt;
    return path;
}

std::optional<QString> QtUiPrompts::AskText(QWidget* parent, const QString& question, const QString& current,
                                            const QString& title) {
    bool given = false;
    const QString text = QInputDialog::getText(parent, title, question, QLineEdit::Normal, current, &given);
    if (!given) return std::nullopt;
    return text;
}

int TitleRoom(const QString& title, const QFont& font) {
    // Window managers draw titles bold and often larger, beside the window's icon and its
    // three buttons.
    QFont titleFont = font;
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
    constexpr int kTitleBarControls = 4 * 32;
    constexpr int kTitleBarPadding = 2 * 16;
    return QFontMetrics(titleFont).horizontalAdvance(title) + kTitleBarControls + kTitleBarPadding;
}

std::unique_ptr<QMessageBox> MakeWarningBox(QWidget* parent, const QString& text, const QString& title) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    // As wide as its title needs: a box sizes itself by its text, and a short text ("Pack Eror")
    // leaves too little room for the title the window manager draws.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
        grid->addItem(
            new QSpacerItem(TitleRoom(title, box->font()), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
            grid->rowCount(), 0, 1, grid->columnCount());
    }
    return box;
}

void QtUiPrompts::Warning(QWidget* parent, const QString& text, const QString& title) {
    MakeWarningBox(parent, text, title)->exec();
}

void QtUiPrompts::Error(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok);
    box.exec();
}

bool QtUiPrompts::Confirm(QWidget* parent, const QString& text, const QString& title) {
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
}

}  // namespace k5::app
