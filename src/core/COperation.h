#pragma once
// Operation types: the business types under which loans and claims are entered. The first digit
// of a type's code is its voucher kind (1 income claim, 2 expense claim, 3 loan).

#include <span>

#include "request/RequestFrame.h"

namespace corvane {

class COperation : public FramedClass<COperation> {
 public:
  static const FrameSettings kFrame;
  static const std::span<const FuncEntry<COperation>> kFuncs;

  // "edit": saves the rows under the first child of `in`, then answers the list read anew.
  bool recordEdit(FuncCall& call);
  // "get": the types of the request's locale as a `Rows` list.
  bool recordGet(FuncCall& call);
};

}  // namespace corvane
