#pragma once
// Expense standards: the standards with their departments, the effect items a standard's amount
// varies by, the value lists of those items, and the amount rows of a standard. One right
// ("KX0104") and one transaction for the whole request.

#include <span>

#include "request/RequestFrame.h"

namespace corvane {

class CStand : public FramedClass<CStand> {
 public:
  static const FrameSettings kFrame;
  static const std::span<const FuncEntry<CStand>> kFuncs;

  // "getstand" / "savestand": the list of standards, and its inserts, updates and deletes.
  bool GetStand(FuncCall& call);
  bool SaveStand(FuncCall& call);
  // "getdepart" / "savedepart": the departments of one standard, and their replacement.
  bool GetDepart(FuncCall& call);
  bool SaveDepart(FuncCall& call);
  // "geteffect" / "saveeffect": the effect items chosen for one standard, and their replacement.
  bool GetEffect(FuncCall& call);
  bool SaveEffect(FuncCall& call);
  // "saveeffectvalue" / "geteffectvalue": the value list of one effect item.
  bool SaveEffectValue(FuncCall& call);
  bool GetEffectValue(FuncCall& call);
  // "saveset" / "getset": the amount rows of one standard.
  bool SaveSet(FuncCall& call);
  bool GetSet(FuncCall& call);
};

}  // namespace corvane
