#pragma once
// The reports over loans and claims: the loan alert list ("loanalertdata"), the loan aging
// report with its intervals ("ageget", "ageset", "loanagedata") and the summary by operation
// type ("typecollectdata"). Every func takes its own right (KX0401, KX0402, KX0404), whose
// refusal is that func's answer while the walk goes on; nothing is written but the aging
// intervals, which the aging component of the login object's host keeps (one per func that needs
// it); no transaction is opened.
//
// A member answers true with its reply, or false after loading
// "<error><id>Corvane:CReport:<member>:<number></id><text>...</text></error>": 1001 when nothing
// matches (and for the reports' own request faults), 1011 beyond 10000 rows, any other run-time
// error with its number and the member's failure text when it has no description. The
// dispatcher's own errors answer "<error><id>Corvane:CReport:myHandle</id>..." without a number.

#include <span>

#include "request/RequestFrame.h"

namespace corvane {

class CReport : public FramedClass<CReport> {
 public:
  static const FrameSettings kFrame;
  static const std::span<const FuncEntry<CReport>> kFuncs;

  // One page of loans with their outstanding amounts.
  bool LoanAlertData(FuncCall& call);
  // The stored aging intervals: the component's document under an XML declaration; no answer
  // when it stores none. An `in/agetype` must be a 16-bit number when it is given.
  bool AgeGet(FuncCall& call);
  // Stores the first child of `in/age` as the intervals and answers "<success/>"; a failure when
  // the component refuses to store them.
  bool AgeSet(FuncCall& call);
  // Stores the intervals as AgeSet does (its failure answers ":0" with the report's failure
  // text), then answers the aging report (reports/LoanAgeReport.h).
  bool LoanAgeData(FuncCall& call);
  // The summary by operation type (reports/TypeCollectReport.h).
  bool typeCollectData(FuncCall& call);
};

}  // namespace corvane
