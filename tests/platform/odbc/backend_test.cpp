// The platform's database layer, the same cases on every backend: the
// embedded engine, SQLite's ODBC driver through the driver manager, and a
// SQL Server when VANTYR_TEST_MSSQL holds a connection string.
#include <gtest/gtest.h>

#include "platform/error.h"
#include "tests/platform/odbc/backends.h"

namespace vantyr::testing {
namespace {

using platform::Error;
using platform::Value;

// Two tables, the second referring to the first, in the database of key().
const char* kSchema[] = {
    "CREATE TABLE vt_parent (id int NOT NULL, name varchar(20) NULL, amount float NULL, CONSTRAINT PK_vt_parent PRIMARY KEY (id))",
    "CREATE TABLE vt_child (id int NOT NULL, parentid int NULL, CONSTRAINT PK_vt_child PRIMARY KEY (id), "
    "CONSTRAINT FK_vt_child_parent FOREIGN KEY (parentid) REFERENCES vt_parent (id))",
    "insert into vt_parent (id, name, amount) values (1, 'a', 1.5)",
    "insert into vt_parent (id, name, amount) values (2, 'b', 2.25)",
    "insert into vt_parent (id, name, amount) values (3, NULL, NULL)",
    "insert into vt_child (id, parentid) values (10, 1)",
};

template <class Kind>
class BackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        backend = Kind::make();
        if (!backend) GTEST_SKIP() << "no server: set VANTYR_TEST_MSSQL to a connection string";
        db = backend->platform().CreateDatabase();
        db->Open(backend->key());
        for (const char* sql : kSchema) db->Execute(sql, platform::kFailOnError);
    }

    double number(const std::string& sql) {
        auto rs = db->OpenRecordset(sql);
        return rs->Field("n").toDouble();
    }

    // The error number a statement raises; 0 when it succeeds.
    long failureOf(const std::string& sql) {
        try {
            db->Execute(sql, platform::kFailOnError);
        } catch (const Error& e) {
            return e.number();
        }
        return 0;
    }

    platform::TransactionEngine& transactions() { return backend->platform().ThreadTransactionEngine(); }

    std::unique_ptr<Backend> backend;
    std::unique_ptr<platform::Database> db;
};

using Backends = ::testing::Types<EmbeddedBackend, SqliteOdbcBackend, MssqlBackend>;
class BackendNames {
public:
    template <class T>
    static std::string GetName(int) { return T::kName; }
};
TYPED_TEST_SUITE(BackendTest, Backends, BackendNames);

TYPED_TEST(BackendTest, ExecuteReportsTheRowsChanged) {
    EXPECT_EQ(this->db->Execute("update vt_parent set amount = 0 where id >= 2", platform::kFailOnError), 2);
    EXPECT_EQ(this->db->Execute("delete from vt_child where id = 99", platform::kFailOnError), 0);
    EXPECT_EQ(this->number("select count(*) as n from vt_parent where amount = 0"), 2);
}

TYPED_TEST(BackendTest, RecordsetReadsTheFirstRowOrEndOfData) {
    auto rs = this->db->OpenRecordset("select id, name, amount from vt_parent where id >= 2 order by id");
    ASSERT_FALSE(rs->Eof());
    EXPECT_EQ(rs->Field("id").toInt16(), 2);
    EXPECT_EQ(rs->Field("name").toText(), "b");
    EXPECT_DOUBLE_EQ(rs->Field("amount").toDouble(), 2.25);

    auto nulls = this->db->OpenRecordset("select name, amount from vt_parent where id = 3");
    EXPECT_TRUE(nulls->Field("name").isNull());
    EXPECT_TRUE(nulls->Field("amount").isNull());

    auto none = this->db->OpenRecordset("select id from vt_parent where id = 99");
    EXPECT_TRUE(none->Eof());
    try {
        none->Field("id");
        FAIL() << "a field of no row was read";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 3021);
    }
}

TYPED_TEST(BackendTest, ColumnsAreFoundByNameWithoutRegardToCase) {
    auto rs = this->db->OpenRecordset("SELECT Max(id) AS PeriodOfMax FROM vt_parent");
    EXPECT_EQ(rs->Field("periodofmax").toInt16(), 3);
    EXPECT_EQ(rs->Field("PERIODOFMAX").toInt16(), 3);
    try {
        rs->Field("nosuchcolumn");
        FAIL() << "a missing column was read";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 3265);
    }
}

TYPED_TEST(BackendTest, EditAndUpdateChangeOnlyTheFirstRow) {
    auto rs = this->db->OpenRecordset("select * from vt_parent where id >= 2 order by id");
    rs->Edit();
    rs->SetField("NAME", Value("z"));
    rs->SetField("amount", Value(9.0));
    rs->Update();
    EXPECT_EQ(rs->Field("name").toText(), "z");
    EXPECT_EQ(this->number("select count(*) as n from vt_parent where id = 2 and name = 'z' and amount = 9"), 1);
    EXPECT_EQ(this->number("select count(*) as n from vt_parent where name = 'z'"), 1);

    // A row with Nulls is found again too.
    auto nulls = this->db->OpenRecordset("select * from vt_parent where id = 3");
    nulls->Edit();
    nulls->SetField("name", Value("c"));
    nulls->Update();
    EXPECT_EQ(this->number("select count(*) as n from vt_parent where id = 3 and name = 'c'"), 1);
}

TYPED_TEST(BackendTest, CommitKeepsAndRollbackUndoes) {
    auto& tx = this->transactions();
    tx.BeginTrans();
    this->db->Execute("insert into vt_parent (id, name) values (4, 'd')", platform::kFailOnError);
    this->db->Execute("delete from vt_child", platform::kFailOnError);
    tx.Rollback();
    EXPECT_EQ(this->number("select count(*) as n from vt_parent"), 3);
    EXPECT_EQ(this->number("select count(*) as n from vt_child"), 1);

    tx.BeginTrans();
    this->db->Execute("insert into vt_parent (id, name) values (4, 'd')", platform::kFailOnError);
    tx.CommitTrans();
    EXPECT_EQ(this->number("select count(*) as n from vt_parent"), 4);
}

TYPED_TEST(BackendTest, UniqueViolationIsAnOrdinaryStatementFailureAndTheTransactionGoesOn) {
    auto& tx = this->transactions();
    tx.BeginTrans();
    this->db->Execute("insert into vt_parent (id, name) values (5, 'e')", platform::kFailOnError);
    EXPECT_EQ(this->failureOf("insert into vt_parent (id, name) values (1, 'dup')"), platform::kErrStatementFailed);
    this->db->Execute("insert into vt_parent (id, name) values (6, 'f')", platform::kFailOnError);
    tx.CommitTrans();
    EXPECT_EQ(this->number("select count(*) as n from vt_parent where id in (5, 6)"), 2);
    EXPECT_EQ(this->number("select count(*) as n from vt_parent where name = 'dup'"), 0);
}

TYPED_TEST(BackendTest, ForeignKeyRefusingADeleteIsRelatedRecords) {
    EXPECT_EQ(this->failureOf("delete from vt_parent"), platform::kErrRelatedRecords);
    EXPECT_EQ(this->failureOf("update vt_parent set id = 7 where id = 1"), platform::kErrRelatedRecords);
    // A child without its parent is the statement's own failure.
    EXPECT_EQ(this->failureOf("insert into vt_child (id, parentid) values (11, 99)"), platform::kErrStatementFailed);
    EXPECT_EQ(this->number("select count(*) as n from vt_parent"), 3);
}

TYPED_TEST(BackendTest, OtherStatementFailuresAreOrdinary) {
    EXPECT_EQ(this->failureOf("insert into vt_nosuchtable (id) values (1)"), platform::kErrStatementFailed);
    EXPECT_EQ(this->failureOf("select nosuchcolumn from vt_parent"), platform::kErrStatementFailed);
    EXPECT_EQ(this->failureOf("selec id fro vt_parent"), platform::kErrStatementFailed);
}

TYPED_TEST(BackendTest, AFailureInsideABatchIsReportedAfterTheBatchEnds) {
    EXPECT_EQ(this->failureOf("insert into vt_parent (id, name) values (30, 'x');\r\n"
                              "insert into vt_parent (id, name) values (1, 'dup');\r\n"
                              "insert into vt_parent (id, name) values (31, 'y')"),
              platform::kErrStatementFailed);
    // SQL Server aborts only the failing statement of a batch; the embedded
    // engine and SQLite's driver undo the whole text.
    EXPECT_EQ(this->number("select count(*) as n from vt_parent where id in (30, 31)"),
              this->backend->batchesGoOnPastAFailure() ? 2 : 0);
}

TYPED_TEST(BackendTest, LostConnectionIsNeverAStatementFailure) {
    if (!this->backend->loseConnection()) GTEST_SKIP() << "this backend has no connection to lose";
    try {
        this->db->Execute("insert into vt_parent (id, name) values (8, 'h')", platform::kFailOnError);
        FAIL() << "a statement ran on a lost connection";
    } catch (const Error& e) {
        EXPECT_TRUE(platform::isStorageFailure(e.number())) << e.number() << " " << e.description();
    }
    try {
        this->transactions().BeginTrans();
        FAIL() << "a transaction began on a lost connection";
    } catch (const Error& e) {
        EXPECT_TRUE(platform::isStorageFailure(e.number())) << e.number() << " " << e.description();
    }
}

TYPED_TEST(BackendTest, ACommitOnALostConnectionFails) {
    auto& tx = this->transactions();
    tx.BeginTrans();
    this->db->Execute("insert into vt_parent (id, name) values (9, 'i')", platform::kFailOnError);
    if (!this->backend->loseConnection()) {
        tx.Rollback();
        GTEST_SKIP() << "this backend has no connection to lose";
    }
    try {
        tx.CommitTrans();
        FAIL() << "a commit succeeded on a lost connection";
    } catch (const Error& e) {
        EXPECT_TRUE(platform::isStorageFailure(e.number())) << e.number() << " " << e.description();
    }
}

TYPED_TEST(BackendTest, LoginAnswersFromTheDatabasesPresent) {
    auto login = this->backend->login();
    Value present(this->backend->key()), missing(login->AccountNo() + "2099");
    EXPECT_TRUE(login->LoginQuery(platform::kQueryDatabaseExists, present));
    EXPECT_FALSE(login->LoginQuery(platform::kQueryDatabaseExists, missing));
    auto other = this->backend->platform().CreateDatabase();
    try {
        other->Open(missing.toText());
        FAIL() << "a missing account year was opened";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 3024);
    }
}

TYPED_TEST(BackendTest, TableDefinitionsListTheColumnsInOrder) {
    auto definition = this->db->Tables()->Item("vt_parent");
    ASSERT_EQ(definition.FieldCount(), 3);
    EXPECT_EQ(definition.FieldName(0), "id");
    EXPECT_EQ(definition.FieldName(2), "amount");
}

TYPED_TEST(BackendTest, TheUnderlyingConnectionOpensASecondConnectionThatCommitsEachStatement) {
    auto& platform = this->backend->platform();
    auto underlying = this->db->UnderlyingConnection();
    auto upgrade = platform.CreateAdoConnection();
    upgrade->Open(underlying->ConnectionString());
    upgrade->Execute("insert into vt_parent (id, name) values (20, 'ado')");

    auto version = platform.CreateAdoRecordset();
    version->SetCursorLocation(platform::kAdUseClient);
    version->SetCursorType(platform::kAdOpenDynamic);
    version->SetLockType(platform::kAdLockOptimistic);
    version->Open("select * from vt_parent where id = 21", *upgrade);
    ASSERT_TRUE(version->Eof());
    version->AddNew();
    version->SetField("id", Value(21));
    version->SetField("name", Value("new"));
    version->Update();
    version->Close();

    version->Open("select * from vt_parent where id = 20", *upgrade);
    ASSERT_FALSE(version->Eof());
    version->SetField("name", Value("changed"));
    version->Update();
    version->Close();

    auto readOnly = platform.CreateAdoRecordset();
    readOnly->Open("select count(*) as n from vt_parent", *upgrade, platform::kAdOpenForwardOnly, platform::kAdLockReadOnly);
    EXPECT_EQ(readOnly->Field("n").toDouble(), 5);
    EXPECT_THROW(readOnly->AddNew(), Error);

    // Seen from the run's own connection, without any commit of its own.
    EXPECT_EQ(this->number("select count(*) as n from vt_parent where id = 20 and name = 'changed'"), 1);
    EXPECT_EQ(this->number("select count(*) as n from vt_parent where id = 21 and name = 'new'"), 1);
}

}  // namespace
}  // namespace vantyr::testing
