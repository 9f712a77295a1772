#pragma once
// Voiding of general-ledger vouchers that posting made: the voucher is marked voided in the ledger
// (GL_accvouch.iflag 1), the net bank forgets the ledger link of its payment rows, and its source
// vouchers lose their back-links (strMakerID, PZGUID) so that they can be posted again.

#include <string>

namespace corvane {

class LoginContext;
class XmlDocument;
class XmlNode;
namespace db {
class Connection;
}

// The func "cancelpz": voids the ledger voucher of every child of `funcNode`'s own in/rows (never
// of another func of the request), each in its own transaction; a refused row does not stop the
// others.
// Answers true with the reply "<Return />" when every row was voided; otherwise false with the
// error reply "Corvane:CLoan:recordGet:9000" whose text lists each refused row by its 1-based
// position (message "Z7.Corvane.0299").
bool CancelPZList(const LoginContext& ologin, db::Connection& CN, const XmlNode& funcNode, XmlDocument& oXml);

// Voids the ledger voucher of one row of the ledger-voucher list (attributes pzguid, iflag,
// strpzcode, ino_id, isignseq), with the net bank of the login object's host, under its lock (LockPZ) in a transaction
// of its own. Answers "" when voided, else the text that refused it, with nothing of it changed:
// - a voucher made from a voucher outside the user's data rights (LedgerVoucherOutsideRights), as
//   one that does not exist, before any guard but the numbers' checks: "Z7.Corvane.0300";
// - a row showing the voided state (in any language), no batch id, or no ledger row of that
//   number and batch: "Z7.Corvane.0300";
// - ino_id not a whole number, isignseq (or strpztypeid, as the list names it) given and not a
//   whole number, or, where GL_LTDATA1 is read, no isignseq or a period in strpzcode that is not
//   a whole number: "Z7.Corvane.0680";
// - the ledger's marks (GL_LTDATA1, when the table exists) 0303; over budget 0304; checked or
//   signed by the cashier 0305; booked (cbook or ibook 1) 0690; a ledger task running in the
//   account (system database's UA_Task) 0306 to 0310; referred to by another process (ssxznum)
//   0311;
// - the net bank refusing to forget a link (its text), the voucher locked (0025), no source
//   voucher of the batch (0300), a database error (its description).
std::string CancelPZ(const LoginContext& ologin, db::Connection& CN, const XmlNode& row);

}  // namespace corvane
