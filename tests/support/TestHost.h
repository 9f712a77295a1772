#pragma once
// For tests: a host that makes the components a test gives it and leaves every other one to the
// embedded host. Hand it to a login object (LoginOptions::host, TestLogin::testHost).

#include <functional>
#include <memory>
#include <optional>

#include "host/Host.h"

namespace corvane {

class TestHost final : public HostWrapper {
 public:
  TestHost() : HostWrapper(EmbeddedHost::instance()) {}

  // The components to make instead of the embedded ones; empty ones are left to the embedded host.
  RowRightFactory rowRights;
  ColumnSetFactory columnSets;
  NavigatorFactory navigators;
  ReferServerFactory referServers;
  FieldDefFactory fieldDefs;
  std::function<std::unique_ptr<BudgetChecker>()> budgetCheckers;
  std::optional<ChequeComponents> cheques;
  std::function<std::unique_ptr<ApprovalFlowServer>()> approvalFlows;
  std::function<std::unique_ptr<BankPay>()> bankPays;
  std::function<std::unique_ptr<FlowInfo>()> flowInfos;
  std::function<std::unique_ptr<VoucherImporter>(db::Connection&)> voucherImporters;
  std::function<std::unique_ptr<Aging>(db::Connection&)> agings;

  std::unique_ptr<RowRight> rowRight() override { return rowRights ? rowRights() : HostWrapper::rowRight(); }
  std::unique_ptr<ColumnSet> columnSet() override { return columnSets ? columnSets() : HostWrapper::columnSet(); }
  std::unique_ptr<Navigator> navigator(db::Connection& connection) override {
    return navigators ? navigators(connection) : HostWrapper::navigator(connection);
  }
  std::unique_ptr<ReferServer> referServer() override {
    return referServers ? referServers() : HostWrapper::referServer();
  }
  std::unique_ptr<FieldDef> fieldDef() override { return fieldDefs ? fieldDefs() : HostWrapper::fieldDef(); }
  std::unique_ptr<BudgetChecker> budgetChecker() override {
    return budgetCheckers ? budgetCheckers() : HostWrapper::budgetChecker();
  }
  ChequeComponents chequeComponents() override { return cheques ? *cheques : HostWrapper::chequeComponents(); }
  std::unique_ptr<ApprovalFlowServer> approvalFlow() override {
    return approvalFlows ? approvalFlows() : HostWrapper::approvalFlow();
  }
  std::unique_ptr<BankPay> bankPay() override { return bankPays ? bankPays() : HostWrapper::bankPay(); }
  std::unique_ptr<FlowInfo> flowInfo() override { return flowInfos ? flowInfos() : HostWrapper::flowInfo(); }
  std::unique_ptr<VoucherImporter> voucherImporter(db::Connection& connection) override {
    return voucherImporters ? voucherImporters(connection) : HostWrapper::voucherImporter(connection);
  }
  std::unique_ptr<Aging> aging(db::Connection& connection) override {
    return agings ? agings(connection) : HostWrapper::aging(connection);
  }
};

}  // namespace corvane
