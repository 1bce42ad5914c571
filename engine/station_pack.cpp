#include "station_pack.h"

#include "file_problem_text.h"
#include "file_replace.h"
#include "sha256.h"
#include "utf8_path.h"

namespace k5 {

int ReadStationPackFacts(const std::string& path, const PackStore& pack, StationRecord& facts) {
    std::string bytes;
    if (const int error = platform::ReadWholeFile(PathFromUtf8(path), bytes); error != 0) return error;
    facts.packFile = Utf8FromPath(PathFromUtf8(path).filename());
    facts.sha256 = platform::Sha256Hex(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    facts.version = pack.Header().Version();
    facts.productCode = pack.Header().ProductCode();
    facts.kind = pack.Header().PackKind();
    facts.imageLength = pack.Header().ImageLength();
    return 0;
}

std::string StationPackProblemText(const std::string& path, int osError) {
    return FileProblemText(PathFromUtf8(path), osError);
}

std::string PackUnreadableText(const std::string& path, const EInOutError& error) {
    const std::string detail = PackFileDetail(PathFromUtf8(path));
    return detail.empty() ? error.what() : error.what() + (" (" + detail + ")");
}

}  // namespace k5
