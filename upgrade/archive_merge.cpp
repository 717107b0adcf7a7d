// sp_UniteArchive_CA: merges one inventory code into another in the cost
// tables. For each of four tables a cursor SouCur walks the source code's
// rows: a row whose destination counterpart exists is added into it and
// deleted, any other is re-coded. The source code's material rows of four
// more tables are deleted. Returns 0, or -1 on an error exit and for any
// archive type other than 'inventory'.
#include "upgrade/batch_procedure_texts.h"
#include "upgrade/statement_text.h"

namespace vantyr::upgrade {
namespace {

struct MergedTable {
    const char* select;       // the cursor's columns
    const char* from;         // its source rows
    const char* into;         // the variables fetched
    const char* exists;       // the destination counterpart
    const char* add;          // adds the source row into it
    const char* removeSource; // deletes the source row
    const char* recode;       // re-codes the source row
};

void cursorMerge(BodyLines& body, const MergedTable& t) {
    const std::string fetch = std::string("  fetch next from SouCur into ") + t.into;
    body << std::string("  declare SouCur cursor for ") + t.select << std::string("  ") + t.from
         << "  if @@error<>0 goto errExit" << "  open SouCur" << "  if @@error<>0 goto errExit" << fetch
         << "  while @@fetch_status=0" << "  begin" << std::string("    if ") + t.exists << "    begin"
         << std::string("      ") + t.add << std::string("      ") + t.removeSource << "      if @@error<>0 goto errExit"
         << "    end" << "    else" << "    begin" << std::string("      ") + t.recode
         << "      if @@error<>0 goto errExit" << "    end" << "  " + fetch.substr(2) << "  end" << "  Close SouCur"
         << "  deallocate SouCur";
}

}  // namespace

std::string archiveMergeProcedure() {
    BodyLines body;
    body << "CREATE PROCEDURE sp_UniteArchive_CA (@ArchiveType varchar(50),@cDestCode varchar(30),@cSourceCode "
            "varchar(30)) as"
         << "declare @cppid varchar(20), @cbatch varchar(10), @camoid varchar(20), @camotype varchar(1)"
         << "declare @iqua float, @itotalamo float, @ionptotalamo float, @ifinpdtunitamo float, @iperiod tinyint"
         << "declare @iration float, @bfixed bit, @ifinqua float, @cdeptid varchar(12), @cmatid varchar(20)"
         << "declare @irestqua float, @cunit varchar(8), @iprice float, @imatqua float"
         << "if @ArchiveType ='inventory'" << "begin";
    cursorMerge(body, {"select cppid,cbatch,camoid,camotype,iqua,itotalamo,ionptotalamo,ifinpdtunitamo,iperiod,iration,"
                       "bfixed,ifinqua",
                       "from ca_amoct where camotype='0' and camoid=@cSourceCode order by iperiod,cppid,cbatch",
                       "@cppid,@cbatch,@camoid,@camotype,@iqua,@itotalamo,@ionptotalamo,@ifinpdtunitamo,@iperiod,"
                       "@iration,@bfixed,@ifinqua",
                       "exists(select * from ca_amoct where camotype='0' and camoid=  @cDestCode and iperiod = @iperiod "
                       "and cppid = @cppid  and cbatch = @cbatch )",
                       "update ca_amoct set iqua=iqua+@iqua,itotalamo=itotalamo+@itotalamo,ionptotalamo=ionptotalamo+"
                       "@ionptotalamo where camotype='0' and camoid= @cDestCode and iperiod = @iperiod and cppid = "
                       "@cppid and cbatch = @cbatch",
                       "delete from ca_amoct where camotype='0' and camoid= @cSourceCode and iperiod = @iperiod and "
                       "cppid = @cppid and cbatch = @cbatch",
                       "update ca_amoct set camoid=@cDestCode where camotype='0' and camoid= @cSourceCode  and iperiod "
                       "= @iperiod and cppid = @cppid and cbatch = @cbatch"});
    cursorMerge(body, {"select cdeptid,cmatid,irestqua,cunit,iperiod,iprice", "from ca_enmmc where cmatid=@cSourceCode",
                       "@cdeptid,@cmatid,@irestqua,@cunit,@iperiod,@iprice",
                       "exists(select * from ca_enmmc where cmatid= @cDestCode and iperiod = @iperiod and cdeptid = "
                       "@cdeptid)",
                       "update ca_enmmc set irestqua=irestqua+@irestqua where cmatid= @cDestCode and iperiod = @iperiod "
                       "and cdeptid = @cdeptid",
                       "delete from ca_enmmc where cmatid= @cSourceCode and iperiod = @iperiod and cdeptid = @cdeptid",
                       "update ca_enmmc set cmatid=@cDestCode where cmatid= @cSourceCode  and iperiod = @iperiod and "
                       "cdeptid = @cdeptid"});
    cursorMerge(body, {"select cdeptid,cppid,cbatch,cmatid,irestqua,cunit,iperiod,iprice",
                       "from ca_enmom where cmatid=@cSourceCode",
                       "@cdeptid,@cppid,@cbatch,@cmatid,@irestqua,@cunit,@iperiod,@iprice",
                       "exists(select * from ca_enmom where cmatid= @cDestCode and iperiod = @iperiod and cdeptid = "
                       "@cdeptid and cppid = @cppid and cbatch = @cbatch)",
                       "update ca_enmom set irestqua=irestqua+@irestqua where cmatid= @cDestCode and iperiod = @iperiod "
                       "and cdeptid = @cdeptid and cppid = @cppid and cbatch = @cbatch",
                       "delete from ca_enmom where cmatid= @cSourceCode and iperiod = @iperiod and cdeptid = @cdeptid "
                       "and cppid = @cppid and cbatch = @cbatch",
                       "update ca_enmom set cmatid=@cDestCode where cmatid= @cSourceCode  and iperiod = @iperiod and "
                       "cdeptid = @cdeptid and cppid = @cppid and cbatch = @cbatch"});
    cursorMerge(body, {"select cdeptid,cppid,cbatch,cmatid,iqua,iperiod,imatqua", "from ca_mabsw where cmatid=@cSourceCode",
                       "@cdeptid,@cppid,@cbatch,@cmatid,@iqua,@iperiod,@imatqua",
                       "exists(select * from ca_mabsw where cmatid= @cDestCode and iperiod = @iperiod and cdeptid = "
                       "@cdeptid and cppid = @cppid and cbatch = @cbatch)",
                       "update ca_mabsw set iqua=iqua+@iqua,imatqua=imatqua+@imatqua where cmatid= @cDestCode and "
                       "iperiod = @iperiod and cdeptid = @cdeptid and cppid = @cppid and cbatch = @cbatch",
                       "delete from ca_mabsw where cmatid= @cSourceCode and iperiod = @iperiod and cdeptid = @cdeptid "
                       "and cppid = @cppid and cbatch = @cbatch",
                       "update ca_mabsw set cmatid=@cDestCode where cmatid= @cSourceCode  and iperiod = @iperiod and "
                       "cdeptid = @cdeptid and cppid = @cppid and cbatch = @cbatch"});
    for (const char* table : {"ca_awpc", "ca_onpquo", "ca_planc", "ca_quo"})
        body << "  delete from " + std::string(table) + " where camotype='0' and camoid= @cSourceCode";
    body << "  return 0" << "end" << "errExit:" << "  deallocate SouCur" << "  return -1";
    return body.text();
}

}  // namespace vantyr::upgrade
