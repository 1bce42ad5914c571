#include "pack_loading.h"

#include <ostream>

#include "exit_codes.h"
#include "json_writer.h"
#include "pack_error_text.h"

namespace k5::cli {

std::optional<int> LoadPackToProgram(PackStore& pack, const std::string& file, bool anyProduct, bool json,
                                     std::ostream& out, std::ostream& err) {
    // A pack that cannot be programmed: said on stderr, and in JSON as the result.
    const auto refuse = [&](const std::string& result, const PackProblem& why, int code) {
        err << file << ": " << why.Joined() << "\n";
        if (json) out << JsonResult(result, code, why.error, why.detail) << std::endl;
        return code;
    };
    try {
        if (!pack.LoadPack(file)) return refuse(kPackRejected, PackRejectedProblem(pack), kExitPackRejected);
    } catch (const EInOutError& e) {
        return refuse("Pack unreadable", PackReadProblem(file, e), kExitPackUnreadable);
    }
    if (pack.Header().ProductCode() != kExpectedProductCode && !anyProduct) {
        return refuse(kForeignProduct,
                      {kForeignProduct, "product code " + std::to_string(pack.Header().ProductCode()) +
                                            ", this tool is for " + std::to_string(kExpectedProductCode) +
                                            "; --any-product programs it all the same"},
                      kExitForeignProduct);
    }
    return std::nullopt;
}

}  // namespace k5::cli
