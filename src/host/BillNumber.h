#pragma once
// The host's bill-numbering component: per voucher card a numbering format document and the
// running serials of the numbers handed out. The module reaches it through InitBill,
// GetBillFormat and GetNumber; everything it keeps lives in the account database (the format
// in BillNumberFormat, the serials in BillNumberSeed).
//
// The format document: root 单据编号 with 允许手工修改 ("true": the user types numbers by hand),
// 重号自动重取 (read by the voucher saves), 流水号长度 (digits of the serial, 4 when missing) and
// 起始值 (the first serial, 1 when missing); one child 前缀 per part of the number, in order,
// each with 对象名称 (its kind), 源表字段名 (the voucher field that feeds it) and 种子 (that
// field's value, filled in by the caller). A part of the kind "常量" contributes its 内容; a
// part of the kind "日期" its 种子 read as a date and written by its 格式 (YYYY, YY, MM, DD);
// any other part its 种子 as it stands. The number is the parts followed by the serial; the
// serial counts per card and per text of the parts.

#include <memory>
#include <string>

namespace corvane {

namespace db {
class Connection;
}

class BillNumber {
 public:
  virtual ~BillNumber() = default;

  // Binds the component to the card `cardNumber` of the account behind `connection`, which must
  // stay open while the component is used. False when the card has no numbering format.
  virtual bool InitBill(db::Connection& connection, const std::string& cardNumber) = 0;
  // The card's format document as stored. Raises RuntimeError 91 before a successful InitBill.
  virtual std::string GetBillFormat() = 0;
  // The number that `filledFormat` (the format with the voucher's seeds filled in) gives. With
  // `take` true the number is drawn: its serial is stored as handed out, atomically, so that no
  // other call, on this connection or another, ever gets it again; inside a transaction of the
  // connection the draw belongs to that transaction. With `take` false the next number is only
  // shown. A format that allows manual numbers never draws. On return `take` tells whether the
  // number was drawn. Raises RuntimeError for a format that is not well-formed or a date seed
  // that is no date, and database errors as the database layer raises them; nothing is drawn
  // then.
  virtual std::string GetNumber(const std::string& filledFormat, bool& take) = 0;
};

// A new instance of the embedded component, kept in the account database.
std::unique_ptr<BillNumber> CreateBillNumber();

}  // namespace corvane
