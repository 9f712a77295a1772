#pragma once
// The host's login object: the logged-in user, handed to every request. The module only calls
// it; each member states what callers rely on.

#include <cstdint>
#include <string>

#include "platform/com/Variant.h"

namespace corvane {

class Host;

class LoginContext {
 public:
  virtual ~LoginContext() = default;

  virtual std::string MachineName() const = 0;  // client machine, stored with ledger locks
  // Given the fixed key text followed by ConnectKeySuffix(), leaves the system database's
  // connection string in `key`.
  virtual void ResolveConnectString(std::string& key) = 0;
  virtual std::string HostContextName() const = 0;  // Name of the host context object
  virtual std::string LastErrorText() const = 0;    // reason of the last refused right; "" if none
  virtual std::string PubsInitText() const = 0;     // passed on to cheque registration only
  virtual std::string AccountId() const = 0;
  virtual std::string AccountName() const = 0;
  virtual DateTime LoginDate() const = 0;     // operating date
  virtual std::string LoginYear() const = 0;  // accounting year as text
  virtual std::int16_t LoginPeriod() const = 0;
  virtual std::string UserId() const = 0;
  virtual std::string UserName() const = 0;       // written as approver, verifier, payer, maker
  virtual std::string ConnectString() const = 0;  // connection string of the account database
  virtual bool IsAdmin() const = 0;               // true: no row-right filter applies
  virtual void ResetTaskState() = 0;              // before each RequestTask and after a failed one
  // take true takes, false releases the right `code` for `year`; ok reports success.
  virtual void RequestTask(const std::string& code, bool take, std::int16_t year, bool& ok) = 0;
  // locked true: the module is locked against writing. The second value is not used by callers.
  virtual void QueryLock(std::int32_t kind, const std::string& module, std::int16_t year, bool& locked,
                         Variant& second) = 0;
  virtual void EndConnectLookup() = 0;  // once after ResolveConnectString
  virtual std::string ConnectKeySuffix() const = 0;
  virtual bool IsGroupUser() const = 0;
  virtual std::string SystemId() const = 0;  // stored with ledger-voucher locks
  virtual std::string LocaleId() const = 0;  // "zh-CN", "en-us", ...
  // The host components the user's requests reach, all through this one object; the embedded
  // ones unless the login object was given others. It outlives the login object.
  virtual Host& host() const;
};

}  // namespace corvane
