#pragma once
// What a claim may move through its receipt and payment lines (KX_BalanceInfo), so that no more
// money goes to the bank for a claim than its ledger voucher can balance:
// - an expense claim pays out its amount less its loan write-offs, with its receipts: its
//   payments (every line that is not a receipt) may come to at most that;
// - an income claim takes in its amount: all its lines, receipts and payments alike, are money
//   received and may come to at most that.
// Amounts count with their signs, exactly to the cent; a Null amount counts 0. Lines that move
// nothing (or less) are never too much, even while the write-offs pass the claim's amount.

#include <string>

namespace corvane {

struct FuncCall;

enum class LinesCounted {
  All,        // every line of the claim, as saved
  AtTheBank,  // the lines sent to the net bank (strPayID set), and the one about to be sent
};

// Raises "Z7.Corvane.0653" (with the lines' total and the claim's limit) when the counted lines
// of the claim `claim` exceed what it may move. `sending` names the line about to be sent to the
// bank (AtTheBank). A claim that does not exist is left alone. Reads on the call's connection;
// database errors reach the caller.
void RefuseClaimOverpayment(FuncCall& call, const std::string& claim, LinesCounted counted,
                            const std::string& sending = "");

}  // namespace corvane
