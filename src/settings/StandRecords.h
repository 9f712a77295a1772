#pragma once
// Expense standards and their departments. For any one item, a department belongs to at most
// one standard, so that a claim line finds its standard by its item and the claim's department.

#include "request/RequestFrame.h"

namespace corvane::stand {

// "getstand": every standard whose item exists, by name, its control type in the request's words.
bool GetStand(FuncCall& call);
// "savestand": inserts, updates and deletes standards, then answers the list.
bool SaveStand(FuncCall& call);
// "getdepart": the departments of one standard and the leaf departments it lacks, by code.
bool GetDepart(FuncCall& call);
// "savedepart": replaces the departments of one standard, then answers the list.
bool SaveDepart(FuncCall& call);

}  // namespace corvane::stand
