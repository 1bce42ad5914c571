// A main window on its own pack store, session flags, settings file and
// scripted dialogs.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <memory>

#include "p_UpdateDispController.h"
#include "pack_builder.h"
#include "scripted_prompts.h"
#include "support/temp_dir.h"

namespace k5::test {

class WindowTest : public ::testing::Test {
  protected:
    WindowTest() {
        window = std::make_unique<app::TF_UpdateDispController>(settings, prompts, store);
        window->show();
        QApplication::processEvents();
    }
    ~WindowTest() override {
        window.reset();
        QApplication::processEvents();
    }

    std::string Pack(const std::string& name, const sim::PackRecipe& recipe) {
        return dir.Write(name, sim::BuildPack(recipe));
    }
    void ReadPack(const std::string& path) {
        prompts.files.push_back(QString::fromStdString(path));
        window->Btn_ReadUserPack->click();
    }
    QStringList LogLines() const {
        QStringList lines;
        for (int i = 0; i < window->ListBox1->count(); ++i) lines << window->ListBox1->item(i)->text();
        return lines;
    }

    TempDir dir;
    SettingsFile settings{dir.File("eBikeSet.ini")};
    ScriptedPrompts prompts;
    PackStore store;
    std::unique_ptr<app::TF_UpdateDispController> window;
};

}  // namespace k5::test
