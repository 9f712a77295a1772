#pragma once
// Income and expense items: a tree under the fixed roots "1" (income) and "2" (expense), kept
// flat in KX_IOItem and placed by the item code rule. An item used by claim lines, ledger
// account settings or expense standards may neither get sub-items nor be deleted.

#include <span>

#include "request/RequestFrame.h"

namespace corvane {

class CRPItem : public FramedClass<CRPItem> {
 public:
  static const FrameSettings kFrame;
  static const std::span<const FuncEntry<CRPItem>> kFuncs;

  // "treeget": the item tree under its two roots.
  bool treeGet(FuncCall& call);
  // "new": adds a leaf under a root or a stored, unused item; answers it as "get" does.
  bool recordNew(FuncCall& call);
  // "edit": renames an item and changes its operation type; answers it as "get" does.
  bool recordEdit(FuncCall& call);
  // "del": deletes an unused leaf; its parent becomes a leaf again when it was the last child.
  bool recordDel(FuncCall& call);
  // "get": one item as a `row` element.
  bool recordGet(FuncCall& call);
  // "outputget": every item as a flat list in tree order, the expense root first.
  bool outputGet(FuncCall& call);
};

}  // namespace corvane
