#include "vouchers/Templates.h"

#include <cstdint>
#include <optional>
#include <string_view>

#include "host/Host.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/db/RecordsetXml.h"
#include "platform/tsql/SqlLiteral.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/PubCommon.h"
#include "request/QueryBuilders.h"
#include "request/RequestFrame.h"
#include "request/RequestText.h"
#include "request/RowXml.h"
#include "request/SqlGateway.h"
#include "request/Values.h"

namespace corvane {

namespace {

constexpr std::string_view kDeclaration = "<?xml version='1.0' encoding='utf-8'?>";
constexpr std::string_view kNoRights = "1=2";
constexpr int kLargestMode = 255;

std::string rightsClause(const std::string& rights) {
  if (rights == kNoRights) return " and 1=2";
  if (!rights.empty()) return " and vt_id in (" + rights + ")";
  return {};
}

// The mode as a byte: the numeric value of the text (0 for no number), rounded; overflow
// outside 0 to 255.
int templateMode(const XmlNode& func) {
  const XmlNode kind = func.selectSingleNode("in/kind");
  if (!kind) return 0;
  const std::int32_t mode = CLng(Variant::dbl(NullToNum(Variant(kind.text()))));
  if (mode < 0 || mode > kLargestMode) raiseOverflow();
  return mode;
}

std::string printFormatSql(const std::string& key) {
  return "select top 1 * from prn_format where moduleid=" + db::quoteLiteral(key);
}

}  // namespace

std::string TemplateRights(LoginContext& login, const std::string& cardNumber) {
  return GetRowAuth(login, "djmb", cardNumber);
}

std::string TemplateListSql(const std::string& cardNumber, int mode, const std::string& rights) {
  return "Select vt_id,vt_name,vt_cardnumber From VoucherTemplates Where vt_cardnumber=" +
         db::quoteLiteral(cardNumber) + " and vt_templatemode=" + std::to_string(mode) + rightsClause(rights);
}

std::string DefaultTemplateSql(const std::string& cardNumber, const std::string& rights) {
  return "Select top 1 vt_id,vt_cardnumber From VoucherTemplates Where vt_cardnumber=" + db::quoteLiteral(cardNumber) +
         " and vt_templatemode=0" + rightsClause(rights);
}

std::string AllowedTemplateSql(const std::string& cardNumber, const std::string& rights,
                               const std::string& templateId) {
  return "Select vt_id,vt_name,vt_cardnumber From VoucherTemplates Where vt_cardnumber=" +
         db::quoteLiteral(cardNumber) + " and vt_id in (" + rights + ") and vt_id=" + db::quoteLiteral(templateId);
}

void AnswerTemplateList(FuncCall& call) {
  const int mode = templateMode(call.oNode);
  const std::string card = RequiredText(call.oNode, "in/type");
  db::Recordset rs = sql::open(call.CN, TemplateListSql(card, mode, TemplateRights(call.ologin, card)));
  loadReply(call.oXml, std::string(kDeclaration) + "<rows>" + RsToRowXml(rs) + "</rows>");
}

void AnswerTemplate(FuncCall& call) {
  const std::string card = RequiredText(call.oNode, "in/type");
  std::string id = OptionalText(call.oNode, "in/id");
  const bool test = !OptionalText(call.oNode, "in/test").empty();
  const std::string rights = TemplateRights(call.ologin, card);
  if (!id.empty()) {
    if (rights == kNoRights) raiseMessageNumbered(0, "Z7.Corvane.0094");
    if (!rights.empty() && !sql::exists(call.CN, AllowedTemplateSql(card, rights, id))) {
      raiseMessageNumbered(0, "Z7.Corvane.0094");
    }
  } else {
    const db::Recordset first = sql::open(call.CN, DefaultTemplateSql(card, rights));
    if (test) {
      loadReply(call.oXml, first.eof() ? "<Rows/>" : "<Rows>1</Rows>");
      return;
    }
    if (first.eof()) raiseMessageNumbered(0, "Z7.Corvane.0093");
    id = CStr(first.field("vt_id").value());
  }
  const db::Recordset data = call.host().formTemplate()->GetTemplateData2(call.CN, card, id);
  if (data.eof()) raiseMessageNumbered(0, "Z7.Corvane.0095");
  db::saveAsXml(data, call.oXml);
}

bool ServeTemplate(FuncCall& call) { return pub::served(call, "VchModuleGet", "Z7.Corvane.0095", AnswerTemplate); }

void AnswerFixedData(FuncCall& call) {
  const std::string id = RequiredText(call.oNode, "in/id");
  const std::optional<db::Recordset> data = call.host().formTemplate()->GetFixedData(call.CN, id);
  if (!data) raiseMessageNumbered(0, "Z7.Corvane.0096");
  db::saveAsXml(*data, call.oXml);
}

void AnswerLogo(FuncCall& call) {
  const std::string logo = call.host().formTemplate()->GetCompanyLogoImageData(call.CN);
  loadReply(call.oXml, "<logo>" + XmlEncode(logo) + "</logo>");
}

void AnswerPrintFormat(FuncCall& call) {
  const std::string key = RequiredText(call.oNode, "in/key");
  const db::Recordset rs = sql::open(call.CN, printFormatSql(key));
  if (rs.eof()) raiseMessageNumbered(0, "Z7.Corvane.0097");
  loadReply(call.oXml,
            std::string(kDeclaration) + "<printset>" + XmlEncode(CStr(rs.field("formatxml").value())) + "</printset>");
}

void StorePrintFormat(FuncCall& call) {
  const std::string key = RequiredText(call.oNode, "in/key");
  const std::string format = RequiredText(call.oNode, "in/printset");
  if (sql::exists(call.CN, printFormatSql(key))) {
    sql::execute(call.CN, "update prn_format set formatxml=" + db::quoteLiteral(format) +
                              " where moduleid=" + db::quoteLiteral(key));
  } else {
    sql::execute(call.CN, "insert into prn_format (moduleid,formatxml) values (" + db::quoteLiteral(key) + "," +
                              db::quoteLiteral(format) + ")");
  }
  loadReply(call.oXml, "<success/>");
}

}  // namespace corvane
