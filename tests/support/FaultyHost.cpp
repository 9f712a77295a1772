#include "support/FaultyHost.h"

#include <utility>

namespace corvane {

namespace {

// What every faulty component holds: the plan, its name and the component it forwards to.
template <class Component>
class Faulty {
 public:
  Faulty(FaultPlan& plan, std::string_view name, std::unique_ptr<Component> inner)
      : plan_(plan), name_(name), inner_(std::move(inner)) {}

 protected:
  Component& next() const {
    plan_.pass(name_);
    return *inner_;
  }
  FaultPlan& plan() const { return plan_; }
  std::string_view name() const { return name_; }

 private:
  FaultPlan& plan_;
  std::string_view name_;
  std::unique_ptr<Component> inner_;
};

class FaultyRowRight final : public RowRight, Faulty<RowRight> {
 public:
  using Faulty::Faulty;
  void init(const std::string& connectString, const std::string& userId) override {
    next().init(connectString, userId);
  }
  std::string GetAuthString(const std::string& object, const std::string& a2, const std::string& a3) override {
    return next().GetAuthString(object, a2, a3);
  }
};

class FaultyTextSource final : public MessageTextSource, Faulty<MessageTextSource> {
 public:
  using Faulty::Faulty;
  std::string GetText(const std::string& id, const std::string& locale) const override {
    return next().GetText(id, locale);
  }
};

class FaultyMessageCatalog final : public MessageCatalog, Faulty<MessageCatalog> {
 public:
  using Faulty::Faulty;
  std::unique_ptr<MessageTextSource> Messages() const override {
    return std::make_unique<FaultyTextSource>(plan(), name(), next().Messages());
  }
};

class FaultyMessageFormatter final : public MessageFormatter, Faulty<MessageFormatter> {
 public:
  using Faulty::Faulty;
  std::string FormatText(const std::string& id, const std::vector<std::string>& parameters,
                         const std::string& locale) const override {
    return next().FormatText(id, parameters, locale);
  }
};

class FaultyNavigator final : public Navigator, Faulty<Navigator> {
 public:
  using Faulty::Faulty;
  std::string LoadMenu1(bool byRights, const std::string& subsystem, const std::string& accountId,
                        const std::string& year, const std::string& userId,
                        const std::string& hostContextName) override {
    return next().LoadMenu1(byRights, subsystem, accountId, year, userId, hostContextName);
  }
};

class FaultyReferServer final : public ReferServer, Faulty<ReferServer> {
 public:
  using Faulty::Faulty;
  void GetRefStrRst(LoginContext& login, const std::string& sql, db::Recordset& rs, std::string& errorText,
                    long& length, long& current, long& count) override {
    next().GetRefStrRst(login, sql, rs, errorText, length, current, count);
  }
  void GetData(LoginContext& login, const std::string& key, std::string& match, std::string& order, long& length,
               long& current, long& count, db::Recordset& rs, std::string& errorText) override {
    next().GetData(login, key, match, order, length, current, count, rs, errorText);
  }
  void GetRefItemRst(db::Recordset& rs, db::Recordset& format, LoginContext& login, const std::string& itemClass,
                     std::string& match, std::string& errorText, long& length, long& count, long& current) override {
    next().GetRefItemRst(rs, format, login, itemClass, match, errorText, length, count, current);
  }
  db::Recordset GetTitleFormat(LoginContext& login, const std::string& name) override {
    return next().GetTitleFormat(login, name);
  }
};

class FaultyFieldDef final : public FieldDef, Faulty<FieldDef> {
 public:
  using Faulty::Faulty;
  bool init(db::Connection& connection, const std::string& userId) override { return next().init(connection, userId); }
  int ValidateAr(int source, int pos, const std::string& name, const std::string& table, const std::string& field,
                 const std::string& value, const std::string& third, bool build) override {
    return next().ValidateAr(source, pos, name, table, field, value, third, build);
  }
  bool GetRefSQL(int source, int pos, const std::string& name, const std::string& table, const std::string& field,
                 const std::string& third, const std::string& value, std::string& sql, std::string& head,
                 std::string& width) override {
    return next().GetRefSQL(source, pos, name, table, field, third, value, sql, head, width);
  }
  bool GetFreeRefSQL(const std::string& name, const std::string& value, std::string& sql, std::string& head,
                     std::string& width) override {
    return next().GetFreeRefSQL(name, value, sql, head, width);
  }
};

class FaultyColumnSet final : public ColumnSet, Faulty<ColumnSet> {
 public:
  using Faulty::Faulty;
  bool init(const std::string& connectString, const std::string& userId) override {
    return next().init(connectString, userId);
  }
  std::string getColInfo(std::string& key, std::uint8_t& mode) override { return next().getColInfo(key, mode); }
  bool save(const std::string& settingsXml) override { return next().save(settingsXml); }
};

class FaultyFormTemplate final : public FormTemplate, Faulty<FormTemplate> {
 public:
  using Faulty::Faulty;
  db::Recordset GetTemplateData2(db::Connection& connection, const std::string& cardNumber,
                                 const std::string& templateId) override {
    return next().GetTemplateData2(connection, cardNumber, templateId);
  }
  std::optional<db::Recordset> GetFixedData(db::Connection& connection, const std::string& templateId) override {
    return next().GetFixedData(connection, templateId);
  }
  std::string GetCompanyLogoImageData(db::Connection& connection) override {
    return next().GetCompanyLogoImageData(connection);
  }
};

class FaultyBillNumber final : public BillNumber, Faulty<BillNumber> {
 public:
  using Faulty::Faulty;
  bool InitBill(db::Connection& connection, const std::string& cardNumber) override {
    return next().InitBill(connection, cardNumber);
  }
  std::string GetBillFormat() override { return next().GetBillFormat(); }
  std::string GetNumber(const std::string& filledFormat, bool& take) override {
    return next().GetNumber(filledFormat, take);
  }
};

class FaultyChequeDatabase final : public ChequeDatabase, Faulty<ChequeDatabase> {
 public:
  using Faulty::Faulty;
  void openDatabase(const std::string& connectString) override { next().openDatabase(connectString); }
  void oclose() override { next().oclose(); }
  db::Connection& connection() override { return next().connection(); }
};

class FaultyChequeCommon final : public ChequeCommon, Faulty<ChequeCommon> {
 public:
  using Faulty::Faulty;
  void InitPubs2(const std::string& module, const std::string& hostContext, ChequeDatabase& database,
                 const std::string& accountId, const std::string& loginYear, const std::string& userName,
                 const DateTime& loginDate, const std::string& pubsInitText) override {
    next().InitPubs2(module, hostContext, database, accountId, loginYear, userName, loginDate, pubsInitText);
  }
  const ChequeSession& session() const override { return next().session(); }
  ChequeDatabase& database() override { return next().database(); }
};

class FaultyChequeBook final : public ChequeBook, Faulty<ChequeBook> {
 public:
  using Faulty::Faulty;
  void setZzLogin(LoginContext& login) override { next().setZzLogin(login); }
  void setZzSys(ChequeCommon& common) override { next().setZzSys(common); }
  bool ZPControl(std::string& chequeElement) override { return next().ZPControl(chequeElement); }
  int zpcheck() const override { return next().zpcheck(); }
  std::string zpmsg() const override { return next().zpmsg(); }
  void StartZPDJ(bool option1, bool option2) override { next().StartZPDJ(option1, option2); }
  void UpdateZPDJ() override { next().UpdateZPDJ(); }
};

class FaultyApprovalFlow final : public ApprovalFlowServer, Faulty<ApprovalFlowServer> {
 public:
  using Faulty::Faulty;
  void LastErrorText(std::string& text) const override { next().LastErrorText(text); }
  void SetLogin(LoginContext& login) override { next().SetLogin(login); }
  bool RemoveFromFlow(db::Connection& connection, const std::string& billType, const std::string& billGuid,
                      const std::string& scope) override {
    return next().RemoveFromFlow(connection, billType, billGuid, scope);
  }
  bool AllowChange(db::Connection& connection, const std::string& billType, const std::string& billGuid,
                   const std::string& scope) override {
    return next().AllowChange(connection, billType, billGuid, scope);
  }
  bool IsInFlow(db::Connection& connection, const std::string& billType, const std::string& billGuid,
                const std::string& scope) override {
    return next().IsInFlow(connection, billType, billGuid, scope);
  }
  bool QueryFlow(db::Connection& connection, const std::string& billType, std::vector<std::string>& billGuids,
                 std::vector<std::string>& states) override {
    return next().QueryFlow(connection, billType, billGuids, states);
  }
  bool SubmitToFlow(db::Connection& connection, const std::string& billType, const std::string& billGuid,
                    const std::string& billCode, const std::string& document) override {
    return next().SubmitToFlow(connection, billType, billGuid, billCode, document);
  }
  bool ApproveStep(db::Connection& connection, const std::string& billType, const std::string& billGuid,
                   const std::string& task, const std::string& scope) override {
    return next().ApproveStep(connection, billType, billGuid, task, scope);
  }
  bool UndoStep(db::Connection& connection, const std::string& billType, const std::string& billGuid,
                const std::string& scope) override {
    return next().UndoStep(connection, billType, billGuid, scope);
  }
  void IsFinished(bool& finished) const override { next().IsFinished(finished); }
  bool GetFlowInfo(db::Connection& connection, const std::string& billType, const std::string& billGuid,
                   const std::string& unused, const std::string& scope, bool withApprovers,
                   std::string& info) override {
    return next().GetFlowInfo(connection, billType, billGuid, unused, scope, withApprovers, info);
  }
  bool GetHistory(db::Connection& connection, const std::string& billType, const std::string& billGuid,
                  const std::string& scope, bool& all, db::Recordset& history, std::string& text) override {
    return next().GetHistory(connection, billType, billGuid, scope, all, history, text);
  }
};

class FaultyBudgetChecker final : public BudgetChecker, Faulty<BudgetChecker> {
 public:
  using Faulty::Faulty;
  bool InitConnection(db::Connection& connection) override { return next().InitConnection(connection); }
  bool OpenSystem(const std::string& sysId) override { return next().OpenSystem(sysId); }
  std::string LastErrorText() const override { return next().LastErrorText(); }
  BudgetItem GetItem(const std::string& itemCode) override { return next().GetItem(itemCode); }
  BudgetVoucher Check(const BudgetVoucher& voucher) override { return next().Check(voucher); }
};

class FaultyPasswordCodec final : public PasswordCodec, Faulty<PasswordCodec> {
 public:
  using Faulty::Faulty;
  std::string Encode(const std::string& plain) const override { return next().Encode(plain); }
  bool Matches(const std::string& stored, const std::string& typed) const override {
    return next().Matches(stored, typed);
  }
};

class FaultyBankPay final : public BankPay, Faulty<BankPay> {
 public:
  using Faulty::Faulty;
  bool ImportBill(int source, db::Connection& connection, const XmlDocument& bill, std::string& errorText) override {
    return next().ImportBill(source, connection, bill, errorText);
  }
  bool DeleteBill(int source, db::Connection& connection, const std::string& payRowGuid,
                  std::string& errorText) override {
    return next().DeleteBill(source, connection, payRowGuid, errorText);
  }
  bool WritePZID(int source, db::Connection& connection, const std::string& payRowGuid, const std::string& module,
                 std::string& errorText) override {
    return next().WritePZID(source, connection, payRowGuid, module, errorText);
  }
  bool DeletePZID(int source, db::Connection& connection, const std::string& payRowGuid,
                  std::string& errorText) override {
    return next().DeletePZID(source, connection, payRowGuid, errorText);
  }
};

class FaultyFlowInfo final : public FlowInfo, Faulty<FlowInfo> {
 public:
  using Faulty::Faulty;
  std::string GetNotInAuditUserListSql(std::string& auditor, const std::string& flowKinds,
                                       int& auditCondition) override {
    return next().GetNotInAuditUserListSql(auditor, flowKinds, auditCondition);
  }
  std::string GetAuditUserListSql(std::string& auditor, const std::string& flowKinds, int& auditCondition) override {
    return next().GetAuditUserListSql(auditor, flowKinds, auditCondition);
  }
};

class FaultyVoucherImporter final : public VoucherImporter, Faulty<VoucherImporter> {
 public:
  using Faulty::Faulty;
  bool InitLogin(const LoginContext& ologin) override { return next().InitLogin(ologin); }
  void TableName(const std::string& draftTable) override { next().TableName(draftTable); }
  std::string TableName() const override { return next().TableName(); }
  bool Run() override { return next().Run(); }
  std::int32_t LastErrorNumber() const override { return next().LastErrorNumber(); }
  std::string LastErrorText() const override { return next().LastErrorText(); }
};

class FaultyAging final : public Aging, Faulty<Aging> {
 public:
  using Faulty::Faulty;
  std::string getAge(LoginContext& login, const std::string& module) override { return next().getAge(login, module); }
  bool SaveAge(LoginContext& login, const std::string& xml) override { return next().SaveAge(login, xml); }
};

// Passes the plan for the accessor's own call, then wraps what the wrapped host made.
template <class FaultyComponent, class Make>
auto wrapped(FaultPlan& plan, std::string_view name, Make make) {
  plan.pass(name);
  return std::make_unique<FaultyComponent>(plan, name, make());
}

}  // namespace

std::unique_ptr<RowRight> FaultyHost::rowRight() {
  return wrapped<FaultyRowRight>(plan_, "RowRight", [&] { return target().rowRight(); });
}

std::unique_ptr<MessageCatalog> FaultyHost::messageCatalog() {
  return wrapped<FaultyMessageCatalog>(plan_, "MessageCatalog", [&] { return target().messageCatalog(); });
}

std::unique_ptr<MessageFormatter> FaultyHost::messageFormatter() {
  return wrapped<FaultyMessageFormatter>(plan_, "MessageFormatter", [&] { return target().messageFormatter(); });
}

std::unique_ptr<Navigator> FaultyHost::navigator(db::Connection& connection) {
  return wrapped<FaultyNavigator>(plan_, "Navigator", [&] { return target().navigator(connection); });
}

std::unique_ptr<ReferServer> FaultyHost::referServer() {
  return wrapped<FaultyReferServer>(plan_, "ReferServer", [&] { return target().referServer(); });
}

std::unique_ptr<FieldDef> FaultyHost::fieldDef() {
  return wrapped<FaultyFieldDef>(plan_, "FieldDef", [&] { return target().fieldDef(); });
}

std::unique_ptr<ColumnSet> FaultyHost::columnSet() {
  return wrapped<FaultyColumnSet>(plan_, "ColumnSet", [&] { return target().columnSet(); });
}

std::unique_ptr<FormTemplate> FaultyHost::formTemplate() {
  return wrapped<FaultyFormTemplate>(plan_, "FormTemplate", [&] { return target().formTemplate(); });
}

std::unique_ptr<BillNumber> FaultyHost::billNumber() {
  return wrapped<FaultyBillNumber>(plan_, "BillNumber", [&] { return target().billNumber(); });
}

ChequeComponents FaultyHost::chequeComponents() {
  plan_.pass("ChequeBook");
  const ChequeComponents inner = target().chequeComponents();
  FaultPlan& plan = plan_;
  return ChequeComponents{[&plan, inner] { return wrapped<FaultyChequeDatabase>(plan, "ChequeBook", inner.database); },
                          [&plan, inner] { return wrapped<FaultyChequeCommon>(plan, "ChequeBook", inner.common); },
                          [&plan, inner] { return wrapped<FaultyChequeBook>(plan, "ChequeBook", inner.book); }};
}

std::unique_ptr<ApprovalFlowServer> FaultyHost::approvalFlow() {
  return wrapped<FaultyApprovalFlow>(plan_, "ApprovalFlow", [&] { return target().approvalFlow(); });
}

std::unique_ptr<BudgetChecker> FaultyHost::budgetChecker() {
  return wrapped<FaultyBudgetChecker>(plan_, "BudgetChecker", [&] { return target().budgetChecker(); });
}

std::unique_ptr<PasswordCodec> FaultyHost::passwordCodec() {
  return wrapped<FaultyPasswordCodec>(plan_, "PasswordCodec", [&] { return target().passwordCodec(); });
}

std::unique_ptr<BankPay> FaultyHost::bankPay() {
  return wrapped<FaultyBankPay>(plan_, "BankPay", [&] { return target().bankPay(); });
}

std::unique_ptr<FlowInfo> FaultyHost::flowInfo() {
  return wrapped<FaultyFlowInfo>(plan_, "FlowInfo", [&] { return target().flowInfo(); });
}

std::unique_ptr<VoucherImporter> FaultyHost::voucherImporter(db::Connection& connection) {
  return wrapped<FaultyVoucherImporter>(plan_, "VoucherImporter", [&] { return target().voucherImporter(connection); });
}

std::unique_ptr<Aging> FaultyHost::aging(db::Connection& connection) {
  return wrapped<FaultyAging>(plan_, "Aging", [&] { return target().aging(connection); });
}

}  // namespace corvane
