#include "shell/options.h"

#include "platform/database.h"

namespace vantyr::shell {

bool optionOn(platform::Database& prev, const char* query) {
    auto rs = prev.OpenRecordset(query);
    if (rs->Eof()) return false;
    return rs->Field("cvalue").equalsText("1");
}

std::int16_t chooseOption(bool option8601, bool option8602, std::int16_t current) {
    if (option8601) return option8602 ? 2 : 1;
    return option8602 ? current : 0;
}

}  // namespace vantyr::shell
