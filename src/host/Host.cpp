#include "host/Host.h"

namespace corvane {

Host& EmbeddedHost::instance() {
  static EmbeddedHost host;
  return host;
}

std::unique_ptr<RowRight> EmbeddedHost::rowRight() { return CreateRowRight(); }
std::unique_ptr<MessageCatalog> EmbeddedHost::messageCatalog() { return CreateMessageCatalog(); }
std::unique_ptr<MessageFormatter> EmbeddedHost::messageFormatter() { return CreateMessageFormatter(); }
std::unique_ptr<Navigator> EmbeddedHost::navigator(db::Connection& connection) { return CreateNavigator(connection); }
std::unique_ptr<ReferServer> EmbeddedHost::referServer() { return CreateReferServer(); }
std::unique_ptr<FieldDef> EmbeddedHost::fieldDef() { return CreateFieldDef(); }
std::unique_ptr<ColumnSet> EmbeddedHost::columnSet() { return CreateColumnSet(); }
std::unique_ptr<FormTemplate> EmbeddedHost::formTemplate() { return CreateFormTemplate(); }
std::unique_ptr<BillNumber> EmbeddedHost::billNumber() { return CreateBillNumber(); }
ChequeComponents EmbeddedHost::chequeComponents() { return EmbeddedChequeComponents(); }
std::unique_ptr<ApprovalFlowServer> EmbeddedHost::approvalFlow() { return CreateApprovalFlowServer(); }
std::unique_ptr<BudgetChecker> EmbeddedHost::budgetChecker() { return EmbeddedBudgetChecker(); }
std::unique_ptr<PasswordCodec> EmbeddedHost::passwordCodec() { return std::make_unique<EmbeddedPasswordCodec>(); }
std::unique_ptr<BankPay> EmbeddedHost::bankPay() { return CreateBankPay(); }
std::unique_ptr<FlowInfo> EmbeddedHost::flowInfo() { return CreateFlowInfo(); }
std::unique_ptr<VoucherImporter> EmbeddedHost::voucherImporter(db::Connection& connection) {
  return CreateVoucherImporter(connection);
}
std::unique_ptr<Aging> EmbeddedHost::aging(db::Connection& connection) { return CreateAging(connection); }

}  // namespace corvane
