#pragma once
// The documents the host's budget component works with: a budget voucher with its lines, handed
// to BudgetChecker::Check and answered back with the verdict, and a budget item's dimensions.

#include <string>
#include <vector>

namespace corvane {

// One line of a budget voucher. Dimension codes and values are plain codes ("" when unused);
// `Amount` is a decimal text, positive to charge the budget and negative to release it.
struct BudgetVoucherEntry {
  std::string LineNo;
  std::string Note;
  std::string Summary;
  std::string BudgetItemCode;
  std::string PortCode1;
  std::string PortValue1;
  std::string PortCode2;
  std::string PortValue2;
  std::string PortCode3;
  std::string PortValue3;
  std::string Amount;
  bool Enabled = true;
  int ControlType = 0;  // answered: the item's control type of an over-budget verdict
};

// A voucher handed to the budget. `Status` and `Message` are the answer: 2 within budget (the
// amount was charged or released), 1 over budget (a prompt, with the line's ControlType), 0
// refused, 3 no open budget period for the voucher's date.
struct BudgetVoucher {
  std::string VoucherGuid;
  std::string SystemCode;
  std::string VoucherTypeName;
  std::string OperationType;
  std::string VoucherNo;
  std::string VoucherDate;
  std::string Summary;
  bool IsCancel = false;
  std::vector<BudgetVoucherEntry> Entries;
  int Status = 0;
  std::string Message;
};

// A budget item's control dimensions; a dimension the item does not use has empty texts.
struct BudgetItem {
  std::string PortCode1;
  std::string PortName1;
  std::string PortCode2;
  std::string PortName2;
  std::string PortCode3;
  std::string PortName3;
};

}  // namespace corvane
