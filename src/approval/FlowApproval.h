#pragma once
// "AuditVouch": the approval pages of the flow approve one flow step of each listed voucher, or
// take one back. Each voucher is served in its own transaction: its flow step, and, when the step
// finishes the flow (or the voucher is in no flow), the budget check that writes or clears the
// approver, stand or fall together.
//
// Request (searched from the document root): `//EASTdata/task` with `EAAID` and `remark`, the
// task handed to the flow; `//strGUID/Rows` with `flag` ("1" approve, else take back) and one
// child per voucher with `strGUID`, `ts`, `strType` ("KX01", "KX02", "KX03") and `strVouchID`.
//
// Answers "<Return />" and true when every voucher went through without a message. Otherwise the
// messages of all vouchers run together (a refusal of the voucher's kind, right, state or row
// version; the flow's reason, ending in a line feed; a budget text wrapped in 0176) in the error
// reply "Corvane:CLoan:recordGet:9000", and false; the vouchers that went through stay committed.
// Any other run-time error ends the func with its error reply (VoucherListErrorReply).

#include <string>

#include "request/RequestFrame.h"

namespace corvane {

struct AuditKind;
struct AuditHead;

class FlowApproval {
 public:
  explicit FlowApproval(FuncCall& call) : call_(call) {}

  bool serve();

 private:
  struct Row {
    std::string guid;
    std::string ts;
    std::string strType;
    std::string strVouchID;
  };

  void serveRow(const Row& row);
  void step(const Row& row, const AuditKind& kind);
  void refuse(const std::string& text);

  FuncCall& call_;
  std::string task_;
  bool approving_ = false;
  bool failed_ = false;
  std::string messages_;
};

}  // namespace corvane
