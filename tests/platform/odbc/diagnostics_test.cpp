// The diagnostics funnel from recorded diagnostic records to the number the
// run sees, and the connection-string and naming rules of the ODBC backend.
#include <gtest/gtest.h>

#include "platform/odbc/account_years.h"
#include "platform/odbc/connection_string.h"
#include "platform/odbc/diagnostics.h"
#include "platform/odbc/row_statements.h"

namespace vantyr::platform::odbc {
namespace {

struct Recorded {
    const char* what;
    Dialect dialect;
    Operation operation;
    const char* sql;
    std::vector<DiagnosticRecord> records;
    long number;
};

const char* kMs = "[Microsoft][ODBC Driver 17 for SQL Server][SQL Server]";
std::string ms(const char* text) { return std::string(kMs) + text; }
std::string tds(const char* text) { return std::string("[FreeTDS][SQL Server]") + text; }
const DiagnosticRecord kTerminated{"01000", 3621, ms("The statement has been terminated.")};

const std::vector<Recorded>& recorded() {
    static const std::vector<Recorded> cases = {
        {"delete refused by a reference", Dialect::SqlServer, Operation::Statement, "delete from CA_AmoCt ",
         {{"23000", 547, ms("The DELETE statement conflicted with the REFERENCE constraint \"FK_CA_Child\". The conflict "
                            "occurred in database \"QXDATA_001_2005\", table \"dbo.CA_Child\", column 'cPPID'.")},
          kTerminated},
         kErrRelatedRecords},
        {"update refused by a reference", Dialect::SqlServer, Operation::Statement, "  update ca_cbsys set iendmonth=0",
         {{"23000", 547, tds("The UPDATE statement conflicted with the REFERENCE constraint \"FK_x\".")}},
         kErrRelatedRecords},
        {"insert without its parent", Dialect::SqlServer, Operation::Statement, "insert into QXDATA_001_2005..ca_x select 1",
         {{"23000", 547, ms("The INSERT statement conflicted with the FOREIGN KEY constraint \"FK_x\".")}, kTerminated},
         kErrStatementFailed},
        {"update against a check constraint", Dialect::SqlServer, Operation::Statement, "update ca_x set a = -1",
         {{"23000", 547, ms("The UPDATE statement conflicted with the CHECK constraint \"CK_x\".")}},
         kErrStatementFailed},
        {"duplicate primary key", Dialect::SqlServer, Operation::Statement, "insert into x values (1)",
         {{"23000", 2627, ms("Violation of PRIMARY KEY constraint 'PK_x'. Cannot insert duplicate key in object 'dbo.x'.")},
          kTerminated},
         kErrStatementFailed},
        {"duplicate unique index", Dialect::SqlServer, Operation::Statement, "insert into x values (1)",
         {{"23000", 2601, ms("Cannot insert duplicate key row in object 'dbo.x' with unique index 'ix'.")}},
         kErrStatementFailed},
        {"null into not null", Dialect::SqlServer, Operation::Statement, "insert into x values (null)",
         {{"23000", 515, ms("Cannot insert the value NULL into column 'a', table 'x'; column does not allow nulls.")}},
         kErrStatementFailed},
        {"conversion", Dialect::SqlServer, Operation::Statement, "update x set a = 'abc'",
         {{"22018", 245, ms("Conversion failed when converting the varchar value 'abc' to data type int.")}},
         kErrStatementFailed},
        {"numeric conversion", Dialect::SqlServer, Operation::Statement, "insert into x values ('1x')",
         {{"22018", 8114, ms("Error converting data type varchar to numeric.")}}, kErrStatementFailed},
        {"truncation", Dialect::SqlServer, Operation::Statement, "insert into x values ('long')",
         {{"22001", 8152, ms("String or binary data would be truncated.")}}, kErrStatementFailed},
        {"missing table", Dialect::SqlServer, Operation::Statement, "drop view CAQ_Detail",
         {{"42S02", 208, ms("Invalid object name 'x'.")}}, kErrStatementFailed},
        {"missing column", Dialect::SqlServer, Operation::Statement, "select nope from x",
         {{"42S22", 207, ms("Invalid column name 'nope'.")}}, kErrStatementFailed},
        {"syntax", Dialect::SqlServer, Operation::Statement, "selec",
         {{"42000", 102, ms("Incorrect syntax near 'selec'.")}}, kErrStatementFailed},
        {"keyword syntax", Dialect::SqlServer, Operation::Statement, "delete from",
         {{"42000", 156, ms("Incorrect syntax near the keyword 'from'.")}}, kErrStatementFailed},
        {"a warning before the error", Dialect::SqlServer, Operation::Statement, "delete from x",
         {{"01000", 5701, ms("Changed database context to 'QXDATA_001_2005'.")}, {"42S02", 208, ms("Invalid object name 'x'.")}},
         kErrStatementFailed},
        {"deadlock victim", Dialect::SqlServer, Operation::Statement, "delete from x",
         {{"40001", 1205, ms("Transaction (Process ID 57) was deadlocked on lock resources with another process and has "
                             "been chosen as the deadlock victim. Rerun the transaction.")}},
         kErrDeadlock},
        {"lock wait ran out", Dialect::SqlServer, Operation::Statement, "delete from x",
         {{"HY000", 1222, ms("Lock request time out period exceeded.")}}, kErrLocked},
        {"query timeout", Dialect::SqlServer, Operation::Statement, "delete from x",
         {{"HYT00", 0, "[Microsoft][ODBC Driver 17 for SQL Server]Query timeout expired"}}, kErrTimeout},
        {"link dropped", Dialect::SqlServer, Operation::Statement, "delete from x",
         {{"08S01", 10054, "[Microsoft][ODBC Driver 17 for SQL Server]TCP Provider: An existing connection was forcibly "
                           "closed by the remote host."},
          {"08S01", 10054, "[Microsoft][ODBC Driver 17 for SQL Server]Communication link failure"}},
         kErrConnectionFailed},
        {"link dropped (FreeTDS)", Dialect::SqlServer, Operation::Statement, "update x set a = 1",
         {{"08S01", 20004, "[FreeTDS][SQL Server]Read from the server failed"}}, kErrConnectionFailed},
        {"connection not open", Dialect::SqlServer, Operation::Statement, "delete from x",
         {{"08003", 0, "[unixODBC][Driver Manager]Connection not open"}}, kErrConnectionFailed},
        {"log full", Dialect::SqlServer, Operation::Statement, "insert into x select * from y",
         {{"HY000", 9002, ms("The transaction log for database 'QXDATA_001_2005' is full due to 'LOG_BACKUP'.")}},
         kErrDiskFull},
        {"filegroup full", Dialect::SqlServer, Operation::Statement, "insert into x select * from y",
         {{"HY000", 1105, ms("Could not allocate space for object 'dbo.x' in database 'QXDATA_001_2005'.")}}, kErrDiskFull},
        {"read-only database", Dialect::SqlServer, Operation::Statement, "delete from x",
         {{"25000", 3906, ms("Failed to update database \"QXDATA_001_2005\" because the database is read-only.")}},
         kErrReadOnly},
        {"server refused", Dialect::SqlServer, Operation::Connect, "",
         {{"08001", 2, "[Microsoft][ODBC Driver 17 for SQL Server]Named Pipes Provider: Could not open a connection."}},
         kErrConnectionFailed},
        {"login failed", Dialect::SqlServer, Operation::Connect, "",
         {{"28000", 18456, ms("Login failed for user 'sa'.")}}, kErrConnectionFailed},
        {"no such driver", Dialect::SqlServer, Operation::Connect, "",
         {{"01000", 0, "[unixODBC][Driver Manager]Can't open lib 'FreeTDS' : file not found"}}, kErrConnectionFailed},
        {"database cannot be switched to", Dialect::SqlServer, Operation::Connect, "",
         {{"HY000", 911, ms("Database 'QXDATA_001_2005' does not exist.")}}, kErrConnectionFailed},
        {"commit refused", Dialect::SqlServer, Operation::Transaction, "",
         {{"25000", 3902, ms("The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION.")}}, kErrIo},
        {"sqlite: delete refused by a reference", Dialect::Sqlite, Operation::Statement, "delete from p",
         {{"HY000", 19, "[SQLite]FOREIGN KEY constraint failed (19)"}}, kErrRelatedRecords},
        {"sqlite: insert without its parent", Dialect::Sqlite, Operation::Statement, "insert into c values (2, 9)",
         {{"HY000", 19, "[SQLite]FOREIGN KEY constraint failed (19)"}}, kErrStatementFailed},
        {"sqlite: duplicate key", Dialect::Sqlite, Operation::Statement, "insert into p values (1)",
         {{"HY000", 19, "[SQLite]UNIQUE constraint failed: p.id (19)"}}, kErrStatementFailed},
        {"sqlite: syntax", Dialect::Sqlite, Operation::Statement, "selec",
         {{"HY000", 1, "[SQLite]near \"selec\": syntax error (1)"}}, kErrStatementFailed},
        {"sqlite: busy", Dialect::Sqlite, Operation::Statement, "delete from p",
         {{"HY000", 5, "[SQLite]database is locked (5)"}}, kErrLocked},
        {"sqlite: disk full", Dialect::Sqlite, Operation::Statement, "insert into p values (1)",
         {{"HY000", 13, "[SQLite]database or disk is full (13)"}}, kErrDiskFull},
        {"no record at all", Dialect::SqlServer, Operation::Statement, "delete from x", {}, kErrStatementFailed},
    };
    return cases;
}

TEST(DiagnosticsFunnel, RecordedRecordsGiveTheNumberTheRunDispatchesOn) {
    for (const auto& c : recorded()) {
        Error e = classify(c.records, c.dialect, c.operation, c.sql);
        EXPECT_EQ(e.number(), c.number) << c.what << ": " << e.description();
        EXPECT_FALSE(e.description().empty()) << c.what;
    }
}

TEST(DiagnosticsFunnel, StatementFailuresCarryTheServersNumberAndText) {
    Error e = classify({{"23000", 2627, ms("Violation of PRIMARY KEY constraint 'PK_x'.")}, kTerminated},
                       Dialect::SqlServer, Operation::Statement, "insert into x values (1)");
    EXPECT_EQ(e.description(), "Msg 2627: Violation of PRIMARY KEY constraint 'PK_x'.");  // the informational 3621 is left out
    Error storage = classify({{"40001", 1205, tds("Transaction was deadlocked.")}}, Dialect::SqlServer, Operation::Statement);
    EXPECT_NE(storage.description().find("Msg 1205: Transaction was deadlocked."), std::string::npos);
    EXPECT_NE(storage.description().find("40001"), std::string::npos);
}

TEST(DiagnosticsFunnel, TheStatementsFirstWordDecidesPastCommentsAndBlanks) {
    std::vector<DiagnosticRecord> fk{{"23000", 547, ms("The DELETE statement conflicted with the REFERENCE constraint.")}};
    EXPECT_EQ(classify(fk, Dialect::SqlServer, Operation::Statement, "-- clear\r\n/* all */ DELETE ca_x").number(),
              kErrRelatedRecords);
    EXPECT_EQ(classify(fk, Dialect::SqlServer, Operation::Statement, "deleted_rows").number(), kErrStatementFailed);
    EXPECT_EQ(classify(fk, Dialect::SqlServer, Operation::Statement, "").number(), kErrStatementFailed);
}

TEST(DiagnosticsFunnel, ACredentialInADriversMessageIsMasked) {
    Error e = classify({{"08001", 0, "[unixODBC]Bad connection string 'Server=db;UID=sa;PWD=s3cret;'"}}, Dialect::SqlServer,
                       Operation::Connect);
    EXPECT_EQ(e.description().find("s3cret"), std::string::npos) << e.description();
    EXPECT_NE(e.description().find("PWD=***"), std::string::npos) << e.description();
}

TEST(ConnectionStrings, EveryCredentialIsMasked) {
    struct Case {
        const char* text;
        const char* masked;
    } cases[] = {
        {"Driver=FreeTDS;Server=db;UID=sa;PWD=s3cret;Database=x", "Driver=FreeTDS;Server=db;UID=sa;PWD=***;Database=x"},
        {"DSN=suite;pwd=s3cret", "DSN=suite;pwd=***"},
        {"Server=db; Password = s3cret ;TDS_Version=7.4", "Server=db; Password =***;TDS_Version=7.4"},
        {"Server=db;PWD={se;cr}}et};UID=sa", "Server=db;PWD=***;UID=sa"},
        {"vantyr: cannot connect with 'Server=db;PWD=s3cret'", "vantyr: cannot connect with 'Server=db;PWD=***'"},
        {"Login failed. Reason: Password did not match", "Login failed. Reason: Password did not match"},
        {"Server=db;UID=sa", "Server=db;UID=sa"},
    };
    for (const auto& c : cases) EXPECT_EQ(maskSecrets(c.text), c.masked) << c.text;
}

TEST(ConnectionStrings, ASecondConnectionNamesTheDatabase) {
    EXPECT_EQ(withDatabase("Driver=FreeTDS;Server=db;Database=master;UID=sa;PWD=x", "QXDATA_001_2005"),
              "Driver=FreeTDS;Server=db;UID=sa;PWD=x;DATABASE=QXDATA_001_2005");
    EXPECT_EQ(withDatabase("DSN=suite;Initial Catalog=a;", "QXDATA_001_2005"), "DSN=suite;DATABASE=QXDATA_001_2005");
    EXPECT_EQ(withDatabase("Driver={ODBC Driver 18 for SQL Server};PWD={a}};database=b}", "Q"),
              "Driver={ODBC Driver 18 for SQL Server};PWD={a}};database=b};DATABASE=Q");
}

TEST(AccountYears, AKeyIsAnsweredByTheOneDatabaseNamedByTheRule) {
    std::vector<std::string> names = {"master", "QXDATA_001_2004", "qxdata_001_2005", "QXDATA_01_12005", "QXDATA_011_2005",
                                      "QXDATA_002_20x5", "QXDATA_003", "QXDATA_A_B_2006"};
    EXPECT_EQ(databaseForKey(names, "0012004"), "QXDATA_001_2004");
    EXPECT_EQ(databaseForKey(names, "0012005"), "qxdata_001_2005");
    EXPECT_EQ(databaseForKey(names, "0112005"), std::nullopt);  // two names make it
    EXPECT_EQ(databaseForKey(names, "00220x5"), std::nullopt);
    EXPECT_EQ(databaseForKey(names, "A_B2006"), "QXDATA_A_B_2006");
    EXPECT_EQ(databaseForKey(names, ""), std::nullopt);
    EXPECT_EQ(databaseForKey(names, "0012003"), std::nullopt);
}

TEST(RowStatements, TheQuerysOneTableIsFound) {
    struct Case {
        const char* sql;
        std::optional<std::string> table;
    } cases[] = {
        {"select * from ca_cbsys ", "ca_cbsys"},
        {"select * from accinformation where csysid='CA' and cname='Version'", "accinformation"},
        {"SELECT a, b FROM [dbo].[CA_AmoCt] ORDER BY a", "[dbo].[CA_AmoCt]"},
        {"select * from QXDATA_001_2005..ca_cbsys", "QXDATA_001_2005..ca_cbsys"},
        {"select * from a, b", std::nullopt},
        {"select * from a join b on a.x = b.x", std::nullopt},
        {"select * from (select 1 as n) t", std::nullopt},
        {"SELECT Max(iPeriod) AS PeriodOfMax FROM CA_AmoCt", "CA_AmoCt"},
        {"exec sp_who", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(queryTable(c.sql), c.table) << c.sql;
}

}  // namespace
}  // namespace vantyr::platform::odbc
