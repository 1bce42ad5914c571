// A pack store and a scratch folder for the loader's tests.
#pragma once

#include <gtest/gtest.h>

#include "p_HexConvertFun.h"
#include "pack_builder.h"
#include "support/temp_dir.h"

namespace k5::test {

class PackLoaderTest : public ::testing::Test {
  protected:
    std::string WritePack(const sim::PackRecipe& recipe, const std::string& name = "a.Pack") {
        return dir.Write(name, sim::BuildPack(recipe));
    }
    int LoadErrorCode(const std::string& path, std::string* text = nullptr) {
        try {
            store.LoadPack(path);
        } catch (const k5::EInOutError& e) {
            if (text) *text = e.what();
            return e.Code();
        }
        return -1;
    }

    k5::test::TempDir dir;
    k5::PackStore store;
};

}  // namespace k5::test
