#include "info_command.h"

#include <gtest/gtest.h>

#include <sstream>

#include "json_writer.h"
#include "p_HexConvertFun.h"
#include "pack_builder.h"
#include "support/temp_dir.h"

namespace {

struct InfoResult {
    int status;
    std::string out, err;
};

class InfoCommandTest : public ::testing::Test {
  protected:
    InfoResult Run(const std::string& pack, bool json) {
        std::ostringstream out, err;
        k5::cli::InfoOptions options{pack, json};
        int status = k5::cli::RunInfo(options, store, out, err);
        return {status, out.str(), err.str()};
    }
    std::string Pack(const k5::sim::PackRecipe& recipe) {
        return dir.Write("fw 1.Pack", k5::sim::BuildPack(recipe));
    }

    k5::test::TempDir dir;
    k5::PackStore store;
};

TEST_F(InfoCommandTest, ValidPackAsJson) {
    k5::sim::PackRecipe recipe;
    recipe.image.assign(300, 0xFF);
    recipe.transferKey = 0x21;
    auto r = Run(Pack(recipe), true);
    EXPECT_EQ(r.status, 0);
    const auto crc = k5::sim::BuildPlainHeader(recipe);
    const int headerCrc = crc[30] | (crc[31] << 8);
    EXPECT_EQ(r.out,
              "{\"file\":\"fw 1.Pack\",\"valid\":true,\"version\":308,\"productCode\":20002,"
              "\"packKind\":170,\"kind\":\"Software + Settings\",\"imageLength\":300,"
              "\"imageSum\":76500,\"transferKey\":33,\"headerCrc\":" +
                  std::to_string(headerCrc) + ",\"warnings\":[]}\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(InfoCommandTest, TextShowsTheFieldsAndWarnsOfForeignProducts) {
    k5::sim::PackRecipe recipe;
    recipe.productCode = 30000;
    recipe.packKind = 0;
    recipe.version = 65535;
    auto r = Run(Pack(recipe), false);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Version:      65535\n"), std::string::npos);
    EXPECT_NE(r.out.find("Software Only (0x00)"), std::string::npos);
    EXPECT_NE(r.err.find("Pack Eror"), std::string::npos);

    auto j = Run(Pack(recipe), true);
    EXPECT_NE(j.out.find("\"warnings\":[\"Pack Eror\"]"), std::string::npos);
}

TEST_F(InfoCommandTest, RejectedAndUnreadablePacks) {
    k5::sim::PackRecipe recipe;
    recipe.corruptSum = true;
    auto rejected = Run(Pack(recipe), true);
    EXPECT_EQ(rejected.status, 3);
    EXPECT_NE(rejected.out.find("\"valid\":false"), std::string::npos);
    EXPECT_NE(rejected.out.find("\"error\":\"Pack file was briken\",\"detail\":\"the image's byte sum does "
                                "not match the header's; the image is damaged\"}"),
              std::string::npos)
        << rejected.out;
    EXPECT_NE(Run(Pack(recipe), false).err.find("Pack file was briken (the image's byte sum"),
              std::string::npos);
    // Which check failed: the header CRC, or an image longer than a pack holds.
    recipe = {};
    recipe.corruptCrc = true;
    EXPECT_NE(Run(Pack(recipe), false).err.find("(the header's CRC does not match;"), std::string::npos);
    recipe = {};
    recipe.declaredLength = 131038;
    EXPECT_NE(Run(Pack(recipe), false)
                  .err.find("(the header gives an image of 131038 bytes, longer than the "
                            "131024 a pack holds)"),
              std::string::npos);

    std::filesystem::create_directory(dir.File("folder.Pack"));
    EXPECT_NE(Run(dir.File("folder.Pack"), true)
                  .out.find("\"error\":\"File access denied.\",\"detail\":\"a folder, not a pack file\"}"),
              std::string::npos);

    auto missing = Run(dir.File("none.Pack"), true);
    EXPECT_EQ(missing.status, 4);
    EXPECT_NE(missing.out.find("\"version\":null"), std::string::npos);
    EXPECT_NE(missing.out.find("\"error\":\"File not found.\"}"), std::string::npos);

    auto shortFile = Run(dir.Write("s.Pack", {1, 2, 3}), false);
    EXPECT_EQ(shortFile.status, 4);
    EXPECT_NE(
        shortFile.err.find(": not a complete update pack (3 bytes; a pack has at least 131072): download "
                           "it again\n"),
        std::string::npos)
        << shortFile.err;
}

}  // namespace

namespace {

TEST(JsonString, BytesThatAreNotUtf8BecomeReplacementCharacters) {
    using k5::JsonString;
    EXPECT_EQ(JsonString("bad\xFF\xFE.Pack"), "\"bad\\ufffd\\ufffd.Pack\"");
    EXPECT_EQ(JsonString("Gr\xC3\xBC\xC3\x9F \xE4\xB8\xAD \xF0\x9F\x94\xA7"),
              "\"Gr\xC3\xBC\xC3\x9F \xE4\xB8\xAD \xF0\x9F\x94\xA7\"");
    // Overlong, surrogate, truncated and beyond U+10FFFF sequences are not UTF-8.
    EXPECT_EQ(JsonString("\xC0\xAF|\xED\xA0\x80|\xE4\xB8|\xF4\x90\x80\x80"),
              "\"\\ufffd\\ufffd|\\ufffd\\ufffd\\ufffd|\\ufffd\\ufffd|\\ufffd\\ufffd\\ufffd\\ufffd\"");
    EXPECT_EQ(JsonString("a\"\\\n\x01"), "\"a\\\"\\\\\\n\\u0001\"");
}

}  // namespace
