#pragma once
// The save ("savevouch") that loans and claims share: request checks, state guards, numbering,
// head and lines, totals, submit on save and the hand-over of the stored voucher to the request's
// "getVouchListID" func. The head's values must lie within the user's data rights (0720 to
// 0724), and a stored voucher outside them answers as one that does not exist (0243).
// Everything runs in the request's transaction; the save undoes nothing itself. It asks the
// approval flow of the login object's host. What differs between loans and claims comes in
// through VoucherSaveRules (data) and VoucherSaveSteps (hooks).

#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "platform/xml/XmlDocument.h"
#include "request/SaveRows.h"
#include "vouchers/VoucherKinds.h"
#include "vouchers/VoucherSave.h"

namespace corvane {

struct FuncCall;

struct VoucherSaveServices {
  // Submits the stored voucher named by the head row; false ends the save without a reply.
  std::function<bool(XmlNode headRow)> submit;
};

// The voucher of one save as the request gives it.
struct VoucherSaveRequest {
  XmlNode head;  // in/xml/head, whose markup goes to the numbering
  XmlNode row;   // the head row
  XmlNode body;  // one child per line
  bool submitOnSave = false;
  bool existing = false;  // the row names a stored voucher by its GUID
  std::string guid;
  const VoucherKind* kind = nullptr;
  std::string number;  // the voucher number stored: the row's, or the one drawn for a new voucher
};

struct VoucherSaveRules {
  std::string_view className;   // named by the error reply
  const char* usedMissing;      // strUsed absent; null: the head statement requires it (error 91)
  const char* claimantMissing;  // strLoanID absent
  const char* claimantUnknown;  // strLoanID names no person
  const char* staleRowVersion;  // the row's ts is no row version
  const char* typedNumbers;     // a taken number while users type numbers by hand
  bool keepsExpiryDate;         // the head stores dtExpDate
  // Failure texts naming a constraint answer its message.
  std::span<const ConstraintMessage> constraints;
};

class VoucherSaveSteps {
 public:
  explicit VoucherSaveSteps(const VoucherSaveRules& rules) : rules_(rules) {}
  virtual ~VoucherSaveSteps() = default;
  VoucherSaveSteps(const VoucherSaveSteps&) = delete;
  VoucherSaveSteps& operator=(const VoucherSaveSteps&) = delete;

  const VoucherSaveRules& rules() const { return rules_; }

  // The kind the voucher of the head row is saved as.
  virtual const VoucherKind& kindOf(const XmlNode& row) const = 0;
  // Reads what the kind keeps on the head element.
  virtual void readHeadElement(const XmlNode& /*head*/) {}
  // Checks after the common head checks.
  virtual void checkRequest(FuncCall& /*call*/, const VoucherSaveRequest& /*request*/) {}
  // Refuses a stored voucher whose state forbids the change.
  virtual void guardStored(FuncCall& call, const VoucherSaveRequest& request) = 0;
  // Head columns the kind writes after blnAudi.
  virtual voucher::Assignments stateColumns() const { return {}; }
  // Inserts the lines, each checked, and writes the head's totals.
  virtual void storeLines(FuncCall& call, const VoucherSaveRequest& request) = 0;
  // Whether a voucher goes to its approval flow when the module submits on save.
  virtual bool submittedOnSave() const { return true; }
  // The stored voucher, found after the save.
  virtual void stored(FuncCall& /*call*/, const std::string& /*autoId*/, const std::string& /*strTypeCode*/) {}

 private:
  const VoucherSaveRules& rules_;
};

// True when the voucher was stored; false after a failure, with the save's error reply (or the
// numbering's own reply) in `call.oXml`. A renumbered voucher leaves the last number reply there.
bool SaveVoucherWith(VoucherSaveSteps& steps, FuncCall& call, const VoucherSaveServices& services);

}  // namespace corvane
