#include "ui_prompts.h"

#include "window_texts.h"

#include <QFileDialog>
#include <QMessageBox>

namespace k5::app {

// Described as "*.Pack", matching the extension in any case.
QString PackFileFilter() { return QString(text::kPackFilter) + " (*.[Pp][Aa][Cc][Kk])"; }

std::optional<QString> QtUiPrompts::ChoosePackFile(QWidget* parent) {
    const QString path = QFileDialog::getOpenFileName(parent, QString(), QString(), PackFileFilter());
    if (path.isEmpty()) return std::nullopt;
    return path;
}

std::optional<QString> QtUiPrompts::ChooseRecordFile(QWidget* parent, const QString& current) {
    const QString filter =
        QString("%1 (*.csv);;%2 (*.jsonl)").arg(text::kStationRecordCsv, text::kStationRecordJsonLines);
    const QString path = QFileDialog::getSaveFileName(parent, QString(), current, filter, nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty()) return std::nullopt;
    return path;
}

void QtUiPrompts::Warning(QWidget* parent, const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.exec();
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
