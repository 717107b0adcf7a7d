#include "carryover/catalogue.h"

#include <iterator>

#include "platform/database.h"

namespace vantyr::carryover {
namespace {

using platform::kFailOnError;

// Emptied in this order on the current year before anything is copied.
constexpr Entry kClearList[] = {
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_UserProperty", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_UserProperty ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_SerPRI", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_SerPRI ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_RptSYS", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_RptSYS ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_RptSUM", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_RptSUM ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_RptSUB", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_RptSUB ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_RptFLD", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_RptFLD ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_RptADD", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_RptADD ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_QUO", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_QUO ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_ProPt", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_ProPt ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_ProPMA", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_ProPMA ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_ProCF", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_ProCF ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_Planc", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_Planc ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_OnPQUo", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_OnPQUo ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_OnPQU", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_OnPQU ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_OnpB", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_OnpB ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_MatDf", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_MatDf ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_MAPC", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_MAPC ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_IDMAC", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_IDMAC ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_DepPMA", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_DepPMA ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_Depcf", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_Depcf ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_CostCD", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_CostCD ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_CLassDEF", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_CLassDEF ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_AWPC", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_AWPC ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_AssMP", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_AssMP ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_AsDIF", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_AsDIF ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_ACR", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_ACR ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "Ca_ACR_DetailMau", .object = Object::Cur, .option = kFailOnError, .text = "delete from Ca_ACR_DetailMau ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_propu", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_propu where iperiod =", .filter = Filter::Zero},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_pronb", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_pronb ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_onpce", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_onpce where iperiod =", .filter = Filter::Zero},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_cbsys", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_cbsys ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_depfr", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_depfr ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_waspr", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_waspr ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_timst", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_timst ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_onlia", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_onlia ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_manct", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_manct ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_mabsw", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_mabsw ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_enmop", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_enmop ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_enmom", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_enmom ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_enmmc", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_enmmc ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_depcs", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_depcs ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_comps", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_comps ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_compd", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_compd ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_asscw", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_asscw ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_amoct", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_amoct ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_ALLMT", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_ALLMT ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_menudef", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_menudef ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_distritem", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_distritem ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_PreDF", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_PreDF ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Both, .table = "ca_DepDF", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_DepDF ", .filter = Filter::None},
    // Tables without a key that a repeated carry-over would otherwise fill a
    // second time: emptied only when the run goes on over an earlier state,
    // so a first carry-over sends exactly the list above.
    {.form = Form::Clear, .releases = Releases::Both, .table = "cA_ACR_invC", .object = Object::Cur, .option = kFailOnError, .text = "delete from cA_ACR_invC ", .onlyOverwriting = true},
    {.form = Form::Clear, .releases = Releases::Both, .table = "cA_Allmt_invc", .object = Object::Cur, .option = kFailOnError, .text = "delete from cA_Allmt_invc ", .onlyOverwriting = true},
    {.form = Form::Clear, .releases = Releases::Only861, .table = "ca_MoveEnmom", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_MoveEnmom ", .filter = Filter::None},
    {.form = Form::Clear, .releases = Releases::Only861, .table = "ca_MoveAmoct", .object = Object::Cur, .option = kFailOnError, .text = "delete from ca_MoveAmoct ", .filter = Filter::None},
};

// The copy list: the cost-object block (8.61), the plain, filtered and identity
// copies, the rebuilt tables and their default constraints, the menu copies.
constexpr Entry kCopyList[] = {
    {.form = Form::IdentityCopy, .releases = Releases::Only861, .table = "CA_COBase", .object = Object::Prev, .option = kNoOption,
     .text = "..CA_COBase(iBaseCOID,cDeptID,iPartID) select iBaseCOID,cDeptID,iPartID from CA_COBase ",
     .identityOn = "..CA_COBase ON ", .identityOff = "..CA_COBase OFF"},
    {.form = Form::IdentityCopy, .releases = Releases::Only861, .table = "CA_COPlan", .object = Object::Prev, .option = kNoOption,
     .text = "..CA_COPlan(iPlanCOID,iPartID,cDeptID,iBomID,dtEffdate,dtLEffdate) select iPlanCOID,iPartID,cDeptID,iBomID,dtEffdate,dtLEffdate from CA_COPlan ",
     .identityOn = "..CA_COPlan ON ", .identityOff = "..CA_COPlan OFF"},
    {.form = Form::IdentityCopy, .releases = Releases::Only861, .table = "CA_COReal1", .object = Object::Prev, .option = kNoOption,
     .text = "..CA_COReal1(iRealCOID,iBaseCOID) select iRealCOID,iBaseCOID from CA_COReal1 ",
     .identityOn = "..CA_COReal1 ON ", .identityOff = "..CA_COReal1 OFF"},
    {.form = Form::GetOption, .releases = Releases::Only861, .table = "accinformation", .object = Object::Prev},
    {.form = Form::ChosenDrop, .releases = Releases::Only861, .table = "ca_coreal3", .object = Object::Cur, .option = kNoOption,
     .text = "if exists(select * from sysobjects where name=N'IX_Ca_COReal3') alter table ca_coreal3 drop constraint IX_Ca_COReal3",
     .textWhenOptionZero = "if exists(select * from sysobjects where name=N'IX_Ca_COReal2') alter table ca_coreal2 drop constraint IX_Ca_COReal2"},
    {.form = Form::Copy, .releases = Releases::Only861, .table = "CA_COReal2", .object = Object::Prev, .option = kFailOnError,
     .text = "..CA_COReal2(iRealCOID,cMOCode,iMOSubSN,iMORouteSN,iPartID,cDeptID) select iRealCOID,cMOCode,iMOSubSN,iMORouteSN,iPartID,cDeptID from CA_COReal2"},
    {.form = Form::Copy, .releases = Releases::Only861, .table = "CA_COReal3", .object = Object::Prev, .option = kFailOnError,
     .text = "..CA_COReal3(iRealCOID,cDeptID,iPartID,cBOMVer,iBOMType) select iRealCOID,cDeptID,iPartID,cBOMVer,iBOMType from CA_COReal3"},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_DepDF", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_DepDF (cDeptID, bIsBaseDep, cProperty) select cDeptID, bIsBaseDep, cProperty from ca_DepDF ",
     .text861 = "..cA_DepDF (cDeptID, bIsBaseDep, cProperty,bIsWCID) select cDeptID, bIsBaseDep, cProperty,bIsWCID from ca_DepDF "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_PreDF", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_PreDF (cProcedureID, cProcedureName, cDeptID, bIsUsed, cUnit, cComments, bIsAuxi) select cProcedureID, cProcedureName, cDeptID, bIsUsed, cUnit, cComments, bIsAuxi from ca_PreDF "},
    {.form = Form::IdentityCopy, .releases = Releases::Both, .table = "cA_ClassDEF", .object = Object::Prev, .option = kNoOption,
     .text = "..cA_ClassDEF(iclassnum,cclassname) select iClassNum,cClassName from ca_CLassDEF ",
     .identityOn = "..cA_ClassDEF ON ", .identityOff = "..cA_ClassDEF OFF"},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_amoct", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_amoct (cppid, cbatch, camoid, camotype, iqua, itotalamo, ionptotalamo, ifinpdtunitamo, iperiod, iRation, bfixed, ifinqua,onpration) select cppid, cbatch, camoid, camotype, iqua, itotalamo, ionptotalamo, ifinpdtunitamo, iperiod, iRation, bfixed, ifinqua,onpration from ca_amoct where iperiod =",
     .text861 = "..cA_amoct (cppid, cbatch, camoid, camotype, iqua, itotalamo, ionptotalamo, ifinpdtunitamo, iperiod, iRation, bfixed, ifinqua,onpration) select cppid, cbatch, camoid, camotype, iqua, itotalamo, ionptotalamo, ifinpdtunitamo, iperiod, iRation, bfixed, ifinqua,onpration from ca_amoct where ionptotalamo<>0 and iperiod =", .filter = Filter::AmoCt},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_asscw", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_asscw (cdeptid, cserid, cppid, cbatch, iqua, cunit, iperiod, cprocedureid) select cdeptid, cserid, cppid, cbatch, iqua, cunit, iperiod, cprocedureid from ca_asscw where iperiod =", .filter = Filter::PrevEndMonth},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_compd", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_compd (cppid, cbatch, iintoamo, ilosingincost, iperiod, ilosingin,irate,iintoamo_auxi) select cppid, cbatch, iintoamo, ilosingincost, iperiod, ilosingin,irate,iintoamo_auxi from ca_compd where iperiod =", .filter = Filter::PrevEndMonth},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_comps", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_comps (cppid, cbatch, iwastequa, iqua, iperiod,irate,iwastequa_auxi,iqua_auxi) select cppid, cbatch, iwastequa, iqua, iperiod,irate,iwastequa_auxi,iqua_auxi from ca_comps where iperiod =", .filter = Filter::PrevEndMonth},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_depcs", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_depcs (cdeptid, idepreciation, cfrom, iperiod) select cdeptid, idepreciation, cfrom, iperiod from ca_depcs where iperiod =", .filter = Filter::PrevEndMonth},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_enmmc", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_enmmc (cdeptid, cmatid, irestqua, cunit, iperiod, iprice, cbatch) select cdeptid, cmatid, irestqua, cunit, iperiod, iprice, cbatch from ca_enmmc where iperiod =", .filter = Filter::EnMMC},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_enmom", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_enmom (cdeptid, cppid, cbatch, cmatid, irestqua, cunit, iperiod, iprice) select cdeptid, cppid, cbatch, cmatid, irestqua, cunit, iperiod, iprice from ca_enmom where iperiod =", .filter = Filter::EnMOM},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_enmop", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_enmop (cppid, ionpdtamo, ifinpdtamo, cbatch, iperiod, cunit,ionpwkt,irate,ionpdtamo_auxi,ifinpdtamo_auxi) select cppid, ionpdtamo, ifinpdtamo, cbatch, iperiod, cunit,ionpwkt,irate,ionpdtamo_auxi,ifinpdtamo_auxi from ca_enmop where iperiod =", .filter = Filter::EnMOP},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_mabsw", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_mabsw (cdeptid, cppid, cmatid, cbatch, iprice, iqua, iperiod, dgetdata, imatqua) select cdeptid, cppid, cmatid, cbatch, iprice, iqua, iperiod, dgetdata, imatqua from ca_mabsw where iperiod =", .filter = Filter::PrevEndMonth},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_manct", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_manct (cdeptid, camoid, imanamo, iperiod) select cdeptid, camoid, imanamo, iperiod from ca_manct where iperiod =", .filter = Filter::PrevEndMonth},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_onlia", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_onlia (cdeptid, cppid, cbatch, cothamoid, csource, iothamo, iperiod) select cdeptid, cppid, cbatch, cothamoid, csource, iothamo, iperiod from ca_onlia where iperiod =", .filter = Filter::PrevEndMonth},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_onpce", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_onpce (cppid, ionpapp, iperiod, cbatch, ionpappmat, ionpappdirm, ionpappaux, ionpappmau, ionpappoth) select cppid, ionpapp, iperiod, cbatch, ionpappmat, ionpappdirm, ionpappaux, ionpappmau, ionpappoth from ca_onpce where iperiod =", .filter = Filter::PrevEndMonth},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_pronb", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_pronb (cbatch, creason, cppid, cunit, iqua, iproductmonth, bcompmark, icompperiod, ccomments, iyear, iendyear, ihisqua, icurqua) select cbatch, creason, cppid, cunit, iqua, iproductmonth, bcompmark, icompperiod, ccomments, iyear, iendyear, ihisqua, icurqua from ca_pronb where bcompmark = 0"},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_propu", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_propu (cppid, cbatch, cuseppid, cusebatch, iqua, iperiod,irate,iqua_auxi) select cppid, cbatch, cuseppid, cusebatch, iqua, iperiod,irate,iqua_auxi from ca_propu where iperiod =", .filter = Filter::PrevEndMonth},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_timst", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_timst (cppid, cbatch, irealwkt, iperiod, iOnpWkt) select cppid, cbatch, irealwkt, iperiod, iOnpWkt from ca_timst where iperiod =", .filter = Filter::PrevEndMonth},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_waspr", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_waspr (cppid, cbatch, irecamo, ccomments, iperiod) select cppid, cbatch, irecamo, ccomments, iperiod from ca_waspr where iperiod =", .filter = Filter::PrevEndMonth},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_depfr", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_depfr (cdeptid, iforeperiod, cmonths, imatamo, imanamo, imadamo, iauxamo, iothamo, cmethod, iforeyear) select cdeptid, iforeperiod, cmonths, imatamo, imanamo, imadamo, iauxamo, iothamo, cmethod, iforeyear from ca_depfr where iforeyear >= ", .filter = Filter::CurYear},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_cbsys", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_cbsys (caudepinalo, iplanperman, iendmonth, iendyear, icalculate, icertified, iplanmethod, binitleft, istep, cMauDetailFlag) select caudepinalo, iplanperman, iendmonth, iendyear, icalculate, icertified, iplanmethod, binitleft, istep, cMauDetailFlag from ca_cbsys "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_ACR", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_ACR (cppid, iauxquo, imanquo, idirquo, iothquo, imatquo, ionquo) select cppid, iauxquo, imanquo, idirquo, iothquo, imatquo, ionquo from ca_ACR "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_ACR_invC", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_ACR_invC (cinvCCode,cppid, iinvcquo) select cinvccode,cppid, iinvcquo from ca_ACR_invc "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "Ca_ACR_DetailMau", .object = Object::Prev, .option = kFailOnError,
     .text = "..Ca_ACR_DetailMau (cPPID, cAmoID, iManQuo) select cPPID, cAmoID, iManQuo from Ca_ACR_DetailMau "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_ALLMT", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_ALLMT (cDeptID, cMatAlomethod, cOnPAlomethod, cDirMapAlomethod, cAuxAmoAlomethod, cMauAmoAlomethod, cMatSelfDefMethod, cDirmSelfDefMethod, cAuxSelfDefMethod, cMauSelfDefMethod, cMatSelfDefFormula, cDirmSelfDefFormula, cAuxSelfDefFormula, cMauSelfDefFormula) select cDeptID, cMatAlomethod, cOnPAlomethod, cDirMapAlomethod, cAuxAmoAlomethod, cMauAmoAlomethod, cMatSelfDefMethod, cDirmSelfDefMethod, cAuxSelfDefMethod, cMauSelfDefMethod, cMatSelfDefFormula, cDirmSelfDefFormula, cAuxSelfDefFormula, cMauSelfDefFormula from ca_ALLMT ",
     .text861 = "..cA_ALLMT (cDeptID, cMatAlomethod, cOnPAlomethod, cDirMapAlomethod, cAuxAmoAlomethod, cMauAmoAlomethod, cMatSelfDefMethod, cDirmSelfDefMethod, cAuxSelfDefMethod, cMauSelfDefMethod, cMatSelfDefFormula, cDirmSelfDefFormula, cAuxSelfDefFormula, cMauSelfDefFormula,cOnpFormulaShow ,cOnpFormulaOn ,cOnpFormulaCom ) select cDeptID, cMatAlomethod, cOnPAlomethod, cDirMapAlomethod, cAuxAmoAlomethod, cMauAmoAlomethod, cMatSelfDefMethod, cDirmSelfDefMethod, cAuxSelfDefMethod, cMauSelfDefMethod, cMatSelfDefFormula, cDirmSelfDefFormula, cAuxSelfDefFormula, cMauSelfDefFormula,cOnpFormulaShow ,cOnpFormulaOn ,cOnpFormulaCom  from ca_ALLMT "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_Allmt_invc", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_Allmt_invc (cdeptid,cinvccode,cmethod,cformulashow,cformula) select cdeptid, cinvccode,cmethod,cformulashow,cformula from ca_Allmt_invc "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_AsDIF", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_AsDIF (cdeptid, cauxamoid, irat) select cdeptid, cauxamoid, irat from ca_AsDIF "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_AssMP", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_AssMP (cdeptid, cauxamoid, iunit, iplanprice) select cdeptid, cauxamoid, iunit, iplanprice from ca_AssMP "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_AWPC", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_AWPC (cppid, camoid, camotype, iqua, cunit, iamo) select cppid, camoid, camotype, iqua, cunit, iamo from ca_AWPC "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_CostCD", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_CostCD (cdeptid, camoid, camoname, camotype, cformula, cunit, cMauAmoAloMethod, cMauSelfDefMethod, cMauSelfDefFormula) select cdeptid, camoid, camoname, camotype, cformula, cunit, cMauAmoAloMethod, cMauSelfDefMethod, cMauSelfDefFormula from ca_CostCD ",
     .text861 = "..cA_CostCD (cdeptid, camoid, camoname, camotype, cformula, cunit, cMauAmoAloMethod, cMauSelfDefMethod, cMauSelfDefFormula,iAttribute) select cdeptid, camoid, camoname, camotype, cformula, cunit, cMauAmoAloMethod, cMauSelfDefMethod, cMauSelfDefFormula,iAttribute from ca_CostCD "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_Depcf", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_Depcf (cdeptid, cyemo, imatamo, imanamo, imadamo, iauxamo, iothamo) select cdeptid, cyemo, imatamo, imanamo, imadamo, iauxamo, iothamo from ca_Depcf "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_DepPMA", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_DepPMA (cdeptid, iplanmauamorat) select cdeptid, iplanmauamorat from ca_DepPMA "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_IDMAC", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_IDMAC (coutid,coutname,btype) select coutid,coutname,btype from ca_IDMAC "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_MAPC", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_MAPC (cinamoid,cinamotype,ipepctyid,cpepctyname) select cinamoid,cinamotype,ipepctyid,cpepctyname from ca_MAPC "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_Matdf", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_Matdf (cmatid,cunit,cspecification,irat,ccomments,cmatname) select cmatid,cunit,cspecification,irat,ccomments,cmatname from ca_MatDf "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_OnpB", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_OnpB (cppid,camoid,camotype,iyeabqua) select cppid,camoid,camotype,iyeabqua from ca_OnpB "},
    {.form = Form::Copy, .releases = Releases::Only850, .table = "cA_OnPQu", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_OnPQu (cppid,iquot,iquotmat,iquotdirm,iquotaux,iquotmau,iquototh) select cppid,iquot,iquotmat,iquotdirm,iquotaux,iquotmau,iquototh from ca_OnPQU "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_OnPQuo", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_OnPQuo (cppid,camoid,camotype,conpquo,ionpqua) select cppid,camoid,camotype,conpquo,ionpqua from ca_OnPQUo "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_PlanC", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_PlanC (cppid,camoid,camotype,ipdtunitamo ) select cppid,camoid,camotype,ipdtunitamo from ca_Planc "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_ProCF", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_ProCF (cppid,cbatch,iqua,cforetype,imanamo,imadamo,imatamo,iauxamo,iothamo,dforedate ) select cppid,cbatch,iqua,cforetype,imanamo,imadamo,imatamo,iauxamo,iothamo,dforedate from ca_ProCF "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_ProPMA", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_ProPMA (cprocedureid,iplanmauamorat,cprotype,cdeptid ) select cprocedureid,iplanmauamorat,cprotype,cdeptid from ca_ProPMA "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_ProPt", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_ProPt (cppid,cprocedureid,cisfin,iclassnum ) select cppid,cprocedureid,cisfin,iclassnum from ca_ProPt "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_QUO", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_QUO (cppid,camoid,camotype,iquo) select cppid,camoid,camotype,iquo from ca_QUO "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_RptADD", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_RptADD (corder,addid) select corder,addid from ca_RptADD "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_RptFLD", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_RptFLD (id,corder,crptname,name,width,isbase,tablename,fieldname,sumable,addsubid) select id,corder,crptname,name,width,isbase,tablename,fieldname,sumable,addsubid from ca_RptFLD "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_RptSUB", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_RptSUB (corder,subid) select corder,subid from ca_RptSUB "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_RptSUM", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_RptSUM select * from ca_RptSUM "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_RptSYS", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_RptSYS (id,corder,crptname,name,width,isbase,tablename,fieldname,sumable,addsubid) select id,corder,crptname,name,width,isbase,tablename,fieldname,sumable,addsubid from ca_RptSYS "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_SerPRI", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_SerPRI (cdeptid,cprocedureid,iprice,iperiod) select cdeptid,cprocedureid,iprice,iperiod from ca_SerPRI "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "cA_UserProperty", .object = Object::Prev, .option = kFailOnError,
     .text = "..cA_UserProperty (cuserid,cdeptid) select cuserid,cdeptid from ca_UserProperty "},
    {.form = Form::IdentityCopy, .releases = Releases::Both, .table = "CA_DistrItem", .object = Object::Prev, .option = kNoOption,
     .text = "..CA_DistrItem(iItemID,cItemName) select iItemID,cItemName from CA_DistrItem ", .text861 = "..CA_DistrItem(iItemID,cItemName,iType) select iItemID,cItemName,iType from CA_DistrItem ",
     .identityOn = "..CA_DistrItem ON ", .identityOff = "..CA_DistrItem OFF"},
    {.form = Form::DropTable, .table = "CA_DistrInput", .object = Object::Prev, .option = kNoOption, .text = "..CA_DistrInput"},
    {.form = Form::SelectInto, .table = "CA_DistrInput", .object = Object::Prev, .option = kFailOnError,
     .text = "select * into ", .text861 = "select top 0 * into ", .tail = "..CA_DistrInput from CA_DistrInput "},
    {.form = Form::Copy, .releases = Releases::Both, .table = "CA_MenuDef", .object = Object::Prev, .option = kFailOnError,
     .text = "..CA_MenuDef (cdefault, cNewMenu) select cdefault, cnewmenu from ca_menudef "},
    {.form = Form::DropTable, .releases = Releases::Only861, .table = "CA_Onpqu", .object = Object::Prev, .option = kNoOption, .text = "..CA_Onpqu"},
    {.form = Form::SelectInto, .releases = Releases::Only861, .table = "CA_Onpqu", .object = Object::Prev, .option = kFailOnError,
     .text = "select * into ", .tail = "..CA_Onpqu from CA_Onpqu "},
    {.form = Form::Literal, .releases = Releases::Only861, .table = "CA_OnPQu", .object = Object::Cur, .option = kFailOnError,
     .text = "sp_bindefault N'[dbo].[CA_OnPQu_iQuot_D]', N'[CA_OnPQu].[iQuot]'"},
    {.form = Form::Copy, .releases = Releases::Only861, .table = "CA_MoveEnmom", .object = Object::Prev, .option = kFailOnError,
     .text = "..CA_MoveEnmom(iType,iPeriod,cDeptID,cppid,cBatch,cDeptIDS,cppids,cBatchs,cMatID,cUnit,iRestQua,iPrice)  select iType,iPeriod,cDeptID,cppid,cBatch,cDeptIDS,cppids,cBatchs,cMatID,cUnit,iRestQua,iPrice       from CA_MoveEnmom       where iperiod=", .filter = Filter::PrevEndMonth},
    {.form = Form::Copy, .releases = Releases::Only861, .table = "CA_MoveAmoct", .object = Object::Prev, .option = kFailOnError,
     .text = "..CA_MoveAmoct(iType,iPeriod,cDeptID,cPPID,cBatch,iCount,cDeptIDS,cPPIDS,cBatchs,                                          cAmotype,cAmoID,iQuo,iRestQua,iOnpTotalAmo)  select iType,iPeriod,cDeptID,cPPID,cBatch,iCount,cDeptIDS,cPPIDS,cBatchs,                                          cAmotype,cAmoID,iQuo,iRestQua,iOnpTotalAmo       from CA_MoveAmoct       where iperiod=", .filter = Filter::PrevEndMonth},
    {.form = Form::DefaultLoop, .table = "CA_DistrInput", .object = Object::Cur, .option = kNoOption,
     .text = "alter table ca_distrinput add constraint default_", .tail = " default 0 for ", .firstColumn = 3},
    {.form = Form::DefaultLoop, .releases = Releases::Only861, .table = "CA_OnPQu", .object = Object::Cur, .option = kNoOption,
     .text = "alter table ca_onpqu add constraint df_", .tail = " default 1 for ", .firstColumn = 2},
    {.form = Form::Copy, .table = "CA_MenuDef", .object = Object::Prev, .option = kFailOnError,
     .text = "..CA_MenuDef select * from CA_MenuDef "},
};

constexpr Entry renumber(const char* table, const char* text) {
    return {.form = Form::Literal, .table = table, .object = Object::Cur, .option = kFailOnError, .text = text};
}

constexpr Entry accountInformation(const char* text850, const char* text861) {
    return {.form = Form::Literal, .table = "accinformation", .object = Object::Cur, .option = kFailOnError,
            .text = text850, .text861 = text861};
}

// After the copy: carried period rows become period 0, the state row and the
// account settings are reset, the rebuilt tables get their keys back.
constexpr Entry kResetList[] = {
    renumber("CA_amoct", "update CA_amoct set iperiod = 0"),
    renumber("cA_asscw", "update cA_asscw set iperiod = 0"),
    renumber("cA_compd", "update cA_compd set iperiod = 0"),
    renumber("cA_comps", "update cA_comps set iperiod = 0"),
    renumber("cA_depcs", "update cA_depcs set iperiod = 0"),
    renumber("cA_enmmc", "update cA_enmmc set iperiod = 0"),
    renumber("cA_enmom", "update cA_enmom set iperiod = 0"),
    renumber("cA_enmop", "update cA_enmop set iperiod = 0"),
    renumber("cA_mabsw", "update cA_mabsw set iperiod = 0"),
    renumber("cA_manct", "update cA_manct set iperiod = 0"),
    renumber("cA_onlia", "update cA_onlia set iperiod = 0"),
    renumber("cA_onpce", "update cA_onpce set iperiod = 0"),
    renumber("cA_propu", "update cA_propu set iperiod = 0"),
    renumber("cA_timst", "update cA_timst set iperiod = 0"),
    renumber("cA_waspr", "update cA_waspr set iperiod = 0"),
    {.form = Form::Literal, .table = "ca_cbsys", .object = Object::Cur, .option = kFailOnError,
     .text = "update ca_cbsys set iendmonth = 0 ,icalculate = 0,icertified = 0,iendyear=", .filter = Filter::CurYear},
    accountInformation("update accinformation set cvalue = '0' where csysid='CA' and cid='10'",
                       "update accinformation set cvalue = N'0' where csysid=N'CA' and cid=N'10'"),
    accountInformation("update accinformation set cvalue = '0' where csysid='CA' and cid='11'",
                       "update accinformation set cvalue = N'0' where csysid=N'CA' and cid=N'11'"),
    accountInformation("update accinformation set cvalue = '0' where csysid='CA' and cid='12'",
                       "update accinformation set cvalue = N'0' where csysid=N'CA' and cid=N'12'"),
    accountInformation("update accinformation set cvalue = '8000000' where csysid='CA' and cid='18'",
                       "update accinformation set cvalue = N'8000000' where csysid=N'CA' and cid=N'18'"),
    {.form = Form::Literal, .releases = Releases::Only861, .table = "cA_MoveAmoct", .object = Object::Cur,
     .option = kFailOnError, .text = "update cA_MoveAmoct set iperiod = 0"},
    {.form = Form::Literal, .releases = Releases::Only861, .table = "cA_MoveEnmom", .object = Object::Cur,
     .option = kFailOnError, .text = "update cA_MoveEnmom set iperiod = 0"},
    {.form = Form::Key, .table = "CA_DistrInput", .object = Object::Cur, .option = kNoOption,
     .text = "ALTER TABLE [dbo].[CA_DistrInput] WITH NOCHECK ADD \r\n"
             "CONSTRAINT [aaaaaCA_DistrInput_PK] PRIMARY KEY  NONCLUSTERED\r\n"
             "(\r\n"
             "    [cPPID],\r\n"
             "    [cBatch],\r\n"
             "    [iPeriod]\r\n"
             ")  "},
    {.form = Form::Key, .releases = Releases::Only861, .table = "CA_OnPQu", .object = Object::Cur, .option = kNoOption,
     .text = "ALTER TABLE [dbo].[CA_OnPQu] WITH NOCHECK ADD \r\n"
             "CONSTRAINT [PK_CA_ONPQU] PRIMARY KEY  NONCLUSTERED\r\n"
             "(\r\n"
             "    [autoid]\r\n"
             ")  "},
    {.form = Form::Key, .releases = Releases::Only861, .table = "CA_OnPQu", .object = Object::Cur, .option = kNoOption,
     .text = "CREATE  INDEX [ProductStructureCA_OnPQu] ON [dbo].[CA_OnPQu]([cPPID]) ON [PRIMARY]"},
};

}  // namespace

bool takesPart(const Entry& entry, Release release) {
    switch (entry.releases) {
        case Releases::Both: return true;
        case Releases::Only850: return release == Release::V850;
        case Releases::Only861: return release == Release::V861;
    }
    return false;
}

const char* textFor(const Entry& entry, Release release) {
    return release == Release::V861 && entry.text861 ? entry.text861 : entry.text;
}

bool gatedByPeriod(Filter filter) {
    return filter == Filter::AmoCt || filter == Filter::EnMMC || filter == Filter::EnMOM || filter == Filter::EnMOP;
}

std::span<const Entry> clearList() { return kClearList; }
std::span<const Entry> copyList() { return kCopyList; }
std::span<const Entry> resetList() { return kResetList; }

}  // namespace vantyr::carryover
