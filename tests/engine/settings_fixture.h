// A settings file in a scratch folder.
#pragma once

#include <gtest/gtest.h>

#include "settings_file.h"
#include "support/temp_dir.h"

namespace k5::test {

class SettingsFileTest : public ::testing::Test {
  protected:
    k5::test::TempDir dir;
    std::string path = dir.File("eBikeSet.ini");
    k5::SettingsFile settings{path};

    int PortFromFile(const std::string& text) {
        dir.WriteText("eBikeSet.ini", text);
        return settings.GetUartPort();
    }
};

}  // namespace k5::test
