#include "carryover/reconciliation.h"

#include <cctype>

#include "carryover/carried_tables.h"
#include "carryover/quiet_reads.h"
#include "platform/database.h"

namespace vantyr::carryover {
namespace {

std::int64_t count(platform::Database& db, const std::string& sql) {
    std::int64_t n = -1;
    QuietReads().ignoring([&] {
        auto rs = db.OpenRecordset(sql);
        n = static_cast<std::int64_t>(rs->Field("n").toDouble());
        rs->Close();
    });
    return n;
}

// Tables that release 8.50's schema upgrade removes from the current year.
bool upgradeRemoves(const RunContext& context, const std::string& table) {
    if (context.release != Release::V850) return false;
    std::string lower;
    for (char ch : table) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return lower == "ca_userproperty";
}

}  // namespace

RunContext contextOfFinishedRun(platform::Database& prev, Release release, std::int16_t curYear) {
    RunContext context;
    context.release = release;
    context.curYear = curYear;
    QuietReads reads;
    reads.ignoring([&] {
        auto rs = prev.OpenRecordset("select * from ca_cbsys ");
        context.periods.prevEndMonth = rs->Field("iendmonth").toInt16();
        rs->Close();
    });
    readClosingPeriods(prev, reads, context.periods);
    adjustPrevEndMonth(context.periods);
    return context;
}

std::vector<TableBalance> reconcile(platform::Database& prev, platform::Database& cur, const RunContext& context) {
    std::vector<TableBalance> balances;
    for (const auto& table : carriedTables(context)) {
        TableBalance b{table.table, table.structureOnly ? "rebuilt as structure only (select top 0)" : table.source};
        b.offered = table.structureOnly ? 0 : count(prev, offeredRowsQuery(table));
        b.held = count(cur, heldRowsQuery(table));
        if (b.held < 0 && upgradeRemoves(context, table.table))
            b.removedByUpgrade =
                count(cur, "select count(*) n from sysobjects where name = '" + table.table + "' and xtype = 'U'") == 0;
        balances.push_back(b);
    }
    return balances;
}

}  // namespace vantyr::carryover
