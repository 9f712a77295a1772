#pragma once
// A draft ledger voucher table in tempdb with the columns, types and defaults the voucher maker
// gives it, for the tests of the importer and of conversion, voiding and saving: lines are
// written into it directly.

#include <string>

#include "host/LoginContext.h"
#include "platform/db/Connection.h"
#include "request/TempTables.h"

namespace corvane {

// Creates the table and answers its full name "tempdb..vqtmp...".
inline std::string CreateDraftTableForTest(db::Connection& connection, const LoginContext& login) {
  const std::string columns =
      "([csign] [nvarchar] (100) NULL, [ino_id] [int] NULL, [inid] [int] NULL, [cbill] [nvarchar] (100) NULL, "
      "[doutbilldate] [smalldatetime] NULL, [dbill_date] [smalldatetime] NULL, [ccashier] [nvarchar] (100) NULL, "
      "[idoc] [int] NULL, [ctext1] [nvarchar] (100) NULL, [ctext2] [nvarchar] (100) NULL, "
      "[cexch_name] [nvarchar] (100) NULL, [cdigest] [nvarchar] (240) NULL, [ccode] [nvarchar] (100) NULL Default '', "
      "[ccodename] [nvarchar] (100) NULL, [md] [money] NULL, [mc] [money] NULL, [md_f] [money] NULL, "
      "[mc_f] [money] NULL, [nfrat] [float] NULL, [nd_s] [float] NULL, [nc_s] [float] NULL, "
      "[csettle] [nvarchar] (100) NULL, [csettlename] [nvarchar] (100) NULL, [cn_id] [nvarchar] (255) NULL, "
      "[dt_date] [smalldatetime] NULL, [cdept_id] [nvarchar] (255) NULL, [cdept_name] [nvarchar] (255) NULL, "
      "[cperson_id] [nvarchar] (255) NULL, [cperson_name] [nvarchar] (255) NULL, [ccus_id] [nvarchar] (250) NULL, "
      "[ccus_name] [nvarchar] (255) NULL, [csup_id] [nvarchar] (250) NULL, [csup_name] [nvarchar] (255) NULL, "
      "[citem_id] [nvarchar] (250) NULL, [citem_name] [nvarchar] (255) NULL, [citem_class] [nvarchar] (200) NULL, "
      "[citemclassname] [nvarchar] (255) NULL, [cname] [nvarchar] (255) NULL, [ccode_equal] [nvarchar] (250) NULL, "
      "[bvouchedit] [bit] NOT NULL Default 0, [bvouchaddordele] [bit] NOT NULL Default 0, "
      "[bvouchmoneyhold] [bit] NOT NULL Default 0, [bvalueedit] [bit] NOT NULL Default 0, "
      "[bcodeedit] [bit] NOT NULL Default 0, [ccodecontrol] [nvarchar] (50) NULL, "
      "[bPCSedit] [bit] NOT NULL Default 1, [bDeptedit] [bit] NOT NULL Default 0, "
      "[bItemedit] [bit] NOT NULL Default 0, [bCusSupInput] [bit] NOT NULL Default 1, "
      "[coutaccset] [nvarchar] (30) NULL Default '" +
      login.AccountId() +
      "', "
      "[ioutyear] [int] NULL Default " +
      login.LoginYear() +
      ", "
      "[coutsysname] [nvarchar] (100) NOT NULL Default 'KX', [coutsysver] [nvarchar] (100) NOT NULL Default '8.60', "
      "[ioutperiod] [int] NOT NULL Default '" +
      std::to_string(login.LoginPeriod()) +
      "', "
      "[coutsign] [nvarchar] (200) NOT NULL, [coutno_id] [nvarchar] (300) NOT NULL, "
      "[doutdate] [smalldatetime] NULL, [coutbillsign] [nvarchar] (200) NULL, [coutid] [nvarchar] (250) NULL, "
      "[iflag] [int] NULL, [bWH_BgFlag] [bit] NOT NULL Default 0, [cDefine1] [nvarchar] (200) NULL, "
      "[cDefine2] [nvarchar] (200) NULL, [cDefine3] [nvarchar] (200) NULL, [cDefine4] [datetime] NULL, "
      "[cDefine5] [int] NULL, [cDefine6] [datetime] NULL, [cDefine7] [float] NULL, [cDefine8] [nvarchar] (40) NULL, "
      "[cDefine9] [nvarchar] (80) NULL, [cDefine10] [nvarchar] (60) NULL, [cDefine11] [nvarchar] (120) NULL, "
      "[cDefine12] [nvarchar] (120) NULL, [cDefine13] [nvarchar] (120) NULL, [cDefine14] [nvarchar] (120) NULL, "
      "[cDefine15] [int] NULL, [strTypeCode] [nvarchar] (250) NULL, [VouchGUID] [nvarchar] (1024) NULL, "
      "[cDefine16] [float] NULL, [bDirFlag] [nvarchar] (20) NULL)";
  return "tempdb.." + CreateTmpTable(connection, columns);
}

}  // namespace corvane
