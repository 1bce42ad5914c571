#include "mkpack_command.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>

#include "p_HexConvertFun.h"
#include "pack_builder.h"

namespace k5::sim {
namespace {

struct MkpackOptions {
    std::string out;
    std::string imageFile;
    std::size_t length = 4096;
    std::uint32_t seed = 1;
    unsigned version = 308;
    std::uint32_t product = kExpectedProductCode;
    unsigned kind = 0xAA;
    unsigned transferKey = 0x5A;
    unsigned key32 = 0x3C;
    unsigned key33 = 0x91;
    std::int64_t declaredLength = -1;
    bool badCrc = false;
    bool badSum = false;
};

int RunMkpack(const MkpackOptions& o) {
    PackRecipe recipe;
    if (!o.imageFile.empty()) {
        std::ifstream in(o.imageFile, std::ios::binary);
        if (!in) {
            std::cerr << "k5-sim mkpack: cannot read " << o.imageFile << ": " << std::strerror(errno) << "\n";
            return 1;
        }
        recipe.image.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } else {
        recipe.image = GenerateImage(o.length, o.seed);
    }
    // What the loader takes; --declared-length makes a pack that claims more.
    if (recipe.image.size() > kMaxImageLength) {
        std::cerr << "k5-sim mkpack: a pack holds an image of at most " << kMaxImageLength
                  << " bytes, this one has " << recipe.image.size() << "\n";
        return 64;
    }
    recipe.version = static_cast<std::uint16_t>(o.version);
    recipe.productCode = o.product;
    recipe.packKind = static_cast<std::uint8_t>(o.kind);
    recipe.transferKey = static_cast<std::uint8_t>(o.transferKey);
    recipe.headerKeyByte32 = static_cast<std::uint8_t>(o.key32);
    recipe.headerKeyByte33 = static_cast<std::uint8_t>(o.key33);
    if (o.declaredLength >= 0) recipe.declaredLength = static_cast<std::uint32_t>(o.declaredLength);
    recipe.corruptCrc = o.badCrc;
    recipe.corruptSum = o.badSum;
    if (!WriteFile(o.out, BuildPack(recipe))) {
        std::cerr << "k5-sim mkpack: cannot write " << o.out << ": " << std::strerror(errno) << "\n";
        return 1;
    }
    std::cout << o.out << ": " << recipe.image.size() << " image bytes, sum " << ByteSum(recipe.image)
              << ", version " << recipe.version << "\n";
    return 0;
}

}  // namespace

void AddMkpackCommand(CLI::App& app, int& status) {
    auto options = std::make_shared<MkpackOptions>();
    auto* cmd = app.add_subcommand("mkpack", "Write an update pack");
    cmd->add_option("--out", options->out, "Pack file to write")->required();
    auto* image =
        cmd->add_option("--image", options->imageFile, "Image file to pack")->check(CLI::ExistingFile);
    cmd->add_option("--length", options->length, "Length of a generated image")
        ->check(CLI::Range(std::uint32_t{0}, kMaxImageLength))
        ->excludes(image);
    cmd->add_option("--seed", options->seed, "Seed of the generated image");
    cmd->add_option("--version", options->version, "Firmware version")->check(CLI::Range(0, 65535));
    cmd->add_option("--product", options->product, "Product code");
    cmd->add_option("--kind", options->kind, "Pack kind byte (0xAA: software and settings)")
        ->check(CLI::Range(0, 255));
    cmd->add_option("--transfer-key", options->transferKey, "Transfer key byte")->check(CLI::Range(0, 255));
    cmd->add_option("--key32", options->key32, "First header-key byte")->check(CLI::Range(0, 255));
    cmd->add_option("--key33", options->key33, "Second header-key byte")->check(CLI::Range(0, 255));
    cmd->add_option("--declared-length", options->declaredLength,
                    "ImageLength stored in the header, if not the image's own");
    cmd->add_flag("--bad-crc", options->badCrc, "Store a wrong header CRC");
    cmd->add_flag("--bad-sum", options->badSum, "Store a wrong image sum");
    cmd->callback([options, &status] { status = RunMkpack(*options); });
}

}  // namespace k5::sim
