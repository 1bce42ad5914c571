// Every language the program has, and the pseudo-language (each text about 40 %
// longer), in the Qt windows: their texts in it, each shown whole at the
// windows' opening sizes and at the smallest the main window allows.
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

#include "built_in_catalogues.h"
#include "p_UartSet.h"
#include "serial/pty.h"
#include "station_window.h"
#include "support/every_tile.h"
#include "translation.h"
#include "ui_language.h"
#include "window_fixture.h"
#include "window_layout.h"
#include "window_texts.h"

namespace {

using k5::Tr;
namespace layout = k5::app::layout;
namespace text = k5::app::text;

bool ShowsAllOf(const QLabel* label) {
    if (label->wordWrap()) return label->heightForWidth(label->contentsRect().width()) <= label->height();
    return label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width();
}

// The button's text, and its picture where it has one, within it (a style's least width aside).
bool ShowsAllOf(const QAbstractButton* button) {
    const int picture = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
    return button->fontMetrics().horizontalAdvance(button->text()) + picture + 8 <= button->width();
}

std::vector<std::string> EveryLanguage() {
    std::vector<std::string> languages{""};
    for (const auto& built : k5::BuiltInCatalogues()) languages.emplace_back(built.language);
    return languages;
}

using k5::test::WindowTest;

TEST_F(WindowTest, EveryLanguagesTextsShowWholeInTheMainWindowThePortDialogAndTheStation) {
    struct English {
        ~English() { k5::UseEnglish(); }
    } afterwards;
    // A port ticked last time: the station window opens with its tile.
    const k5::test::PseudoTerminal port;
    dir.WriteText("eBikeSet.ini", "[Devices]\nCOM5=" + port.SlavePath() + "\n[Station]\nPorts=COM5\n");
    for (const std::string& language : EveryLanguage()) {
        SCOPED_TRACE("language " + (language.empty() ? std::string("en") : language));
        ASSERT_TRUE(k5::app::UseLanguage(language));
        auto w = std::make_unique<k5::app::TF_UpdateDispController>(settings, prompts, store);
        w->show();
        QApplication::processEvents();
        EXPECT_EQ(w->Btn_SendToController->text(), Tr(text::kProgram));
        EXPECT_EQ(w->Label3->text(), Tr(text::kNoticeReconnect));
        EXPECT_EQ(w->windowTitle(), text::kWindowTitle) << "the tool's name and version in every language";

        // One line each, within its room (up to its neighbour or its group's edge), at the smallest width
        // too.
        const std::pair<QLabel*, std::pair<layout::Box, bool>> labels[] = {
            {w->Label5, {layout::kFirmwareNameLabel, true}}, {w->Label1, {layout::kVersionLabel, true}},
            {w->Label2, {layout::kTipLabel, true}},          {w->Label4, {layout::kNotice, false}},
            {w->Label3, {layout::kNoticeReconnect, false}},  {w->Label6, {layout::kNoticeOldTool, false}}};
        for (const auto& [label, place] : labels) {
            EXPECT_TRUE(ShowsAllOf(label)) << label->text().toStdString();
            EXPECT_LE(label->width(), layout::LabelRoom(place.first, place.second, layout::kMinClientWidth))
                << label->text().toStdString();
        }
        EXPECT_LE(w->Label4->geometry().right(), w->Label7->x()) << "the notice stops short of the address";
        for (const QToolButton* button : {w->Btn_ReadUserPack, w->Btn_SendToController})
            EXPECT_TRUE(ShowsAllOf(button)) << button->text().toStdString();
        EXPECT_LE(w->GroupBox1->fontMetrics().horizontalAdvance(w->GroupBox1->title()) + 16,
                  w->GroupBox1->width());
        w->resize(360, 300);
        QApplication::processEvents();
        const QWidget* client = w->centralWidget();
        for (const QWidget* control : client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            EXPECT_TRUE(!control->isVisible() || client->rect().contains(control->geometry()))
                << control->objectName().toStdString();
        }

        k5::app::TF_UartSet dialog(settings, prompts, w.get());
        dialog.show();
        QApplication::processEvents();
        EXPECT_EQ(dialog.Button1->text(), Tr(text::kSave));
        for (const QPushButton* button : {dialog.Button1, dialog.Button2})
            EXPECT_TRUE(ShowsAllOf(button)) << button->text().toStdString();
        EXPECT_TRUE(ShowsAllOf(dialog.Label1));
        EXPECT_LE(dialog.GroupBox2->fontMetrics().horizontalAdvance(dialog.GroupBox2->title()) + 16,
                  dialog.GroupBox2->width());
        dialog.close();

        // The station window as it opens, and its tile in each of its states.
        w->Station1->trigger();
        k5::app::StationWindow* station = w->Station;
        ASSERT_NE(station, nullptr);
        QApplication::processEvents();
        EXPECT_EQ(station->windowTitle(), Tr(text::kStationTitle));
        for (const QAbstractButton* button : station->findChildren<QAbstractButton*>())
            EXPECT_TRUE(!button->isVisible() || ShowsAllOf(button)) << button->text().toStdString();
        ASSERT_EQ(station->Tiles.size(), 1u);
        for (const k5::app::StationTile& shown : k5::test::EveryTile()) {
            station->Tiles[0]->Show(shown);
            QApplication::processEvents();
            for (const QLabel* label : station->findChildren<QLabel*>())
                EXPECT_TRUE(!label->isVisible() || ShowsAllOf(label)) << label->text().toStdString();
        }
        station->close();
        QApplication::processEvents();
    }
}

}  // namespace
