#pragma once
// The amount rows of an expense standard: one value code per chosen effect item, the amount
// allowed for that combination and a rate.

#include "request/RequestFrame.h"

namespace corvane::stand {

// "getset": the amount rows of one standard with the names of their values.
bool GetSet(FuncCall& call);
// "saveset": inserts, updates and deletes amount rows, then answers the list.
bool SaveSet(FuncCall& call);

}  // namespace corvane::stand
