#pragma once
// A host whose every call can be made to fail: each accessor and each member of the components
// it hands out passes the fault plan first (under the component's name), then forwards to the
// wrapped host's component.

#include "host/Host.h"
#include "support/FaultPlan.h"

namespace corvane {

class FaultyHost final : public HostWrapper {
 public:
  FaultyHost(Host& target, FaultPlan& plan) : HostWrapper(target), plan_(plan) {}

  std::unique_ptr<RowRight> rowRight() override;
  std::unique_ptr<MessageCatalog> messageCatalog() override;
  std::unique_ptr<MessageFormatter> messageFormatter() override;
  std::unique_ptr<Navigator> navigator(db::Connection& connection) override;
  std::unique_ptr<ReferServer> referServer() override;
  std::unique_ptr<FieldDef> fieldDef() override;
  std::unique_ptr<ColumnSet> columnSet() override;
  std::unique_ptr<FormTemplate> formTemplate() override;
  std::unique_ptr<BillNumber> billNumber() override;
  ChequeComponents chequeComponents() override;
  std::unique_ptr<ApprovalFlowServer> approvalFlow() override;
  std::unique_ptr<BudgetChecker> budgetChecker() override;
  std::unique_ptr<PasswordCodec> passwordCodec() override;
  std::unique_ptr<BankPay> bankPay() override;
  std::unique_ptr<FlowInfo> flowInfo() override;
  std::unique_ptr<VoucherImporter> voucherImporter(db::Connection& connection) override;
  std::unique_ptr<Aging> aging(db::Connection& connection) override;

 private:
  FaultPlan& plan_;
};

}  // namespace corvane
