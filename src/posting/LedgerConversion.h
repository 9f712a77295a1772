#pragma once
// Conversion of a draft ledger voucher into a general-ledger voucher: the host's importer writes
// the voucher from the draft table, the source vouchers get their back-links (PZGUID = batch id,
// strMakerID = the converting user), the net bank learns which paid rows now belong to a ledger
// voucher, and, once all of that is committed, bill-settled claim lines are registered as cheques.

#include <set>
#include <string>

namespace corvane {

class LoginContext;
class XmlDocument;
class XmlNode;
namespace db {
class Connection;
}

// What the voucher maker hands the conversion from its working state.
struct PostingDraft {
  std::string draftTable;  // "tempdb.." + the draft table's name
  std::string batchId;     // the lines' coutno_id, the sources' PZGUID to be
  // GUIDs of the vouchers this request claimed (strMakerID = TAB) and committed before converting.
  // They pass the source check by that claim instead of the row version, and are released
  // (strMakerID back to Null) when the conversion fails.
  std::set<std::string> claimedGuids;
};

// Converts the draft of `draft` into a ledger voucher through the importer and the net bank of the
// login object's host. The source vouchers are the children of
// //daily (attributes strtypecode: first character "3" a loan, else a claim; guid; ts, the row
// version the client read) in the request document of `funcNode`; all of them belong to the
// voucher, whatever //in/@con says.
//
// In one transaction on `CN` (the caller's, when it has one open: the caller then commits it),
// ended only when everything passed: the importer writes the
// voucher; the sources named in the draft (coutid and the GUIDs in VouchGUID) must be exactly the
// sources of //daily, else "Z7.Corvane.0681"; each source must be within the user's data rights,
// approved (a claim also settled, strVerifier), unposted and unclaimed with the row version the
// client read (or claimed by this request), else "Z7.Corvane.0167"; none may have a payment row
// at the net bank not yet confirmed ("Z7.Corvane.0294" loan, "Z7.Corvane.0295" claim); the back-
// links are written; every paid payment row of the batch is recorded by the net bank (a refusal
// ends the conversion with the bank's text).
//
// Any failure rolls everything back (the importer's voucher included, so a voucher is never
// posted twice or without its back-links), releases the request's claims, writes the error reply
// "Corvane:CLoan:recordGet:<number>" (the importer's own number for its refusal, 9000 for the
// other refusals, the database's for its errors) and answers false; a transaction it opened is
// not left open. Registers no cheque.
bool ConvertDraft(LoginContext& ologin, db::Connection& CN, const XmlNode& funcNode, XmlDocument& oXml,
                  const PostingDraft& draft);

// Registers the cheques of a converted draft, once its conversion is committed and no transaction
// is open on `CN` (the cheque book writes on a connection of its own, which would wait for this
// one's write lock). Each line with a bill number, an account and a bill settle style
// (SettleStyle.bSSFlag 1) whose sources (coutid and VouchGUID) hold a claim of the batch is
// registered once, with that claim's person: the claim whose receipt or payment row carries the
// bill number, else the first. A loan's bill line is left alone: its cheque was registered at the
// loan's approval. Refusals, and any failure of the book or the database, become the warning
// reply "Corvane:CExpend:SaveVouch:ExpenStandard" (each text followed by CR LF); otherwise the
// reply stays as it is. Never raises.
void RegisterDraftCheques(LoginContext& ologin, db::Connection& CN, const PostingDraft& draft, XmlDocument& oXml);

// With no transaction open on `CN`: ConvertDraft in its own transaction, then, after its commit,
// RegisterDraftCheques. Answers ConvertDraft's answer; cheque refusals never change it.
bool ConvertPZ(LoginContext& ologin, db::Connection& CN, const XmlNode& funcNode, XmlDocument& oXml,
               const PostingDraft& draft);

}  // namespace corvane
