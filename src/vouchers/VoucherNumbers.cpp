#include "vouchers/VoucherNumbers.h"

#include <memory>
#include <string>
#include <string_view>

#include "host/Host.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/PubCommon.h"
#include "request/RequestFrame.h"
#include "request/RequestText.h"
#include "request/Values.h"

namespace corvane {

namespace {

// What reading a missing attribute into a text gave: "Invalid use of Null".
constexpr std::int32_t kInvalidUseOfNull = 94;

std::string lowerAscii(std::string text) {
  for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return text;
}

std::string requiredAttribute(const XmlNode& node, std::string_view name) {
  const std::optional<std::string> value = node.findAttribute(name);
  if (!value) throw RuntimeError(kInvalidUseOfNull, "Invalid use of Null");
  return *value;
}

bool allowsManualNumbers(const XmlDocument& format) {
  return lowerAscii(format.documentElement().attribute("允许手工修改")) == "true";
}

std::unique_ptr<BillNumber> initBill(FuncCall& call, const std::string& card) {
  std::unique_ptr<BillNumber> bill = call.host().billNumber();
  if (!bill->InitBill(call.CN, card)) raiseMessageNumbered(0, "Z7.Corvane.0099");
  return bill;
}

void loadFormat(XmlDocument& document, BillNumber& bill) {
  if (!document.loadXML(bill.GetBillFormat())) raiseMessageNumbered(0, "Z7.Corvane.0100");
}

XmlNode voucherHeadRow(const XmlNode& func) {
  const XmlNode persisted = func.selectSingleNode("in/voucher/rs:data/z:row");
  return persisted ? persisted : func.selectSingleNode("in/voucher/head/z:row");
}

// A field whose name ends in "date" (any case) holding a date-time keeps its date part.
std::string seedValue(const std::string& field, std::string value) {
  const bool dateField = field.size() >= 4 && lowerAscii(field.substr(field.size() - 4)) == "date";
  if (dateField) value = value.substr(0, value.find('T'));
  return value;
}

void fillSeeds(XmlDocument& format, const XmlNode& head) {
  for (XmlNode part : format.selectNodes("//单据编号/前缀")) {
    if (requiredAttribute(part, "对象名称") == "远程号") continue;
    const std::string field = requiredAttribute(part, "源表字段名");
    if (!head) {
      raiseObjectMissing();
    }
    part.setAttribute("种子", seedValue(field, head.attribute(field)));
  }
}

}  // namespace

void AnswerNumberFormat(FuncCall& call) {
  const std::string card = RequiredText(call.oNode, "in/type");
  const std::unique_ptr<BillNumber> bill = initBill(call, card);
  loadFormat(call.oXml, *bill);
}

void AnswerVoucherNumber(FuncCall& call) {
  const std::string card = RequiredText(call.oNode, "in/type");
  const XmlNode flag = call.oNode.selectSingleNode("in/true");
  bool take = flag ? CBool(Variant(flag.text())) : false;
  const XmlNode head = voucherHeadRow(call.oNode);
  const std::unique_ptr<BillNumber> bill = initBill(call, card);
  XmlDocument format;
  loadFormat(format, *bill);
  fillSeeds(format, head);
  std::string number = bill->GetNumber(format.xml(), take);
  if (allowsManualNumbers(format)) number.clear();
  if (number.empty()) raiseMessageNumbered(0, "Z7.Corvane.0107");
  loadReply(call.oXml, "<?xml version='1.0' encoding='utf-8'?><vchno>" + XmlEncode(number) + "</vchno>");
}

bool ServeNumberFormat(FuncCall& call) {
  return pub::served(call, "VchNoFormatGet", "Z7.Corvane.0109", AnswerNumberFormat);
}

bool ServeVoucherNumber(FuncCall& call) {
  return pub::served(call, "VchNoGet", "Z7.Corvane.0108", AnswerVoucherNumber);
}

}  // namespace corvane
