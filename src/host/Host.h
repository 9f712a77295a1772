#pragma once
// The one way into the host system: every host component a request uses is reached through the
// Host that the request's login object carries (LoginContext::host), never through a free
// factory. Each accessor makes a new instance of one component, as the module asks for one per
// question; the caller owns it for as long as it needs it.
//
// EmbeddedHost gives the embedded components; HostWrapper forwards every accessor to another
// Host, so that a test can replace or watch one component and leave the rest as they are.

#include <memory>

#include "host/Aging.h"
#include "host/ApprovalFlow.h"
#include "host/BankPay.h"
#include "host/BillNumber.h"
#include "host/BudgetChecker.h"
#include "host/ChequeBook.h"
#include "host/ColumnSet.h"
#include "host/FieldDef.h"
#include "host/FlowInfo.h"
#include "host/FormTemplate.h"
#include "host/MessageCatalog.h"
#include "host/Navigator.h"
#include "host/PasswordCodec.h"
#include "host/ReferServer.h"
#include "host/RowRight.h"
#include "host/VoucherImporter.h"

namespace corvane {

namespace db {
class Connection;
}

class Host {
 public:
  virtual ~Host() = default;

  virtual std::unique_ptr<RowRight> rowRight() = 0;
  virtual std::unique_ptr<MessageCatalog> messageCatalog() = 0;
  virtual std::unique_ptr<MessageFormatter> messageFormatter() = 0;
  // The menu service over `connection`, which must stay open while the service is used.
  virtual std::unique_ptr<Navigator> navigator(db::Connection& connection) = 0;
  virtual std::unique_ptr<ReferServer> referServer() = 0;
  virtual std::unique_ptr<FieldDef> fieldDef() = 0;
  virtual std::unique_ptr<ColumnSet> columnSet() = 0;
  virtual std::unique_ptr<FormTemplate> formTemplate() = 0;
  virtual std::unique_ptr<BillNumber> billNumber() = 0;
  // The three cheque components of one registration; each made when the module asks for it.
  virtual ChequeComponents chequeComponents() = 0;
  virtual std::unique_ptr<ApprovalFlowServer> approvalFlow() = 0;
  virtual std::unique_ptr<BudgetChecker> budgetChecker() = 0;
  virtual std::unique_ptr<PasswordCodec> passwordCodec() = 0;
  virtual std::unique_ptr<BankPay> bankPay() = 0;
  virtual std::unique_ptr<FlowInfo> flowInfo() = 0;
  // The ledger-voucher importer over the request's `connection`, inside the caller's transaction.
  virtual std::unique_ptr<VoucherImporter> voucherImporter(db::Connection& connection) = 0;
  // The aging component over the request's `connection`, inside the caller's transaction.
  virtual std::unique_ptr<Aging> aging(db::Connection& connection) = 0;
};

// The embedded components, kept in the account database. Stateless: one instance serves every
// request and thread.
class EmbeddedHost final : public Host {
 public:
  static Host& instance();

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
};

// Forwards every accessor to `target`, which must outlive the wrapper. Subclasses override the
// accessors they change.
class HostWrapper : public Host {
 public:
  explicit HostWrapper(Host& target) : target_(target) {}

  Host& target() const { return target_; }

  std::unique_ptr<RowRight> rowRight() override { return target_.rowRight(); }
  std::unique_ptr<MessageCatalog> messageCatalog() override { return target_.messageCatalog(); }
  std::unique_ptr<MessageFormatter> messageFormatter() override { return target_.messageFormatter(); }
  std::unique_ptr<Navigator> navigator(db::Connection& connection) override { return target_.navigator(connection); }
  std::unique_ptr<ReferServer> referServer() override { return target_.referServer(); }
  std::unique_ptr<FieldDef> fieldDef() override { return target_.fieldDef(); }
  std::unique_ptr<ColumnSet> columnSet() override { return target_.columnSet(); }
  std::unique_ptr<FormTemplate> formTemplate() override { return target_.formTemplate(); }
  std::unique_ptr<BillNumber> billNumber() override { return target_.billNumber(); }
  ChequeComponents chequeComponents() override { return target_.chequeComponents(); }
  std::unique_ptr<ApprovalFlowServer> approvalFlow() override { return target_.approvalFlow(); }
  std::unique_ptr<BudgetChecker> budgetChecker() override { return target_.budgetChecker(); }
  std::unique_ptr<PasswordCodec> passwordCodec() override { return target_.passwordCodec(); }
  std::unique_ptr<BankPay> bankPay() override { return target_.bankPay(); }
  std::unique_ptr<FlowInfo> flowInfo() override { return target_.flowInfo(); }
  std::unique_ptr<VoucherImporter> voucherImporter(db::Connection& connection) override {
    return target_.voucherImporter(connection);
  }
  std::unique_ptr<Aging> aging(db::Connection& connection) override { return target_.aging(connection); }

 private:
  Host& target_;
};

}  // namespace corvane
