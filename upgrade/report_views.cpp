// Group 5: the report views, each sent as CREATE VIEW and then as ALTER VIEW
// with the same body. On a database without the view the create makes it;
// on one that has it the create fails and the alter replaces the definition.
#include "upgrade/statement_groups.h"
#include "upgrade/statement_text.h"

namespace vantyr::upgrade {
namespace {

void createThenAlter(UpgradeSession& s, std::string_view createHead, std::string_view alterHead,
                     const std::string& body) {
    s.execute(std::string(createHead) + " " + body);
    s.execute(std::string(alterHead) + " " + body);
}

// The catalogue of cost items by cost type: six branches, duplicates removed.
std::string costItemNames() {
    return joined(
        {"select distinct 1 as amotypeno,'0' as amotype,'材料费用' as amotypename,b.cinvcode as amoid,b.cinvname as "
         "amoname,b.cinvccode as cinvccode ,b.cinvcname as cinvcname,b.cinvstd as cinvstd,b.cinvm_unit as cunit "
         "from ca_amoct a,ca_inventory b where a.camoid= b.cinvcode",
         "select 2,'0','材料费用','-1','废品回收','','','',''",
         "select 3,'3','制造费用',camoid,camoname,'','','','' from caq_manufacture",
         "select 4,'2','辅助费用',cprocedureid,cprocedurename,'','','','' from ca_predf where bisauxi<>0",
         "select 5,'4','其他费用',camoid,camoname,'','','','' from caq_others",
         "select 6,'1','人工费用','','直接人工','','','',''"},
        " union ");
}

std::string productCostDetail() {
    return joined({
        "select",
        selectList({
            {"a.iperiod", "期间"},
            {"a.cppid", "产品编码"},
            {"f.cinvname", "产品名称"},
            {"a.cbatch", "批号"},
            {"b.cinvstd", "规格型号"},
            {"b.cunit", "单位"},
            {"b.cinvccode", "存货分类编码"},
            {"b.cinvcname", "存货分类名称"},
            {"c.cdepcode", "部门编码"},
            {"d.cdepname", "部门名称"},
            {"b.amotypeno", "费用类型序号"},
            {"b.amotype", "费用类型编码"},
            {"b.amotypename", "费用类型名称"},
            {"case when ifinqua=0 then 0 else iqua*(1-onpration)/(case when ifinqua=0 then 1 else ifinqua end) end",
             "完工数量单位成本"},
            {"iqua *(1-onpration)", "完工数量总成本"},
            {"iqua * onpration", "在产数量总成本"},
            {"iqua", "产品数量总成本"},
            {"case when ifinqua=0 then 0 else itotalamo*(1-onpration)/(case when ifinqua=0 then 1 else ifinqua end) "
             "end",
             "完工金额单位成本"},
            {"itotalamo *(1-onpration)", "完工金额总成本"},
            {"itotalamo * onpration", "在产金额总成本"},
            {"itotalamo", "产品金额总成本"},
            {"ifinpdtunitamo * iIntoamo", "入库金额总成本"},
            {"case when ifinqua=0 then 0 else iqua*(1-onpration)/(case when ifinqua=0 then 1 else ifinqua end)"
             "*e.iIntoamo end",
             "入库数量总成本"},
            {"onpration", "在产分配率"},
        }),
        "from ca_amoct a,caq_amoname b,productstructure c,department d,ca_compd e,inventory f Where a.camotype = "
        "b.amotype And a.camoid = b.amoid And a.cPPid = C.cpspcode and c.cdepcode=d.cdepcode and a.iperiod=e.iperiod "
        "and a.cppid= e.cppid and a.cbatch = e.cbatch and a.cppid=f.cinvcode",
    });
}

// Department cost data before naming: seven branches, duplicates removed.
std::string departmentCostData() {
    auto branch = [](std::initializer_list<OutputColumn> columns, std::string_view source) {
        return joined({"select", selectList(columns), source});
    };
    const char* materialRemainder =
        "from ca_mabsw a left join ca_enmmc b on a.cdeptid=b.cdeptid and a.cmatid=b.cmatid and a.iperiod = b.iperiod";
    const char* productRemainder =
        "from ca_mabsw a left join ca_enmom b on a.cdeptid=b.cdeptid and a.cmatid=b.cmatid and a.iperiod = b.iperiod";
    return joined(
        {branch({{"a.iperiod", "iperiod"}, {"a.cdeptid", "cdeptid"}, {"0", "amotypeno"}, {"'0'", "amotype"},
                 {"a.cmatid", "amoid"}, {"a.iqua", "curqua"}, {"a.imatqua", "curamo"}, {"b.irestqua", "endqua"},
                 {"b.iprice * b.irestqua", "endamo"}},
                materialRemainder),
         branch({{"a.iperiod"}, {"a.cdeptid"}, {"0"}, {"'0'"}, {"a.cmatid"}, {"a.iqua"}, {"a.imatqua"}, {"b.irestqua"},
                 {"b.iprice * b.irestqua"}},
                productRemainder),
         branch({{"max(a.iperiod)"}, {"max(b.cdepcode)"}, {"1"}, {"'0'"}, {"'-1'"}, {"0"}, {"sum(irecamo)"}, {"0"}, {"0"}},
                "from ca_waspr a,productstructureex b where a.cppid = b.cpspcode group by cdepcode"),
         branch({{"iperiod"}, {"cdeptid"}, {"2"}, {"'3'"}, {"camoid"}, {"0"}, {"imanamo"}, {"0"}, {"0"}}, "from ca_manct"),
         branch({{"a.iperiod"}, {"a.cdeptid"}, {"3"}, {"'2'"}, {"a.cprocedureid"}, {"a.iqua"}, {"a.iqua* b.price"}, {"0"},
                 {"0"}},
                "from ca_asscw a , caq_serviceprice b where a.iperiod=b.iperiod and a.cprocedureid=b.cprocedureid"),
         branch({{"max(iperiod)"}, {"max(cdeptid)"}, {"4"}, {"'4'"}, {"max(cothamoid)"}, {"0"}, {"sum(iothamo)"}, {"0"},
                 {"0"}},
                "from ca_onlia group by cdeptid,iperiod,cothamoid"),
         branch({{"iperiod"}, {"cdeptid"}, {"5"}, {"'1'"}, {"''"}, {"0"}, {"iDirectPay"}, {"0"}, {"0"}}, "from ca_dirma")},
        " union ");
}

std::string departmentCostReport() {
    return joined({
        "select",
        selectList({
            {"a.iperiod", "期间"},
            {"a.cdeptid", "部门编码"},
            {"b.cdepname", "部门名称"},
            {"a.amotypeno", "费用类型序号"},
            {"a.amotype", "费用类型编码"},
            {"c.amotypename", "费用类型名称"},
            {"c.cinvccode", "存货分类编码"},
            {"c.cinvcname", "存货分类名称"},
            {"a.amoid", "费用明细编码"},
            {"c.amoname", "费用明细名称"},
            {"a.curqua", "本期发生数量"},
            {"a.curamo", "本期发生金额"},
            {"a.endqua", "期末盘存数量"},
            {"a.endamo", "期末盘存金额"},
        }),
        "from caq_predepdata a,department b,caq_amoname c Where a.cdeptid = b.cDepCode and a.amotype=c.amotype and "
        "a.amoid=c.amoid",
    });
}

}  // namespace

void ReportViewsCreateThenAlter(UpgradeSession& s) {
    createThenAlter(s, "create view caq_userproperty as", "alter view caq_userproperty as",
                    "select cuserid,caccode as cdeptid from aa_holdauth where cbusobid='department'");
    createThenAlter(s, "Create view CAQ_DeptAuthEx as", "Alter view CAQ_DeptAuthEx as",
                    "SELECT CAQ_UserProperty.cUserID, Department.cDepCode,Department.cDepName FROM Department INNER "
                    "JOIN CAQ_UserProperty ON Department.cDepCode = CAQ_UserProperty.cDeptID");
    createThenAlter(s, "CREATE view caq_amoname as", "alter view caq_amoname as", costItemNames());
    createThenAlter(s, "create view caq_mxb as", "alter view caq_mxb as", productCostDetail());
    createThenAlter(s, "create view caq_serviceprice as", "alter view caq_serviceprice as",
                    "select max(iperiod) as iperiod,max(cprocedureid) as cprocedureid,sum(itotalamo)/sum(iqua) as "
                    "price from ca_samoct group by cprocedureid");
    createThenAlter(s, "create view caq_predepdata as", "alter view caq_predepdata as", departmentCostData());
    createThenAlter(s, "create view caq_depdata as", "alter view caq_depdata as", departmentCostReport());
}

}  // namespace vantyr::upgrade
