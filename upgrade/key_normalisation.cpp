#include "upgrade/key_normalisation.h"

#include "platform/error.h"
#include "upgrade/statement_groups.h"

namespace vantyr::upgrade {
namespace {

using platform::Error;

std::string trimmed(const std::string& text) {
    auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The table part of a server-named foreign key: between the first "__" and the next.
std::string tableOfForeignKey(const std::string& name) {
    auto first = name.find("__");
    auto next = first == std::string::npos ? first : name.find("__", first + 2);
    if (next == std::string::npos) throw Error(5, "Invalid procedure call or argument: no table in '" + name + "'");
    return name.substr(first + 2, next - first - 2);
}

}  // namespace

const std::vector<std::string>& identityKeyTables() {
    static const std::vector<std::string> kTables{
        "CA_Acr_DetailMau", "CA_ACR_InvC", "CA_AllMt_InvC", "CA_Amoct", "CA_ASSCW",  "CA_AWPC",   "CA_CBSYS",
        "CA_COMPD",         "CA_COMPS",    "CA_CONTROL",    "CA_COSTCD", "CA_DACPS", "CA_DAYTIS", "CA_DEPCF",
        "CA_DEPCS",         "CA_DEPFR",    "CA_DIRMA",      "CA_ENMMC",  "CA_ENMOM", "CA_MABSW",  "CA_MANCT",
        "CA_MAPC",          "CA_MATDF",    "CA_MENUDEF",    "CA_ONLIA",  "CA_ONPB",  "CA_ONPCE",  "CA_ONPQU",
        "CA_ONPQUO",        "CA_PLANC",    "CA_PPUDR",      "CA_PROCF",  "CA_PRONB", "CA_PROPMA", "CA_PROPU",
        "CA_QUO",           "CA_RPTADD",   "CA_RPTFLD",     "CA_RPTSUB", "CA_RPTSYS", "CA_SAMOCT", "CA_TIMST",
        "CA_WASPR",         "CA_ENMOP"};
    return kTables;
}

bool EnsureIndex(UpgradeSession& session, const std::string& indexName, const std::string& createStatement) {
    long count = 0;
    std::unique_ptr<platform::AdoRecordset> rs;
    if (passingOver([&] { rs = session.newRecordset(); })) {
        passingOver([&] {
            rs->Open("select count(*) IndexCount from sysindexes where name='" + trimmed(indexName) + "'",
                     session.connection(), platform::kAdOpenForwardOnly, platform::kAdLockReadOnly);
        });
        passingOver([&] {
            if (!rs->Eof() && !rs->Bof()) count = static_cast<long>(rs->Field("IndexCount").toDouble());
        });
        passingOver([&] { rs->Close(); });
        rs.reset();
    }
    if (count != 0) return false;
    session.execute(createStatement);
    return true;
}

void RebuildProductForeignKeys(UpgradeSession& session) {
    auto rs = session.newRecordset();
    rs->Open("select name from sysobjects where name like 'FK__CA%'", session.connection());
    platform::AdoConnection& connection = session.connection();
    while (!rs->Eof()) {
        std::string name = rs->Field("name").toText();
        if (name.find("cPPID") != std::string::npos) {
            std::string table = tableOfForeignKey(name);
            connection.Execute("Alter Table " + table + " drop constraint " + name);
            connection.Execute("Alter Table " + table + " ADD FOREIGN KEY(CPPID) REFERENCES ProductStructureEx(cPSPCode) ");
        }
        rs->MoveNext();
    }
    rs->Close();
}

void AddIdentityKeys(UpgradeSession& session) {
    platform::AdoConnection& connection = session.connection();
    for (const auto& table : identityKeyTables()) {
        connection.Execute("Alter table " + table + " add autoid int identity(1,1) not null");
        connection.Execute("alter table " + table + " add constraint PK_" + trimmed(table) +
                           " primary key nonclustered (autoid)");
    }
    connection.Execute("ALTER TABLE [dbo].[CA_DistrItem] WITH NOCHECK ADD CONSTRAINT [PK_CA_DistrItem] PRIMARY KEY  CLUSTERED (iItemID)  ");
    connection.Execute("ALTER TABLE [dbo].[CA_SPDF] WITH NOCHECK ADD CONSTRAINT [PK_CA_SPDF] PRIMARY KEY  CLUSTERED (ID)");
}

// Group 17: each operation stops at its first failure; the driver's rule
// passes over that failure and the next operation runs.
void KeyNormalisation(UpgradeSession& session) {
    passingOver([&] { RebuildProductForeignKeys(session); });
    passingOver([&] { AddIdentityKeys(session); });
}

}  // namespace vantyr::upgrade
