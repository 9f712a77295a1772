#include "posting/LedgerVoucherLock.h"

#include "host/LoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/Messages.h"
#include "request/SqlGateway.h"

namespace corvane {

namespace {

// The voucher type word is compared as a national literal: type words are often Chinese.
std::string lockKey(const std::string& SysID, const std::string& outSign, const std::string& iVouchNo) {
  return " Where coutsysname = " + db::quoteLiteral(SysID) + " And coutsign = N" + db::quoteLiteral(outSign) +
         " And coutno_id = " + db::quoteLiteral(iVouchNo);
}

bool lockExists(db::Connection& CN, const std::string& key) {
  const db::Recordset rs = sql::openReadOnly(CN, "Select Count(*) From gl_mvocontrol" + key);
  return CLng(rs.field(0).value()) > 0;
}

}  // namespace

bool LockPZ(const LoginContext& ologin, db::Connection& CN, const std::string& SysID, const std::string& outSign,
            const std::string& iVouchNo, std::string& strErr) {
  if (lockExists(CN, lockKey(SysID, outSign, iVouchNo))) {
    strErr = GetResString("Z7.Corvane.0025");
    raiseBusiness(strErr);
  }
  sql::execute(CN, "Insert Into gl_mvocontrol (coutsysname, coutsign, coutno_id, cauth, cuser, cmachine) Values (" +
                       db::quoteLiteral(SysID) + ", N" + db::quoteLiteral(outSign) + ", " + db::quoteLiteral(iVouchNo) +
                       ", N'作废凭证', " + db::quoteLiteral(ologin.UserName()) + ", " +
                       db::quoteLiteral(ologin.MachineName()) + ")");
  return true;
}

bool UnLockPZ(db::Connection& CN, const std::string& SysID, const std::string& outSign, const std::string& iVouchNo) {
  try {
    return sql::execute(CN, "Delete From gl_mvocontrol" + lockKey(SysID, outSign, iVouchNo)) > 0;
  } catch (const RuntimeError&) {
    return false;
  }
}

}  // namespace corvane
