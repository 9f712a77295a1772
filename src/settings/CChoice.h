#pragma once
// The module's ten general options (rows 101 to 110 of the option table, module KX): read, and
// changed after checks that keep them consistent with the vouchers, items and places already
// stored and, for the two budget options, with the host's budget system. Each func takes its
// own right; an edit runs in a transaction of its own.

#include <span>

#include "request/RequestFrame.h"

namespace corvane {

// The budget system is the budget component of the login object's host.
class CChoice : public FramedClass<CChoice> {
 public:
  static const FrameSettings kFrame;
  static const std::span<const FuncEntry<CChoice>> kFuncs;

  // "get": one `head` element, an attribute per option in id order.
  bool recordGet(FuncCall& call);
  // "edit": checks the values under the first child of `in`, writes the options that changed
  // (and always the two day counts), then answers as "get".
  bool recordEdit(FuncCall& call);
};

}  // namespace corvane
