#include "info_command.h"

#include <cstdio>
#include <filesystem>
#include <ostream>

#include "exit_codes.h"
#include "json_writer.h"
#include "message_text.h"
#include "p_HexConvertFun.h"
#include "pack_error_text.h"
#include "utf8_path.h"

namespace k5::cli {
namespace {

std::string Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

void PrintText(std::ostream& out, const std::string& fileName, const PackHeader& h) {
    out << "File:         " << fileName << "\n"
        << "Version:      " << h.Version() << "\n"
        << "Kind:         " << PackKindText(h.PackKind()) << " (" << Hex(h.PackKind(), 2) << ")\n"
        << "ProductCode:  " << h.ProductCode() << "\n"
        << "ImageLength:  " << h.ImageLength() << " bytes\n"
        << "ImageSum:     " << h.ImageSum() << " (" << Hex(h.ImageSum(), 8) << ")\n"
        << "TransferKey:  " << Hex(h.TransferKey(), 2) << "\n"
        << "HeaderCrc:    " << Hex(h.HeaderCrc(), 4) << "\n";
}

void AddHeader(JsonObject& json, const PackHeader& h) {
    json.Add("version", std::int64_t{h.Version()})
        .Add("productCode", std::int64_t{h.ProductCode()})
        .Add("packKind", std::int64_t{h.PackKind()})
        .Add("kind", PackKindText(h.PackKind()))
        .Add("imageLength", std::int64_t{h.ImageLength()})
        .Add("imageSum", std::int64_t{h.ImageSum()})
        .Add("transferKey", std::int64_t{h.TransferKey()})
        .Add("headerCrc", std::int64_t{h.HeaderCrc()});
}

}  // namespace

int RunInfo(const InfoOptions& options, PackStore& store, std::ostream& out, std::ostream& err) {
    const std::string fileName = Utf8FromPath(PathFromUtf8(options.pack).filename());
    bool valid = false;
    try {
        valid = store.LoadPack(options.pack);
    } catch (const EInOutError& e) {
        const PackProblem problem = PackReadProblem(options.pack, e);
        if (options.json) {
            JsonObject json;
            json.Add("file", fileName).Add("valid", false);
            for (auto key : {"version", "productCode", "packKind", "kind", "imageLength", "imageSum",
                             "transferKey", "headerCrc"}) {
                json.AddNull(key);
            }
            json.Add("warnings", std::vector<std::string>{}).Add("error", problem.error);
            if (!problem.detail.empty()) json.Add("detail", problem.detail);
            out << json.Str() << "\n";
        } else {
            err << options.pack << ": " << problem.Joined() << "\n";
        }
        return kExitPackUnreadable;
    }

    const PackHeader& header = store.Header();
    std::vector<std::string> warnings;
    if (valid && header.ProductCode() != kExpectedProductCode) warnings.emplace_back(kForeignProduct);

    if (options.json) {
        JsonObject json;
        json.Add("file", fileName).Add("valid", valid);
        AddHeader(json, header);
        json.Add("warnings", warnings);
        if (!valid) json.Add("error", kPackRejected).Add("detail", store.RejectionReason());
        out << json.Str() << "\n";
    } else {
        PrintText(out, fileName, header);
        if (!valid) err << options.pack << ": " << PackRejectedProblem(store).Joined() << "\n";
        for (const auto& w : warnings) {
            err << options.pack << ": " << w << " (product code " << header.ProductCode()
                << ", this tool is for " << kExpectedProductCode << ")\n";
        }
    }
    return valid ? kExitOk : kExitPackRejected;
}

}  // namespace k5::cli
