// The batch report procedures whose statements are built at run time in a
// varchar(1000) variable and executed: the batch summary, the one-period
// summary and the previous-beside-current detail. The batch and product
// codes enter those statements as quoted literals with every single quote
// doubled (REPLACE), so a code holding a quote can neither end the literal
// early nor add a statement of its own.
#include <array>

#include "upgrade/batch_procedure_texts.h"
#include "upgrade/cost_groups.h"
#include "upgrade/statement_text.h"

namespace vantyr::upgrade {
namespace {

// The cost types of the summary, in the order of ##ca_sub1 to ##ca_sub5 and
// of the work table's cost columns: material, labour, overhead, auxiliary, other.
constexpr std::array<const char*, 5> kSummaryTypes = {"0", "1", "3", "2", "4"};

// Declarations shared by the dynamic procedures: the statement variable and
// the two codes as quoted literals.
void quotedCodes(BodyLines& body) {
    body << "declare @cSql varchar(1000), @qBatch varchar(50), @qProductID varchar(50)"
         << "select @qBatch = '''' + replace(@Batch, '''', '''''') + ''''"
         << "select @qProductID = '''' + replace(@ProductID, '''', '''''') + ''''";
}

void fillSummary(BodyLines& body, std::string_view finishedQuantity, std::string_view period, std::string_view mode) {
    body << "insert into ca_rpthzbtmp"
         << "select a.procid,a.procname," + std::string(finishedQuantity) + ",b.num1,c.num2,d.num3,e.num4,f.num5,0,0," +
                std::string(period) + ",1," + std::string(mode)
         << "from ##ca_cat a left join ##ca_sub1 b on a.procid=b.procid left join ##ca_sub2 c on a.procid=c.procid "
            "left join ##ca_sub3 d on a.procid=d.procid left join ##ca_sub4 e on a.procid=e.procid left join "
            "##ca_sub5 f on a.procid=f.procid"
         << "drop table ##ca_cat" << "drop table ##ca_sub1" << "drop table ##ca_sub2" << "drop table ##ca_sub3"
         << "drop table ##ca_sub4" << "drop table ##ca_sub5";
}

// The start of the literal that sums one cost type into ##ca_subN.
std::string costTypeQuery(std::size_t n, std::string_view value) {
    std::string number = std::to_string(n + 1);
    return "'select cppid as procid," + std::string(value) + " as num" + number + " into ##ca_sub" + number +
           " from ca_amoct where cAmoType=''" + kSummaryTypes[n] + "''";
}

constexpr const char* kCatalogue =
    "'SELECT distinct b.cInvCode as procid,b.cInvName as procname into ##ca_cat from ca_amoct a,inventory b where "
    "a.cPPID = b.cInvCode";

}  // namespace

std::string batchSummaryProcedure() {
    BodyLines body;
    body << "CREATE PROCEDURE [CA_BatchCB_HZB] @Batch Varchar(20),@ProductID Varchar(20),@mode tinyint,@Period1 "
            "tinyint,@Period2 tinyint,@FinCount float,@DeleteTmp tinyint AS"
         << "--@mode 0 完工产品 1 在产品成本" << "SET NOCOUNT ON";
    quotedCodes(body);
    body << "select @cSql = " + std::string(kCatalogue) + " and a.cBatch=' + @qBatch + ' and a.cppid=' + @qProductID"
         << "exec (@cSql)";
    const std::string codes = " and cBatch=' + @qBatch + ' and cPPid=' + @qProductID + '";
    for (std::size_t n = 0; n < kSummaryTypes.size(); ++n) {
        body << "if @mode=0"
             << "   select @cSql = " + costTypeQuery(n, "sum(iTotalAmo-iOnpTotalAmo)") + codes +
                    " and iperiod >=' + convert(varchar(5),@period1) + ' and iperiod <=' + "
                    "convert(varchar(5),@period2) + ' group by cppid'"
             << "else"
             << "   select @cSql = " + costTypeQuery(n, "sum(iOnpTotalAmo)") + codes +
                    " and iperiod =' + convert(varchar(5),@period2) + ' group by cppid'"
             << "exec (@cSql)";
    }
    body << "if @DeleteTmp=1" << "   delete from ca_rpthzbtmp";
    fillSummary(body, "case when @mode=0 then @FinCount else 0 end", "@Period1", "@mode");
    return body.text();
}

std::string periodSummaryProcedure() {
    BodyLines body;
    body << "CREATE PROCEDURE [CA_BM_CB_TZ] @ProductID Varchar(20),@Batch Varchar(20),@Period tinyint,@FinCount float AS"
         << "--@mode 0 完工产品 1 在产品成本" << "SET NOCOUNT ON";
    quotedCodes(body);
    body << "select @cSql = " + std::string(kCatalogue) + "'"
         << "select @cSql = @cSql + ' AND a.cppid=' + @qProductID" << "if @Batch<>'全部'"
         << "   select @cSql = @cSql + ' AND a.cbatch=' + @qBatch" << "exec (@cSql)";
    for (std::size_t n = 0; n < kSummaryTypes.size(); ++n) {
        body << "select @cSql = " + costTypeQuery(n, "sum(iTotalAmo-iOnpTotalAmo)") +
                    " and cPPid=' + @qProductID + ' and iperiod =' + convert(varchar(5),@period)"
             << "if @Batch<>'全部'" << "   select @cSql = @cSql + ' and cBatch=' + @qBatch"
             << "select @cSql = @cSql + ' group by cppid'" << "exec (@cSql)";
    }
    fillSummary(body, "@FinCount", "@Period", "0");
    body << "update ca_rpthzbtmp set 其他费用=0 where 其他费用 is null"
         << "update ca_rpthzbtmp set 总成本=材料费用+人工费用+制造费用+辅助费用+其他费用"
         << "update ca_rpthzbtmp set 单位成本=总成本 / 完工数量 where 完工数量<>0";
    return body.text();
}

std::string periodBesidePeriodProcedure() {
    BodyLines body;
    body << "CREATE PROCEDURE [CA_BmCBMx] @ProductID Varchar(20),@Batch Varchar(20),@Period tinyint,@Period1 tinyint AS"
         << "--出完工成本明细表" << "SET NOCOUNT ON";
    quotedCodes(body);
    struct Side {
        const char* heading;
        const char* period;
        const char* measures;  // the twelve measure columns
    };
    const std::array<Side, 2> sides{{
        {"-- 上期", "@Period1", "sum(iqua),0,sum(itotalamo),0,0,0,0,0,0,0,sum(ionptotalamo),0"},
        {"-- 本期", "@Period", "0,sum(iqua),0,sum(itotalamo),0,0,0,0,0,0,0,sum(ionptotalamo)"},
    }};
    for (const CostGroup& g : costGroups()) {
        body << std::string(g.heading);
        for (const Side& side : sides) {
            const std::string period = "convert(char(4)," + std::string(side.period) + ")";
            body << side.heading
                 << "select @cSql = 'insert into ca_bmmx_tmp select ' + " + period + " + '," +
                        quotesDoubled(g.describingColumns()) + "," + side.measures + " " +
                        quotesDoubled(g.sourceAndFilter("a.cppid=")) + "' + @qProductID + ' and a.iperiod=' + " +
                        period
                 << "if @Batch<>'全部'" << "   select @cSql = @cSql + ' and a.cbatch = ' + @qBatch"
                 << "select @cSql = @cSql + ' group by a.camoid'" << "exec (@csql)";
        }
    }
    for (const char* column : {"totalquapre", "totalquacur", "totalamopre", "totalamocur", "onpamopre", "onpamocur"})
        body << "update ca_bmmx_tmp set " + std::string(column) + "=0 where " + column + " is null";
    body << "update ca_bmmx_tmp set finquapre = totalquapre / totalamopre * (totalamopre-onpamopre) where totalamopre <> 0"
         << "update ca_bmmx_tmp set finquacur = totalquacur / totalamocur * (totalamocur-onpamocur) where totalamocur <> 0"
         << "update ca_bmmx_tmp set onpquapre = totalquapre / totalamopre * onpamopre where totalamopre <> 0"
         << "update ca_bmmx_tmp set onpquacur = totalquacur / totalamocur * onpamocur where totalamocur <> 0"
         << "update ca_bmmx_tmp set finamopre = totalamopre-onpamopre"
         << "update ca_bmmx_tmp set finamocur = totalamocur-onpamocur";
    return body.text();
}

}  // namespace vantyr::upgrade
