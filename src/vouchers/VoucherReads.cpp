#include "vouchers/VoucherReads.h"

#include <functional>
#include <optional>

#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/db/RecordsetXml.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/ErrorReply.h"
#include "request/Locale.h"
#include "request/Messages.h"
#include "request/RequestFrame.h"
#include "request/RequestText.h"
#include "request/SqlGateway.h"
#include "request/Values.h"
#include "vouchers/Templates.h"
#include "vouchers/VoucherCard.h"
#include "vouchers/VoucherRights.h"

namespace corvane {

const VoucherReadKind kLoanReads{
    "CLoan",
    "KX_LoanVouch",
    "vwKXLoanHead",
    "Localeid",
    "vwKXLoanBody",
    false,
    "dbo.KX_OperationType.strShowModel = dbo.VoucherTemplates.VT_ID Left Outer Join Vouchers On "
    "VoucherTemplates.VT_CardNumber = Vouchers.CardNumber ",
    " ",
    " Order By dbo.Vouchers.DEF_ID"};

const VoucherReadKind kClaimReads{"CExpense",
                                  "KX_ExpenVouch",
                                  "vwKXExpenHead",
                                  "LocaleID",
                                  "vwKXExpenBody",
                                  true,
                                  "dbo.KX_OperationType.strShowModel = dbo.VoucherTemplates.VT_ID ",
                                  "",
                                  ""};

namespace {

constexpr std::string_view kHeadColumns = "*,'' as editprop,' ' As strItem,'0' As NumPoint";

bool answerRead(const VoucherReadKind& kind, std::string_view member, FuncCall& call,
                const std::function<void()>& read) {
  return answerAsMember(
      call.oXml, kind.className, member,
      [&] {
        read();
        return true;
      },
      VoucherFailureText);
}

std::optional<std::string> voucherId(const VoucherReadKind& kind, FuncCall& call, const std::string& currentAutoID) {
  const XmlNode in = call.oNode.child("in");
  const XmlNode first = in ? in.firstChild() : XmlNode();
  if (!first) raiseObjectMissing();
  const std::string requested = first.attribute("AutoID");
  const std::optional<std::string> id = WholeNumber(requested.empty() ? currentAutoID : requested);
  if (id && !VoucherRights(call.ologin, kind.headTable).containsId(call.CN, *id)) return std::nullopt;
  return id;
}

std::string headSql(const VoucherReadKind& kind, const std::optional<std::string>& id) {
  const std::string locale = db::quoteLiteral(gLocaleID);
  if (!id && kind.emptyByFalseFilter) {
    return "Select Top 1 " + std::string(kHeadColumns) + " From " + std::string(kind.headView) + " Where 1 = 2 and " +
           std::string(kind.headLocaleColumn) + "=" + locale;
  }
  return "Select " + std::string(kHeadColumns) + " From " + std::string(kind.headView) + " Where " +
         std::string(kind.headLocaleColumn) + "=" + locale + " and AutoID = " + id.value_or("0");
}

std::string bodySql(const VoucherReadKind& kind, const std::optional<std::string>& id) {
  const std::string select = "Select *,'' as editprop From " + std::string(kind.bodyView);
  if (!id && kind.emptyByFalseFilter) return select + " Where 1=2";
  return select + " Where AutoID = " + id.value_or("0");
}

// An item class names the table fitemss<class>; anything but letters and digits names none.
bool isPlainClassCode(const std::string& itemClass) {
  return itemClass.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789") ==
         std::string::npos;
}

std::string itemName(FuncCall& call, const std::string& itemClass, const std::string& item) {
  if (!isPlainClassCode(itemClass)) return {};
  const std::string sql =
      itemClass == "ch"
          ? "Select cinvname As strName From inventory Where cinvcode = " + db::quoteLiteral(item)
          : "Select citemname As strName From fitemss" + itemClass + " Where citemcode = " + db::quoteLiteral(item);
  const db::Recordset rs = sql::open(call.CN, sql);
  return rs.eof() ? std::string() : NullToStr(rs.field("strName").value());
}

std::optional<std::string> currencyDecimals(FuncCall& call, const std::string& currency) {
  const db::Recordset rs = sql::open(
      call.CN, "SELECT idec FROM dbo.foreigncurrency WHERE (cexch_name = " + db::quoteLiteral(currency) + ")");
  if (rs.eof()) return std::nullopt;
  return CStr(rs.field("idec").value());
}

// Fills strItem and NumPoint of the answered row from the head's item and currency.
void completeHeadRow(FuncCall& call, const db::Recordset& head) {
  const std::string itemClass = NullToStr(head.field("strItemClassID").value());
  const std::string item = NullToStr(head.field("strItemID").value());
  const std::string currency = NullToStr(head.field("strbill").value());
  XmlNode row = call.oXml.documentElement().selectSingleNode("rs:data/z:row");
  if (!itemClass.empty() && !item.empty()) row.setAttribute("strItem", itemName(call, itemClass, item));
  if (!currency.empty()) {
    if (const std::optional<std::string> decimals = currencyDecimals(call, currency)) {
      row.setAttribute("NumPoint", *decimals);
    }
  }
}

std::string operListSql(const VoucherReadKind& kind, const std::string& card, const std::string& rights) {
  std::string sql =
      "SELECT dbo.KX_OperationType.strCode, dbo.KX_OperationType.strName, "
      "dbo.KX_OperationType.strShowModel,dbo.KX_OperationType.strPrintModel "
      "FROM dbo.KX_OperationType LEFT OUTER JOIN dbo.VoucherTemplates VoucherTemplates_1 ON "
      "dbo.KX_OperationType.strPrintModel = VoucherTemplates_1.VT_ID LEFT OUTER JOIN "
      "dbo.VoucherTemplates ON " +
      std::string(kind.operTemplateJoin) +
      "Where IsNull(dbo.VoucherTemplates.VT_CardNumber,'') = " + db::quoteLiteral(card) +
      std::string(kind.operCardClose) + "And IsNull(VoucherTemplates_1.VT_CardNumber,'') = " + db::quoteLiteral(card);
  if (rights == "1=2") {
    sql += " and 1=2";
  } else if (!rights.empty()) {
    sql += " and dbo.KX_OperationType.strShowModel in (" + rights + ") ";
  }
  return sql + std::string(kind.operOrder);
}

bool sameName(std::string_view left, std::string_view right) {
  if (left.size() != right.size()) return false;
  for (std::size_t i = 0; i < left.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(left[i]) != lower(right[i])) return false;
  }
  return true;
}

std::string optionAttributeName(const std::string& column) {
  if (sameName(column, "strCode")) return "value";
  if (sameName(column, "strName")) return "text";
  return column;
}

std::string optionElement(const db::Recordset& rs, std::string& strShowModel) {
  std::string element = "<option ";
  for (int i = 0; i < rs.fieldCount(); ++i) {
    const db::Field& field = rs.field(i);
    const std::string value = CStr(field.value());
    if (sameName(field.name(), "strShowModel") && strShowModel.empty()) strShowModel = value;
    element += optionAttributeName(field.name()) + "='" + XmlEncode(value) + "' ";
  }
  return element + "/>";
}

}  // namespace

bool ReadVoucherHead(const VoucherReadKind& kind, FuncCall& call, const std::string& currentAutoID,
                     std::string* cardNumber) {
  return answerRead(kind, "GetVoucherHead", call, [&] {
    const std::optional<std::string> id = voucherId(kind, call, currentAutoID);
    const db::Recordset head = sql::open(call.CN, headSql(kind, id));
    const bool found = !head.eof();
    if (found && cardNumber != nullptr) {
      *cardNumber = CardNumber(NullToStr(head.field("strTypeCode").value()));
    }
    db::saveAsXml(head, call.oXml);
    if (found) completeHeadRow(call, head);
  });
}

bool ReadVoucherBody(const VoucherReadKind& kind, FuncCall& call, const std::string& currentAutoID) {
  return answerRead(kind, "GetVoucherBody", call, [&] {
    const std::optional<std::string> id = voucherId(kind, call, currentAutoID);
    const db::Recordset body = sql::open(call.CN, bodySql(kind, id));
    db::saveAsXml(body, call.oXml);
  });
}

bool ReadOperList(const VoucherReadKind& kind, FuncCall& call, bool hasCurrentVoucher, std::string* cardNumber,
                  std::string& strShowModel) {
  return answerRead(kind, "GetOperList", call, [&] {
    const bool useCurrentCard = cardNumber != nullptr && hasCurrentVoucher;
    const std::string card = useCurrentCard ? *cardNumber : RequiredText(call.oNode, "in/type");
    if (cardNumber != nullptr && !useCurrentCard) *cardNumber = card;
    db::Recordset rs = sql::open(call.CN, operListSql(kind, card, TemplateRights(call.ologin, card)));
    std::string options;
    for (; !rs.eof(); rs.moveNext()) options += optionElement(rs, strShowModel);
    loadReply(call.oXml, "<rows>" + options + "</rows>");
  });
}

}  // namespace corvane
