// The translation catalogues built into a program (the k5catalogues library,
// made from po/ by the build): each language of po/LINGUAS, then "pseudo".
#pragma once

#include <string_view>
#include <vector>

namespace k5 {

struct BuiltInCatalogue {
    std::string_view language;  // "de", "zh_CN", "pseudo"
    std::string_view bytes;     // the .mo file
};

const std::vector<BuiltInCatalogue>& BuiltInCatalogues();

}  // namespace k5
