// Group 14: the eight procedure drops, then the archive merge and the seven
// batch report procedures. This unit holds the four detail procedures, which
// insert one block per cost group into their work table.
#include "upgrade/batch_procedure_texts.h"
#include "upgrade/cost_groups.h"
#include "upgrade/statement_groups.h"
#include "upgrade/statement_text.h"

namespace vantyr::upgrade {
namespace {

// One insert per cost group: the leading values, the group's describing
// columns, the measures, then the group's source filtered by `filter`.
void costBlocks(BodyLines& body, std::string_view table, std::string_view leading, std::string_view measures,
                std::string_view filter) {
    for (const CostGroup& g : costGroups()) {
        body << std::string(g.heading);
        body << "insert into " + std::string(table);
        body << "select " + std::string(leading) + "," + g.describingColumns() + "," + std::string(measures);
        body << g.sourceAndFilter(filter);
        body << "group by a.camoid";
    }
}

constexpr const char* kFinishedMeasures = "@fincount,0,sum(iqua),sum(itotalamo)-sum(ionptotalamo),sum(itotalamo),0,0,0";
constexpr const char* kOnpMeasures = "0,0,sum(iqua),sum(ionptotalamo),sum(itotalamo),0,0,0";
constexpr const char* kPeriodRange =
    "a.cbatch=@batch and a.cppid=@ProductID and iperiod>=@Period1 and iperiod<=@Period2";

std::string finishedDetail() {
    BodyLines body;
    body << "CREATE PROCEDURE [CA_BatchMx1] @Batch Varchar(20),@ProductID Varchar(20),@Period1 tinyint,@Period2 "
            "tinyint,@FinCount float,@DeleteTmp tinyint AS"
         << "--出完工成本明细表" << "SET NOCOUNT ON" << "if @DeleteTmp=1" << "   delete from ca_batchmx_tmp";
    costBlocks(body, "ca_batchmx_tmp", "@productid,0,@period1", kFinishedMeasures, kPeriodRange);
    body << "update ca_batchmx_tmp set qua = qua / totalamo * finamo where totalamo <>0"
         << "update ca_batchmx_tmp set unitprice = finamo / qua where qua<>0"
         << "update ca_batchmx_tmp set unitqua = qua / fincount where fincount<>0"
         << "update ca_batchmx_tmp set unitamo = finamo / fincount where fincount<>0";
    return body.text();
}

std::string workInProcessDetail() {
    BodyLines body;
    body << "CREATE PROCEDURE [CA_BatchMx2] @Batch Varchar(20),@ProductID Varchar(20),@Period tinyint ,@DeleteTmp "
            "tinyint AS"
         << "--出在产品成本明细表" << "SET NOCOUNT ON" << "if @DeleteTmp=1" << "   delete from ca_batchmx_tmp";
    costBlocks(body, "ca_batchmx_tmp", "@productid,0,@period", kOnpMeasures,
               "a.cbatch=@batch and a.cppid=@ProductID and iperiod=@Period");
    body << "update ca_batchmx_tmp set qua = qua / totalamo * finamo where totalamo<>0"
         << "update ca_batchmx_tmp set unitprice = finamo / qua where qua<>0";
    return body.text();
}

std::string finishedAndWorkInProcessDetail() {
    BodyLines body;
    body << "CREATE PROCEDURE [CA_BatchMx3] @Batch Varchar(20),@ProductID Varchar(20),@Period1 tinyint,@Period2 "
            "tinyint,@FinCount float,@DeleteTmp tinyint AS"
         << "--出完工+在产成本明细表" << "SET NOCOUNT ON" << "if @DeleteTmp=1" << "   delete from ca_batchmx_tmp"
         << "--完工成本";
    costBlocks(body, "ca_batchmx_tmp", "@productid,0,@period1", kFinishedMeasures, kPeriodRange);
    body << "update ca_batchmx_tmp set qua = qua / totalamo * finamo where mode=0 and totalamo<>0" << "-- 在产成本";
    costBlocks(body, "ca_batchmx_tmp", "@productid,1,@period1", kOnpMeasures,
               "a.cbatch=@batch and a.cppid=@ProductID and iperiod=@Period2");
    body << "update ca_batchmx_tmp set qua = qua / totalamo * finamo where mode=1 and totalamo<>0";
    return body.text();
}

std::string restoredFinishedDetail() {
    BodyLines body;
    body << "CREATE PROCEDURE [CA_BatchFinMx_HY] @Batch Varchar(20),@ProductID Varchar(20),@Period tinyint,@FinCount "
            "float AS"
         << "--出完工成本明细表(还原)" << "SET NOCOUNT ON";
    costBlocks(body, "ca_batchmxhy_tmp", "0,0,@period", "@fincount,0,sum(iqua),sum(itotalamo)-sum(ionptotalamo),sum(itotalamo),0",
               "a.cbatch=@batch and a.cppid=@ProductID and iperiod=@Period");
    body << "update ca_batchmxhy_tmp set qua = totalqua / totalamo * amo where totalamo <>0 and period = @period";
    return body.text();
}

}  // namespace

void BatchReportProcedures(UpgradeSession& s) {
    s.executeAll({
        "drop procedure [dbo].[CA_BatchCB_HZB]",
        "drop procedure [dbo].[CA_BatchFinMx_HY]",
        "drop procedure [dbo].[CA_BatchMx1]",
        "drop procedure [dbo].[CA_BatchMx2]",
        "drop procedure [dbo].[CA_BatchMx3]",
        "drop procedure [dbo].[CA_BM_CB_TZ]",
        "drop procedure [dbo].[CA_BmCBMx]",
        "drop procedure [dbo].[sp_UniteArchive_CA]",
    });
    s.execute(archiveMergeProcedure());
    s.execute(batchSummaryProcedure());
    s.execute(restoredFinishedDetail());
    s.execute(finishedDetail());
    s.execute(workInProcessDetail());
    s.execute(finishedAndWorkInProcessDetail());
    s.execute(periodSummaryProcedure());
    s.execute(periodBesidePeriodProcedure());
}

}  // namespace vantyr::upgrade
