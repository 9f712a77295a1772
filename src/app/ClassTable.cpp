#include "app/ClassTable.h"

#include "approval/CAudit.h"
#include "approval/CBudCtrl.h"
#include "claims/CExpense.h"
#include "core/COperation.h"
#include "core/CPubMsg.h"
#include "loans/CLoan.h"
#include "posting/CMakePZ.h"
#include "posting/CNetPay.h"
#include "reports/CQuery.h"
#include "reports/CReport.h"
#include "settings/CChoice.h"
#include "settings/CDistrict.h"
#include "settings/CPerson.h"
#include "settings/CPzSet.h"
#include "settings/CRPItem.h"
#include "settings/CStand.h"

namespace corvane {

namespace {

template <class T>
std::unique_ptr<RequestClass> make() {
  return std::make_unique<T>();
}

}  // namespace

// The module's creatable classes, one line per class.
const ClassRegistry& StandardClasses() {
  static const ClassRegistry registry({
      {"Corvane.COperation", make<COperation>},
      {"Corvane.CPubMsg", make<CPubMsg>},
      {"Corvane.CLoan", make<CLoan>},
      {"Corvane.CExpense", make<CExpense>},
      {"Corvane.CRPItem", make<CRPItem>},
      {"Corvane.CDistrict", make<CDistrict>},
      {"Corvane.CPerson", make<CPerson>},
      {"Corvane.CStand", make<CStand>},
      {"Corvane.CChoice", make<CChoice>},
      {"Corvane.CPzSet", make<CPzSet>},
      {"Corvane.CAudit", make<CAudit>},
      {"Corvane.CBudCtrl", make<CBudCtrl>},
      {"Corvane.CNetPay", make<CNetPay>},
      {"Corvane.CMakePZ", make<CMakePZ>},
      {"Corvane.CQuery", make<CQuery>},
      {"Corvane.CReport", make<CReport>},
  });
  return registry;
}

}  // namespace corvane
