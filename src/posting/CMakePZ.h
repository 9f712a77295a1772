#pragma once
// General-ledger vouchers from approved loans and claims. "makepz" drafts the ledger voucher of
// the vouchers a request names in a draft table in tempdb (one line per ledger line, in the host
// importer's layout) and, unless the request asks for the draft only, converts it into a ledger
// voucher. "cancelpz" voids such vouchers; "SaveTempPZData" posts an edited preview. A draft
// table is the func's own: "makepz", "getpzdata" and "SaveTempPZData" drop the tables they made
// when they end, on every path. The dispatcher takes the right "KX0206" for the whole request and opens no
// transaction: draft making holds its own up to the draft's commit.

#include <span>
#include <string>
#include <vector>

#include "posting/DraftState.h"
#include "request/RequestFrame.h"

namespace corvane {

class CMakePZ : public FramedClass<CMakePZ> {
 public:
  static const FrameSettings kFrame;
  static const std::span<const FuncEntry<CMakePZ>> kFuncs;

  // "makepz", in the parameter form (in/pztype, in/pzdate, optional in/blnTemp: "1" or missing =
  // the draft only; in/rows with one element per voucher) or the row form (in@csign,
  // in@dbill_date, each child of `in` with a `guid` one voucher, never converted). Each voucher
  // element carries strtypecode, guid and strvouchid (and `ts`, which a voucher claimed for
  // conversion must still have). Prepares the working state anew and drafts (MakePZ); the draft
  // tables are dropped when the func ends.
  bool makepz(FuncCall& call);

  // Makes the working state ready for a new draft: line 1, no claims, a new batch id; `preview`
  // claims nothing.
  void PrepareDraftMaking(FuncCall& call, bool preview);

  // Drafts the vouchers of the func `call.oNode` into a new draft table within one transaction:
  // refuses a voucher with a payment at the net bank not yet confirmed (0294 loan, 0295 claim)
  // before anything is written; checks (or, for a conversion, claims) each voucher, which must be
  // approved, neither posted nor claimed and within the user's data rights (0334), and writes its
  // lines; finally gives every line the voucher date, batch id, document total and maker,
  // converts when the request asks for it (ConvertPZ, within the same transaction) and commits;
  // after the commit, registers the converted voucher's cheques (RegisterDraftCheques: refusals
  // are a warning reply, the answer stays true).
  // Any failure rolls all of it back (claims and draft included) and answers false with the
  // error reply "Corvane:CLoan:recordGet:<number>".
  bool MakePZ(FuncCall& call);

  // Gives every draft line the voucher date, the batch id, the draft's total document count and
  // the maker. Database errors reach the caller.
  void UpdatePublicInfo(FuncCall& call);

  // "getpzdata": with //in/blnTemp "1" the lines of a ledger voucher made here, by its code
  // //in/strpzcode (GetGLPZData); otherwise a preview of the draft of the vouchers in the row form
  // of "makepz" (GetTempPZData), which claims nothing and leaves no table behind.
  bool GetPZData(FuncCall& call);
  // Drafts (MakePZ in preview), numbers the lines with an amount 1, 2, 3 and answers them as
  // "<Rows>" with one `row` per line; a draft without amounts is refused (0312).
  bool GetTempPZData(FuncCall& call);
  // "<Rows>" with the lines of the ledger voucher "csign-iperiod-ino_id" made by this module; none
  // for a voucher made from a voucher outside the user's data rights (LedgerVoucherOutsideRights).
  bool GetGLPZData(FuncCall& call);

  // Turns the draft into a ledger voucher within MakePZ's transaction (LedgerConversion's
  // ConvertDraft over the working state; no cheque): the vouchers this request claimed pass by
  // their claim; they are posted, or given back when the conversion fails. Answers the
  // conversion's answer.
  bool ConvertPZ(FuncCall& call);

  // "cancelpz": voids the ledger vouchers of //in/rows (CancelPZList). The dispatcher checks the
  // module lock first.
  bool cancelpz(FuncCall& call);

  // "SaveTempPZData": writes the edited lines of //Rows into a new draft table and converts it
  // (EditedDraftSave's SaveTempPZData), which is dropped when the func ends; the working state
  // names that draft and its batch. The dispatcher checks the module lock first.
  bool SaveTempPZData(FuncCall& call);

  const DraftState& state() const { return state_; }

 private:
  // Checks or claims one source voucher and writes its lines (raises on failure).
  void MakeVouchRows(FuncCall& call, const XmlNode& voucher, bool claim);

  DraftState state_;
};

}  // namespace corvane
