#include "platform/sqlite/account_schema.h"

namespace vantyr::platform::sqlite {
namespace {

enum class SchemaRelease { Both, Only861 };

struct SchemaStatement {
    SchemaRelease release;
    const char* sql;
};

constexpr SchemaStatement kSchema[] = {
    {SchemaRelease::Only861,
     "CREATE TABLE [dbo].[CA_COBase] (\r\n"
     "    [iBaseCOID] int IDENTITY(1,1) NOT NULL,\r\n"
     "    [cDeptID] varchar(12),\r\n"
     "    [iPartID] int,\r\n"
     "    CONSTRAINT [PK_CA_COBase] PRIMARY KEY ([iBaseCOID])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Only861,
     "CREATE TABLE [dbo].[CA_COPlan] (\r\n"
     "    [iPlanCOID] int IDENTITY(1,1) NOT NULL,\r\n"
     "    [iPartID] int,\r\n"
     "    [cDeptID] varchar(12),\r\n"
     "    [iBomID] int,\r\n"
     "    [dtEffdate] datetime,\r\n"
     "    [dtLEffdate] datetime,\r\n"
     "    CONSTRAINT [PK_CA_COPlan] PRIMARY KEY ([iPlanCOID])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Only861,
     "CREATE TABLE [dbo].[CA_COReal1] (\r\n"
     "    [iRealCOID] int IDENTITY(1,1) NOT NULL,\r\n"
     "    [iBaseCOID] int,\r\n"
     "    CONSTRAINT [PK_CA_COReal1] PRIMARY KEY ([iRealCOID])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Only861,
     "CREATE TABLE [dbo].[CA_COReal2] (\r\n"
     "    [iRealCOID] int,\r\n"
     "    [cMOCode] varchar(20),\r\n"
     "    [iMOSubSN] int,\r\n"
     "    [iMORouteSN] int,\r\n"
     "    [iPartID] int,\r\n"
     "    [cDeptID] varchar(12),\r\n"
     "    CONSTRAINT [IX_Ca_COReal2] UNIQUE NONCLUSTERED ([iRealCOID])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Only861,
     "CREATE TABLE [dbo].[CA_COReal3] (\r\n"
     "    [iRealCOID] int,\r\n"
     "    [cDeptID] varchar(12),\r\n"
     "    [iPartID] int,\r\n"
     "    [cBOMVer] varchar(10),\r\n"
     "    [iBOMType] int,\r\n"
     "    CONSTRAINT [IX_Ca_COReal3] UNIQUE NONCLUSTERED ([iRealCOID])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_DepDF] (\r\n"
     "    [cDeptID] varchar(12),\r\n"
     "    [bIsBaseDep] bit,\r\n"
     "    [cProperty] varchar(60)\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Only861, "alter table CA_DepDF add bIsWCID bit"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_PreDF] (\r\n"
     "    [cProcedureID] varchar(20),\r\n"
     "    [cProcedureName] varchar(60),\r\n"
     "    [cDeptID] varchar(12),\r\n"
     "    [bIsUsed] bit,\r\n"
     "    [cUnit] varchar(60),\r\n"
     "    [cComments] varchar(255),\r\n"
     "    [bIsAuxi] bit\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_ClassDEF] (\r\n"
     "    [iclassnum] int IDENTITY(1,1) NOT NULL,\r\n"
     "    [cclassname] varchar(60)\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_amoct] (\r\n"
     "    [cppid] varchar(20),\r\n"
     "    [cbatch] varchar(10),\r\n"
     "    [camoid] varchar(20),\r\n"
     "    [camotype] varchar(1),\r\n"
     "    [iqua] float,\r\n"
     "    [itotalamo] float,\r\n"
     "    [ionptotalamo] float,\r\n"
     "    [ifinpdtunitamo] float,\r\n"
     "    [iperiod] tinyint,\r\n"
     "    [iRation] float,\r\n"
     "    [bfixed] bit,\r\n"
     "    [ifinqua] float,\r\n"
     "    [onpration] float default 0 not null,\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_Amoct] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_asscw] (\r\n"
     "    [cdeptid] varchar(12),\r\n"
     "    [cserid] varchar(20),\r\n"
     "    [cppid] varchar(20),\r\n"
     "    [cbatch] varchar(10),\r\n"
     "    [iqua] float,\r\n"
     "    [cunit] varchar(60),\r\n"
     "    [iperiod] tinyint,\r\n"
     "    [cprocedureid] varchar(20),\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_ASSCW] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_compd] (\r\n"
     "    [cppid] varchar(20),\r\n"
     "    [cbatch] varchar(10),\r\n"
     "    [iintoamo] float,\r\n"
     "    [ilosingincost] float,\r\n"
     "    [iperiod] tinyint,\r\n"
     "    [ilosingin] float,\r\n"
     "    [irate] float,\r\n"
     "    [iintoamo_auxi] float,\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_COMPD] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_comps] (\r\n"
     "    [cppid] varchar(20),\r\n"
     "    [cbatch] varchar(10),\r\n"
     "    [iwastequa] float,\r\n"
     "    [iqua] float,\r\n"
     "    [iperiod] tinyint,\r\n"
     "    [irate] float,\r\n"
     "    [iwastequa_auxi] float,\r\n"
     "    [iqua_auxi] float,\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_COMPS] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_depcs] (\r\n"
     "    [cdeptid] varchar(12),\r\n"
     "    [idepreciation] float,\r\n"
     "    [cfrom] varchar(10),\r\n"
     "    [iperiod] tinyint,\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_DEPCS] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_enmmc] (\r\n"
     "    [cdeptid] varchar(12),\r\n"
     "    [cmatid] varchar(20),\r\n"
     "    [irestqua] float,\r\n"
     "    [cunit] varchar(60),\r\n"
     "    [iperiod] tinyint,\r\n"
     "    [iprice] float,\r\n"
     "    [cbatch] varchar(10) DEFAULT '' NOT NULL,\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_ENMMC] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_enmom] (\r\n"
     "    [cdeptid] varchar(12),\r\n"
     "    [cppid] varchar(20),\r\n"
     "    [cbatch] varchar(10),\r\n"
     "    [cmatid] varchar(20),\r\n"
     "    [irestqua] float,\r\n"
     "    [cunit] varchar(60),\r\n"
     "    [iperiod] tinyint,\r\n"
     "    [iprice] float,\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_ENMOM] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_enmop] (\r\n"
     "    [cppid] varchar(20),\r\n"
     "    [ionpdtamo] float,\r\n"
     "    [ifinpdtamo] float,\r\n"
     "    [cbatch] varchar(10),\r\n"
     "    [iperiod] tinyint,\r\n"
     "    [cunit] varchar(60),\r\n"
     "    [ionpwkt] float,\r\n"
     "    [irate] float,\r\n"
     "    [ionpdtamo_auxi] float,\r\n"
     "    [ifinpdtamo_auxi] float,\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_ENMOP] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_mabsw] (\r\n"
     "    [cdeptid] varchar(12),\r\n"
     "    [cppid] varchar(20),\r\n"
     "    [cmatid] varchar(20),\r\n"
     "    [cbatch] varchar(10),\r\n"
     "    [iprice] float,\r\n"
     "    [iqua] float,\r\n"
     "    [iperiod] tinyint,\r\n"
     "    [dgetdata] datetime,\r\n"
     "    [imatqua] float,\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_MABSW] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_manct] (\r\n"
     "    [cdeptid] varchar(12),\r\n"
     "    [camoid] varchar(20),\r\n"
     "    [imanamo] float,\r\n"
     "    [iperiod] tinyint,\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_MANCT] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_onlia] (\r\n"
     "    [cdeptid] varchar(12),\r\n"
     "    [cppid] varchar(20),\r\n"
     "    [cbatch] varchar(10),\r\n"
     "    [cothamoid] varchar(20),\r\n"
     "    [csource] varchar(10),\r\n"
     "    [iothamo] float,\r\n"
     "    [iperiod] tinyint,\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_ONLIA] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_onpce] (\r\n"
     "    [cppid] varchar(20),\r\n"
     "    [ionpapp] float,\r\n"
     "    [iperiod] tinyint,\r\n"
     "    [cbatch] varchar(10) DEFAULT '' NOT NULL,\r\n"
     "    [ionpappmat] float,\r\n"
     "    [ionpappdirm] float,\r\n"
     "    [ionpappaux] float,\r\n"
     "    [ionpappmau] float,\r\n"
     "    [ionpappoth] float,\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_ONPCE] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_pronb] (\r\n"
     "    [cbatch] varchar(10),\r\n"
     "    [creason] varchar(60),\r\n"
     "    [cppid] varchar(20),\r\n"
     "    [cunit] varchar(60),\r\n"
     "    [iqua] float,\r\n"
     "    [iproductmonth] tinyint,\r\n"
     "    [bcompmark] bit,\r\n"
     "    [icompperiod] tinyint,\r\n"
     "    [ccomments] varchar(255),\r\n"
     "    [iyear] smallint,\r\n"
     "    [iendyear] smallint,\r\n"
     "    [ihisqua] float,\r\n"
     "    [icurqua] float,\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_PRONB] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_propu] (\r\n"
     "    [cppid] varchar(20),\r\n"
     "    [cbatch] varchar(10),\r\n"
     "    [cuseppid] varchar(20),\r\n"
     "    [cusebatch] varchar(10),\r\n"
     "    [iqua] float,\r\n"
     "    [iperiod] tinyint,\r\n"
     "    [irate] float,\r\n"
     "    [iqua_auxi] float,\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_PROPU] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_timst] (\r\n"
     "    [cppid] varchar(20),\r\n"
     "    [cbatch] varchar(10),\r\n"
     "    [irealwkt] float,\r\n"
     "    [iperiod] tinyint,\r\n"
     "    [iOnpWkt] float,\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_TIMST] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_waspr] (\r\n"
     "    [cppid] varchar(20),\r\n"
     "    [cbatch] varchar(10),\r\n"
     "    [irecamo] float,\r\n"
     "    [ccomments] varchar(255),\r\n"
     "    [iperiod] tinyint,\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_WASPR] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_depfr] (\r\n"
     "    [cdeptid] varchar(12),\r\n"
     "    [iforeperiod] tinyint,\r\n"
     "    [cmonths] varchar(10),\r\n"
     "    [imatamo] float,\r\n"
     "    [imanamo] float,\r\n"
     "    [imadamo] float,\r\n"
     "    [iauxamo] float,\r\n"
     "    [iothamo] float,\r\n"
     "    [cmethod] varchar(10),\r\n"
     "    [iforeyear] smallint,\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_DEPFR] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_cbsys] (\r\n"
     "    [caudepinalo] varchar(10),\r\n"
     "    [iplanperman] float,\r\n"
     "    [iendmonth] tinyint,\r\n"
     "    [iendyear] smallint,\r\n"
     "    [icalculate] tinyint,\r\n"
     "    [icertified] tinyint,\r\n"
     "    [iplanmethod] tinyint,\r\n"
     "    [binitleft] bit,\r\n"
     "    [istep] tinyint,\r\n"
     "    [cMauDetailFlag] char(1),\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_CBSYS] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_ACR] (\r\n"
     "    [cppid] varchar(20),\r\n"
     "    [iauxquo] float,\r\n"
     "    [imanquo] float,\r\n"
     "    [idirquo] float,\r\n"
     "    [iothquo] float,\r\n"
     "    [imatquo] float,\r\n"
     "    [ionquo] float\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_ACR_invC] (\r\n"
     "    [cinvCCode] varchar(20),\r\n"
     "    [cppid] varchar(20),\r\n"
     "    [iinvcquo] float,\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_ACR_InvC] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_ACR_DetailMau] (\r\n"
     "    [cPPID] varchar(20),\r\n"
     "    [cAmoID] varchar(20),\r\n"
     "    [iManQuo] float,\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_Acr_DetailMau] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_ALLMT] (\r\n"
     "    [cDeptID] varchar(12),\r\n"
     "    [cMatAlomethod] varchar(255),\r\n"
     "    [cOnPAlomethod] varchar(255),\r\n"
     "    [cDirMapAlomethod] varchar(255),\r\n"
     "    [cAuxAmoAlomethod] varchar(255),\r\n"
     "    [cMauAmoAlomethod] varchar(255),\r\n"
     "    [cMatSelfDefMethod] varchar(255),\r\n"
     "    [cDirmSelfDefMethod] varchar(255),\r\n"
     "    [cAuxSelfDefMethod] varchar(255),\r\n"
     "    [cMauSelfDefMethod] varchar(255),\r\n"
     "    [cMatSelfDefFormula] varchar(255),\r\n"
     "    [cDirmSelfDefFormula] varchar(255),\r\n"
     "    [cAuxSelfDefFormula] varchar(255),\r\n"
     "    [cMauSelfDefFormula] varchar(255)\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Only861, "alter table CA_ALLMT add cOnpFormulaShow varchar(255), cOnpFormulaOn varchar(255), cOnpFormulaCom varchar(255)"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_Allmt_invc] (\r\n"
     "    [cdeptid] varchar(12),\r\n"
     "    [cinvccode] varchar(20),\r\n"
     "    [cmethod] varchar(10),\r\n"
     "    [cformulashow] varchar(255),\r\n"
     "    [cformula] varchar(255),\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_AllMt_InvC] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_AsDIF] (\r\n"
     "    [cdeptid] varchar(12),\r\n"
     "    [cauxamoid] varchar(20),\r\n"
     "    [irat] float\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_AssMP] (\r\n"
     "    [cdeptid] varchar(12),\r\n"
     "    [cauxamoid] varchar(20),\r\n"
     "    [iunit] float,\r\n"
     "    [iplanprice] float\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_AWPC] (\r\n"
     "    [cppid] varchar(20),\r\n"
     "    [camoid] varchar(20),\r\n"
     "    [camotype] varchar(1),\r\n"
     "    [iqua] float,\r\n"
     "    [cunit] varchar(60),\r\n"
     "    [iamo] float,\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_AWPC] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_CostCD] (\r\n"
     "    [cdeptid] varchar(12),\r\n"
     "    [camoid] varchar(20),\r\n"
     "    [camoname] varchar(60),\r\n"
     "    [camotype] varchar(1),\r\n"
     "    [cformula] varchar(255),\r\n"
     "    [cunit] varchar(60),\r\n"
     "    [cMauAmoAloMethod] varchar(255),\r\n"
     "    [cMauSelfDefMethod] varchar(255),\r\n"
     "    [cMauSelfDefFormula] varchar(255),\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_COSTCD] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Only861, "alter table CA_CostCD add iAttribute int"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_Depcf] (\r\n"
     "    [cdeptid] varchar(12),\r\n"
     "    [cyemo] varchar(10),\r\n"
     "    [imatamo] float,\r\n"
     "    [imanamo] float,\r\n"
     "    [imadamo] float,\r\n"
     "    [iauxamo] float,\r\n"
     "    [iothamo] float,\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_DEPCF] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_DepPMA] (\r\n"
     "    [cdeptid] varchar(12),\r\n"
     "    [iplanmauamorat] float\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_IDMAC] (\r\n"
     "    [coutid] varchar(20),\r\n"
     "    [coutname] varchar(60),\r\n"
     "    [btype] bit\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_MAPC] (\r\n"
     "    [cinamoid] varchar(20),\r\n"
     "    [cinamotype] varchar(1),\r\n"
     "    [ipepctyid] int,\r\n"
     "    [cpepctyname] varchar(60),\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_MAPC] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_Matdf] (\r\n"
     "    [cmatid] varchar(20),\r\n"
     "    [cunit] varchar(60),\r\n"
     "    [cspecification] varchar(255),\r\n"
     "    [irat] float,\r\n"
     "    [ccomments] varchar(255),\r\n"
     "    [cmatname] varchar(60),\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_MATDF] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_OnpB] (\r\n"
     "    [cppid] varchar(20),\r\n"
     "    [camoid] varchar(20),\r\n"
     "    [camotype] varchar(1),\r\n"
     "    [iyeabqua] float,\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_ONPB] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_OnPQu] (\r\n"
     "    [cPPID] varchar(20) NOT NULL,\r\n"
     "    [iQuot] float NOT NULL,\r\n"
     "    [iQuotMat] float DEFAULT 1 NOT NULL,\r\n"
     "    [iQuotDirm] float DEFAULT 1 NOT NULL,\r\n"
     "    [iQuotAux] float DEFAULT 1 NOT NULL,\r\n"
     "    [iQuotMau] float DEFAULT 1 NOT NULL,\r\n"
     "    [iQuotOth] float DEFAULT 1 NOT NULL,\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_ONPQU] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_OnPQuo] (\r\n"
     "    [cppid] varchar(20),\r\n"
     "    [camoid] varchar(20),\r\n"
     "    [camotype] varchar(1),\r\n"
     "    [conpquo] varchar(255),\r\n"
     "    [ionpqua] float,\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_ONPQUO] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_PlanC] (\r\n"
     "    [cppid] varchar(20),\r\n"
     "    [camoid] varchar(20),\r\n"
     "    [camotype] varchar(1),\r\n"
     "    [ipdtunitamo] float,\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_PLANC] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_ProCF] (\r\n"
     "    [cppid] varchar(20),\r\n"
     "    [cbatch] varchar(10),\r\n"
     "    [iqua] float,\r\n"
     "    [cforetype] varchar(10),\r\n"
     "    [imanamo] float,\r\n"
     "    [imadamo] float,\r\n"
     "    [imatamo] float,\r\n"
     "    [iauxamo] float,\r\n"
     "    [iothamo] float,\r\n"
     "    [dforedate] datetime,\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_PROCF] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_ProPMA] (\r\n"
     "    [cprocedureid] varchar(20),\r\n"
     "    [iplanmauamorat] float,\r\n"
     "    [cprotype] varchar(10),\r\n"
     "    [cdeptid] varchar(12),\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_PROPMA] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_ProPt] (\r\n"
     "    [cppid] varchar(20),\r\n"
     "    [cprocedureid] varchar(20),\r\n"
     "    [cisfin] varchar(10),\r\n"
     "    [iclassnum] int\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_QUO] (\r\n"
     "    [cppid] varchar(20),\r\n"
     "    [camoid] varchar(20),\r\n"
     "    [camotype] varchar(1),\r\n"
     "    [iquo] float,\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_QUO] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_RptADD] (\r\n"
     "    [corder] varchar(10),\r\n"
     "    [addid] varchar(20),\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_RPTADD] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_RptFLD] (\r\n"
     "    [id] int,\r\n"
     "    [corder] varchar(10),\r\n"
     "    [crptname] varchar(60),\r\n"
     "    [name] varchar(60),\r\n"
     "    [width] int,\r\n"
     "    [isbase] bit,\r\n"
     "    [tablename] varchar(60),\r\n"
     "    [fieldname] varchar(60),\r\n"
     "    [sumable] bit,\r\n"
     "    [addsubid] varchar(20),\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_RPTFLD] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_RptSUB] (\r\n"
     "    [corder] varchar(10),\r\n"
     "    [subid] varchar(20),\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_RPTSUB] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_RptSYS] (\r\n"
     "    [id] int,\r\n"
     "    [corder] varchar(10),\r\n"
     "    [crptname] varchar(60),\r\n"
     "    [name] varchar(60),\r\n"
     "    [width] int,\r\n"
     "    [isbase] bit,\r\n"
     "    [tablename] varchar(60),\r\n"
     "    [fieldname] varchar(60),\r\n"
     "    [sumable] bit,\r\n"
     "    [addsubid] varchar(20),\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_RPTSYS] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_SerPRI] (\r\n"
     "    [cdeptid] varchar(12),\r\n"
     "    [cprocedureid] varchar(20),\r\n"
     "    [iprice] float,\r\n"
     "    [iperiod] tinyint\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_UserProperty] (\r\n"
     "    [cuserid] varchar(12),\r\n"
     "    [cdeptid] varchar(12)\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_DistrItem] (\r\n"
     "    [iItemID] int IDENTITY(1,1) NOT NULL,\r\n"
     "    [cItemName] varchar(60) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_DistrItem] PRIMARY KEY CLUSTERED ([iItemID])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Only861, "alter table CA_DistrItem add iType int"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_MenuDef] (\r\n"
     "    [cdefault] varchar(60) NOT NULL,\r\n"
     "    [cNewMenu] varchar(60),\r\n"
     "    [autoid] int IDENTITY(1,1) NOT NULL,\r\n"
     "    CONSTRAINT [PK_CA_MENUDEF] PRIMARY KEY NONCLUSTERED ([autoid])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Only861,
     "CREATE TABLE [dbo].[CA_MoveEnmom] (\r\n"
     "    [iType] int,\r\n"
     "    [iPeriod] tinyint,\r\n"
     "    [cDeptID] varchar(12),\r\n"
     "    [cppid] varchar(20),\r\n"
     "    [cBatch] varchar(10),\r\n"
     "    [cDeptIDS] varchar(12),\r\n"
     "    [cppids] varchar(20),\r\n"
     "    [cBatchs] varchar(10),\r\n"
     "    [cMatID] varchar(20),\r\n"
     "    [cUnit] varchar(60),\r\n"
     "    [iRestQua] float,\r\n"
     "    [iPrice] float\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Only861,
     "CREATE TABLE [dbo].[CA_MoveAmoct] (\r\n"
     "    [iType] int,\r\n"
     "    [iPeriod] tinyint,\r\n"
     "    [cDeptID] varchar(12),\r\n"
     "    [cPPID] varchar(20),\r\n"
     "    [cBatch] varchar(10),\r\n"
     "    [iCount] int,\r\n"
     "    [cDeptIDS] varchar(12),\r\n"
     "    [cPPIDS] varchar(20),\r\n"
     "    [cBatchs] varchar(10),\r\n"
     "    [cAmotype] varchar(1),\r\n"
     "    [cAmoID] varchar(20),\r\n"
     "    [iQuo] float,\r\n"
     "    [iRestQua] float,\r\n"
     "    [iOnpTotalAmo] float\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_RptSUM] (\r\n"
     "    [corder] varchar(10),\r\n"
     "    [sumid] varchar(20),\r\n"
     "    [csumname] varchar(60)\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[CA_DistrInput] (\r\n"
     "    [cPPID] varchar(20) NOT NULL,\r\n"
     "    [cBatch] varchar(10) DEFAULT '' NOT NULL,\r\n"
     "    [iPeriod] tinyint NOT NULL,\r\n"
     "    [cpjhdwcb] float DEFAULT 0 NOT NULL, [cpsjgs] float DEFAULT 0 NOT NULL, [cpdegs] float DEFAULT 0 NOT NULL,\r\n"
     "    [cpwgsl] float DEFAULT 0 NOT NULL, [cprksl] float DEFAULT 0 NOT NULL, [cpjhjg] float DEFAULT 0 NOT NULL,\r\n"
     "    [cpckcb] float DEFAULT 0 NOT NULL, [cpcksj] float DEFAULT 0 NOT NULL, [cpzxcb] float DEFAULT 0 NOT NULL,\r\n"
     "    [cpzdsj] float DEFAULT 0 NOT NULL, [cpdwjhclfy] float DEFAULT 0 NOT NULL, [cpdwjhrgfy] float DEFAULT 0 NOT NULL,\r\n"
     "    [cpdwjhzzfy] float DEFAULT 0 NOT NULL, [cpdwjhfzfy] float DEFAULT 0 NOT NULL, [cpdwjhqtfy] float DEFAULT 0 NOT NULL,\r\n"
     "    [cpcldecb] float DEFAULT 0 NOT NULL,\r\n"
     "    CONSTRAINT [aaaaaCA_DistrInput_PK] PRIMARY KEY NONCLUSTERED ([cPPID], [cBatch], [iPeriod])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both, "create UNIQUE index idxmenu on CA_MenuDef (cDefault)"},
    {SchemaRelease::Both, "CREATE DEFAULT CA_OnPQu_iQuot_D AS 1"},
    {SchemaRelease::Both, "sp_bindefault N'[dbo].[CA_OnPQu_iQuot_D]', N'[CA_OnPQu].[iQuot]'"},
    {SchemaRelease::Only861, "CREATE  INDEX [ProductStructureCA_OnPQu] ON [dbo].[CA_OnPQu]([cPPID]) ON [PRIMARY]"},
    {SchemaRelease::Both,
     "CREATE TABLE [dbo].[accinformation] (\r\n"
     "    [cSysID] varchar(2) NOT NULL,\r\n"
     "    [cID] varchar(10) NOT NULL,\r\n"
     "    [cName] varchar(60),\r\n"
     "    [cCaption] nvarchar(60),\r\n"
     "    [cType] varchar(10),\r\n"
     "    [cValue] nvarchar(255),\r\n"
     "    [cDefault] nvarchar(255),\r\n"
     "    [bVisible] bit,\r\n"
     "    [bEnable] bit,\r\n"
     "    CONSTRAINT [PK_accinformation] PRIMARY KEY ([cSysID], [cID])\r\n"
     ") ON [PRIMARY]"},
    {SchemaRelease::Both,
     "insert into accinformation (cSysID, cID, cName, cCaption, cType, cValue, cDefault, bVisible, bEnable) values "
     "(N'CA', N'10', N'bCalculated', N'成本计算', N'Boolean', N'0', N'0', 0, 0), "
     "(N'CA', N'11', N'bCertified', N'凭证生成', N'Boolean', N'0', N'0', 0, 0), "
     "(N'CA', N'12', N'bClosed', N'月末结账', N'Boolean', N'0', N'0', 0, 0), "
     "(N'CA', N'18', N'Version', N'版本', N'Text', N'8000000', N'8000000', 1, 1), "
     "(N'CA', N'8601', N'bCostObject', N'成本对象', N'Boolean', NULL, N'0', 1, 1), "
     "(N'CA', N'8602', N'bCostObjectRoute', N'成本对象工序', N'Boolean', NULL, N'0', 1, 1)"},
};

bool applies(SchemaRelease r, bool release861) { return r == SchemaRelease::Both || release861; }

}  // namespace

std::vector<std::string> accountSchema(bool release861) {
    std::vector<std::string> out;
    for (const auto& s : kSchema)
        if (applies(s.release, release861)) out.push_back(s.sql);
    return out;
}

}  // namespace vantyr::platform::sqlite
