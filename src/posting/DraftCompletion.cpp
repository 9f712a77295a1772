#include "posting/DraftCompletion.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <vector>

#include "platform/com/Money.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/Messages.h"
#include "request/SqlGateway.h"
#include "request/Values.h"

namespace corvane {

namespace {

constexpr int kUserDefinedFields = 16;

struct DraftLineKeys {
  std::string account;
  Variant item, department, person;
};

std::vector<DraftLineKeys> readLines(db::Connection& CN, const std::string& table) {
  std::vector<DraftLineKeys> lines;
  for (db::Recordset rs =
           sql::openReadOnly(CN, "select ccode,citem_id,cdept_id,cperson_id from " + table + " order by inid");
       !rs.eof(); rs.moveNext()) {
    lines.push_back({NullToStr(rs.field("ccode").value()), rs.field("citem_id").value(), rs.field("cdept_id").value(),
                     rs.field("cperson_id").value()});
  }
  return lines;
}

struct AccountAuxiliaries {
  std::string itemClass;
  std::string itemClassName;
  bool person = false, department = false, customer = false, vendor = false;
  bool userDefined[kUserDefinedFields] = {};
};

bool readAccount(db::Connection& CN, const std::string& code, AccountAuxiliaries& account) {
  std::string flags;
  for (int i = 1; i <= kUserDefinedFields; ++i) flags += ",bcDefine" + std::to_string(i);
  const db::Recordset rs = sql::openReadOnly(
      CN, "select isnull(cass_item,'') as cass_item,ccode,isnull(fitem.citem_name,'') as citem_name" + flags +
              ",bcus,bsup,bperson,bdept from code left join fitem on code.cass_item=fitem.citem_class where ccode=" +
              db::quoteLiteral(code));
  if (rs.eof()) return false;
  account.itemClass = NullToStr(rs.field("cass_item").value());
  account.itemClassName = NullToStr(rs.field("citem_name").value());
  account.person = NullToBool(rs.field("bperson").value());
  account.department = NullToBool(rs.field("bdept").value());
  account.customer = NullToBool(rs.field("bcus").value());
  account.vendor = NullToBool(rs.field("bsup").value());
  for (int i = 0; i < kUserDefinedFields; ++i) {
    account.userDefined[i] = NullToBool(rs.field("bcDefine" + std::to_string(i + 1)).value());
  }
  return true;
}

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The item table of an item class: the class becomes part of a table name, so it must be plain.
std::string itemTableOf(const std::string& itemClass) {
  const bool plain = !itemClass.empty() && std::all_of(itemClass.begin(), itemClass.end(),
                                                       [](unsigned char c) { return std::isalnum(c) || c == '_'; });
  if (!plain) throw RuntimeError(errnum::kInvalidArgument, "The item class " + itemClass + " is not a plain name.");
  return "fitemss" + itemClass;
}

// "= 'x'" for a value, "Is Null" for a missing one.
std::string matches(const Variant& value) {
  return value.isNull() ? std::string(" Is Null") : " = " + db::quoteLiteral(NullToStr(value));
}

std::string literalOrNull(const Variant& value) {
  return value.isNull() ? std::string("Null") : db::quoteLiteral(NullToStr(value));
}

class Completion {
 public:
  Completion(db::Connection& CN, const std::string& table) : CN_(CN), table_(table) {}

  void completeLine(const DraftLineKeys& line) {
    if (trimmed(line.account).empty()) return;
    AccountAuxiliaries account;
    if (!readAccount(CN_, line.account, account)) return;
    const std::string ofAccount = " where ccode=" + db::quoteLiteral(line.account);
    update("citem_class=" + db::quoteLiteral(account.itemClass) +
               ",citemclassname=" + db::quoteLiteral(account.itemClassName),
           ofAccount);
    completeItem(account, line, ofAccount);
    completePersonAndDepartment(account, line, ofAccount);
    if (!account.customer) update("ccus_id=Null,ccus_name=Null", ofAccount);
    if (!account.vendor) update("csup_id=Null,csup_name=Null", ofAccount);
    for (int i = 0; i < kUserDefinedFields; ++i) {
      if (!account.userDefined[i]) update("cDefine" + std::to_string(i + 1) + "=Null", ofAccount);
    }
  }

  void clearLocalCurrency() {
    const db::Recordset rs = sql::openReadOnly(CN_, "select cexch_name from foreigncurrency where iotherused=-1");
    if (rs.eof()) return;
    update("cexch_name=Null,md_f=0,mc_f=0", " where cexch_name=" + db::quoteLiteral(NullToStr(rs.field(0).value())));
  }

  void balance() {
    db::Recordset rs = sql::openReadOnly(CN_, "select sum(md) as md,sum(mc) as mc,count(*) as n from " + table_);
    const Currency debit = MoneyOf(rs.field("md").value());
    const Currency credit = MoneyOf(rs.field("mc").value());
    const long lines = CLng(rs.field("n").value());
    rs.close();
    const Currency difference = debit - credit;
    if (difference == Currency()) return;
    const Currency magnitude = difference < Currency() ? -difference : difference;
    // A cent per line is what rounding each line to cents can leave; more is a real difference.
    if (magnitude > Currency::fromScaled(100 * static_cast<std::int64_t>(lines))) {
      raiseMessage("Z7.Corvane.0662", TwoDecimals(debit), TwoDecimals(credit));
    }
    const bool debitsExceed = difference > Currency();
    const char* emptySide = debitsExceed ? "md" : "mc";
    const db::Recordset last =
        sql::openReadOnly(CN_, "select max(inid) as inid from " + table_ + " where " + emptySide + "=0");
    const Variant inid = last.field("inid").value();
    if (inid.isNull()) return;
    update(std::string(debitsExceed ? "mc=mc+" : "md=md+") + magnitude.toString(),
           " where inid=" + std::to_string(CLng(inid)));
  }

 private:
  void update(const std::string& assignments, const std::string& where) {
    sql::execute(CN_, "update " + table_ + " set " + assignments + where);
  }

  void completeItem(const AccountAuxiliaries& account, const DraftLineKeys& line, const std::string& ofAccount) {
    const std::string item = NullToStr(line.item);
    const std::string ofItem = ofAccount + " and citem_id=" + db::quoteLiteral(item);
    if (trimmed(account.itemClass).empty()) {
      update("citem_id=Null,citem_name=Null", ofItem);
      return;
    }
    const bool inventory = lowerCase(account.itemClass) == "ch";
    const std::string lookup =
        inventory ? "select cInvCode as code,cInvName as name from Inventory where cInvCode=" + db::quoteLiteral(item)
                  : "select citemcode as code,citemname as name from " + itemTableOf(account.itemClass) +
                        " where citemcode=" + db::quoteLiteral(item);
    const db::Recordset rs = sql::openReadOnly(CN_, lookup);
    const Variant code = rs.eof() ? Variant::null() : rs.field("code").value();
    const Variant name = rs.eof() ? Variant::null() : rs.field("name").value();
    update("citem_id=" + literalOrNull(code) + ",citem_name=" + literalOrNull(name), ofItem);
  }

  void completePersonAndDepartment(const AccountAuxiliaries& account, const DraftLineKeys& line,
                                   const std::string& ofAccount) {
    if (account.person) {
      if (line.person.isNull()) {
        update("cdept_id=Null,cdept_name=Null", ofAccount + " and cperson_id is null");
        return;
      }
      const db::Recordset rs = sql::openReadOnly(
          CN_,
          "select d.cdepcode,d.cdepName from person p left join department d on p.cdepcode=d.cdepcode "
          "where p.cpersoncode=" +
              db::quoteLiteral(NullToStr(line.person)));
      const Variant code = rs.eof() ? Variant::null() : rs.field("cdepcode").value();
      const Variant name = rs.eof() ? Variant::null() : rs.field("cdepName").value();
      update("cdept_id=" + literalOrNull(code) + ",cdept_name=" + literalOrNull(name),
             ofAccount + " and cperson_id" + matches(line.person));
      return;
    }
    if (account.department) {
      update("cperson_id=Null,cperson_name=Null", ofAccount + " and cdept_id" + matches(line.department));
      return;
    }
    update("cperson_id=Null,cperson_name=Null,cdept_id=Null,cdept_name=Null", ofAccount);
  }

  db::Connection& CN_;
  const std::string& table_;
};

}  // namespace

void UpdateItemClass(db::Connection& CN, const std::string& table) {
  Completion completion(CN, table);
  for (const DraftLineKeys& line : readLines(CN, table)) completion.completeLine(line);
  completion.clearLocalCurrency();
  completion.balance();
}

}  // namespace corvane
