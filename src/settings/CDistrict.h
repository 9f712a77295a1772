#pragma once
// Places: a tree under one unstored root, kept flat in KX_Position and placed by the place code
// rule, each place with a place grade. Claim lines name a begin and an end place; a place so
// named, or one with sub-places, cannot be deleted. Places are edited and deleted by code alone.

#include <span>

#include "request/RequestFrame.h"

namespace corvane {

class CDistrict : public FramedClass<CDistrict> {
 public:
  static const FrameSettings kFrame;
  static const std::span<const FuncEntry<CDistrict>> kFuncs;

  // "treeget": the place tree under its root.
  bool treeGet(FuncCall& call);
  // "new": adds a place at the top level or under a stored place; answers it as "get" does.
  bool recordNew(FuncCall& call);
  // "edit": renames a place and changes its grade; answers it as "get" does.
  bool recordEdit(FuncCall& call);
  // "del": deletes a place without sub-places that no claim line names.
  bool recordDel(FuncCall& call);
  // "get": one place with its grade's name as a `row` element.
  bool recordGet(FuncCall& call);
  // "outputget": every place as a flat list in tree order.
  bool outputGet(FuncCall& call);
};

}  // namespace corvane
