#pragma once
// Person settings: the department tree and person pickers, a person's grade and bank accounts,
// the person's three loan limits (days, count and amount of unsettled loans) and the export list
// of all persons. One right ("KX0105") and one transaction for the whole request.

#include <span>

#include "request/RequestFrame.h"

namespace corvane {

class CPerson : public FramedClass<CPerson> {
 public:
  static const FrameSettings kFrame;
  static const std::span<const FuncEntry<CPerson>> kFuncs;

  // "getdepart": the department tree within the user's row rights.
  bool getDepart(FuncCall& call);
  // "getperlist": the persons of a department and of the departments below it.
  bool getPerList(FuncCall& call);
  // "getperbas": one person's grade and contact data as a single `row`.
  bool getPerBas(FuncCall& call);
  // "saveperbas": saves the person's grade, then answers like "getperbas".
  bool savePerBas(FuncCall& call);
  // "getperacc": the person's bank accounts.
  bool getPerAcc(FuncCall& call);
  // "saveperacc": inserts, updates and deletes bank accounts, then answers like "getperacc".
  bool savePerAcc(FuncCall& call);
  // "getperson": the three loan limits, with their current use when `Show` is given.
  bool getPerson(FuncCall& call);
  // "saveperson": saves the three loan limits, then answers like "getperson".
  bool savePerson(FuncCall& call);
  // "outputget": the export list of every person the user may see.
  bool outputGet(FuncCall& call);
};

}  // namespace corvane
