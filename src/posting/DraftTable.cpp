#include "posting/DraftTable.h"

#include <exception>

#include "host/LoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/SqlGateway.h"
#include "request/TempTables.h"

namespace corvane {

namespace {

constexpr std::string_view kNull = " NULL";

constexpr DraftColumn kColumns[] = {
    {"csign", "[nvarchar] (100)", kNull},
    {"ino_id", "[int]", kNull},
    {"inid", "[int]", kNull},
    {"cbill", "[nvarchar] (100)", kNull},
    {"doutbilldate", "[smalldatetime]", kNull},
    {"dbill_date", "[smalldatetime]", kNull},
    {"ccashier", "[nvarchar] (100)", kNull},
    {"idoc", "[int]", kNull},
    {"ctext1", "[nvarchar] (100)", kNull},
    {"ctext2", "[nvarchar] (100)", kNull},
    {"cexch_name", "[nvarchar] (100)", kNull},
    {"cdigest", "[nvarchar] (240)", kNull},
    {"ccode", "[nvarchar] (100)", " NULL Default ''"},
    {"ccodename", "[nvarchar] (100)", kNull},
    {"md", "[money]", kNull},
    {"mc", "[money]", kNull},
    {"md_f", "[money]", kNull},
    {"mc_f", "[money]", kNull},
    {"nfrat", "[float]", kNull},
    {"nd_s", "[float]", kNull},
    {"nc_s", "[float]", kNull},
    {"csettle", "[nvarchar] (100)", kNull},
    {"csettlename", "[nvarchar] (100)", kNull},
    {"cn_id", "[nvarchar] (255)", kNull},
    {"dt_date", "[smalldatetime]", kNull},
    {"cdept_id", "[nvarchar] (255)", kNull},
    {"cdept_name", "[nvarchar] (255)", kNull},
    {"cperson_id", "[nvarchar] (255)", kNull},
    {"cperson_name", "[nvarchar] (255)", kNull},
    {"ccus_id", "[nvarchar] (250)", kNull},
    {"ccus_name", "[nvarchar] (255)", kNull},
    {"csup_id", "[nvarchar] (250)", kNull},
    {"csup_name", "[nvarchar] (255)", kNull},
    {"citem_id", "[nvarchar] (250)", kNull},
    {"citem_name", "[nvarchar] (255)", kNull},
    {"citem_class", "[nvarchar] (200)", kNull},
    {"citemclassname", "[nvarchar] (255)", kNull},
    {"cname", "[nvarchar] (255)", kNull},
    {"ccode_equal", "[nvarchar] (250)", kNull},
    {"bvouchedit", "[bit]", " NOT NULL Default 0"},
    {"bvouchaddordele", "[bit]", " NOT NULL Default 0"},
    {"bvouchmoneyhold", "[bit]", " NOT NULL Default 0"},
    {"bvalueedit", "[bit]", " NOT NULL Default 0"},
    {"bcodeedit", "[bit]", " NOT NULL Default 0"},
    {"ccodecontrol", "[nvarchar] (50)", kNull},
    {"bPCSedit", "[bit]", " NOT NULL Default 1"},
    {"bDeptedit", "[bit]", " NOT NULL Default 0"},
    {"bItemedit", "[bit]", " NOT NULL Default 0"},
    {"bCusSupInput", "[bit]", " NOT NULL Default 1"},
    {"coutaccset", "[nvarchar] (30)", {}},
    {"ioutyear", "[int]", {}},
    {"coutsysname", "[nvarchar] (100)", " NOT NULL Default 'KX'"},
    {"coutsysver", "[nvarchar] (100)", " NOT NULL Default '8.60'"},
    {"ioutperiod", "[int]", {}},
    {"coutsign", "[nvarchar] (200)", " NOT NULL"},
    {"coutno_id", "[nvarchar] (300)", " NOT NULL"},
    {"doutdate", "[smalldatetime]", kNull},
    {"coutbillsign", "[nvarchar] (200)", kNull},
    {"coutid", "[nvarchar] (250)", kNull},
    {"iflag", "[int]", kNull},
    {"bWH_BgFlag", "[bit]", " NOT NULL Default 0"},
    {"cDefine1", "[nvarchar] (200)", kNull},
    {"cDefine2", "[nvarchar] (200)", kNull},
    {"cDefine3", "[nvarchar] (200)", kNull},
    {"cDefine4", "[datetime]", kNull},
    {"cDefine5", "[int]", kNull},
    {"cDefine6", "[datetime]", kNull},
    {"cDefine7", "[float]", kNull},
    {"cDefine8", "[nvarchar] (40)", kNull},
    {"cDefine9", "[nvarchar] (80)", kNull},
    {"cDefine10", "[nvarchar] (60)", kNull},
    {"cDefine11", "[nvarchar] (120)", kNull},
    {"cDefine12", "[nvarchar] (120)", kNull},
    {"cDefine13", "[nvarchar] (120)", kNull},
    {"cDefine14", "[nvarchar] (120)", kNull},
    {"cDefine15", "[int]", kNull},
    {"strTypeCode", "[nvarchar] (250)", kNull},
    {"VouchGUID", "[nvarchar] (1024)", kNull},
    {"cDefine16", "[float]", kNull},
    {"bDirFlag", "[nvarchar] (20)", kNull},
};

// The year is written as a bare number: anything else would end the statement early.
std::string yearNumber(const std::string& year) {
  if (year.empty() || year.size() > 4 || year.find_first_not_of("0123456789") != std::string::npos) {
    raiseTypeMismatch();
  }
  return year;
}

std::string loginDefault(const DraftColumn& column, const LoginContext& ologin) {
  if (column.name == "coutaccset") return " NULL Default " + db::quoteLiteral(ologin.AccountId());
  if (column.name == "ioutyear") return " NULL Default " + yearNumber(ologin.LoginYear());
  return " NOT NULL Default '" + std::to_string(ologin.LoginPeriod()) + "'";
}

std::string createStatement(const std::string& name, const LoginContext& ologin) {
  std::string sql = "CREATE TABLE tempdb..[" + name + "] (";
  for (const DraftColumn& column : kColumns) {
    sql += "[" + std::string(column.name) + "] " + std::string(column.type);
    sql += column.rest.empty() ? loginDefault(column, ologin) : std::string(column.rest);
    sql += ",\r\n";
  }
  return sql + ") ON [PRIMARY]";
}

}  // namespace

std::span<const DraftColumn> DraftColumns() { return kColumns; }

std::string CreatePZTbl(db::Connection& CN, const LoginContext& ologin) {
  try {
    const std::string name = GetTmpTableName();
    if (name == "vqtmp") return "";
    sql::execute(CN, "if exists (select * from tempdb..sysobjects where id = object_id(N'tempdb.." + name +
                         "') and OBJECTPROPERTY(id, N'IsUserTable') = 1)\r\ndrop table tempdb.." + name);
    sql::execute(CN, createStatement(name, ologin));
    RecordTmpTable(CN, name);
    return "tempdb.." + name;
  } catch (const std::exception&) {
    return "";
  }
}

}  // namespace corvane
