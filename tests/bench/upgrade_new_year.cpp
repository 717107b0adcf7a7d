#include "tests/bench/upgrade_new_year.h"

#include <sstream>

#include "cli/console_messages.h"
#include "platform/observed_database.h"
#include "platform/sqlite/sqlite_platform.h"
#include "upgrade/upgrade_ca_schema.h"

namespace vantyr::bench {

void upgradeNewYear(const platform::sqlite::DataDirectory& directory, platform::RunObserver& observer) {
    std::ostringstream sink;
    std::istringstream none;
    cli::ConsoleMessages messages("en", cli::Confirm::Yes, sink, none, false);
    platform::sqlite::SqlitePlatform platform(directory, messages, messages);
    auto database = platform.CreateDatabase();
    database->Open("0012005");
    auto ado = platform::observeAdo(platform, platform::kUpgradeObject, observer, platform::SendMode::Send);
    upgrade::UpgradeCaSchema(*ado, database->UnderlyingConnection());
}

}  // namespace vantyr::bench
