#include "posting/LedgerConversion.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

#include "host/Host.h"
#include "host/LoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"
#include "posting/DraftLine.h"
#include "posting/LedgerRights.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/QueryBuilders.h"
#include "request/RequestTransaction.h"
#include "request/RowVersion.h"
#include "request/SqlGateway.h"
#include "vouchers/Cheques.h"

namespace corvane {

namespace {

// The net bank's code for this module's payment rows, and the module it records.
constexpr int kBankSource = 4;
constexpr const char* kModule = "KX";
// The mark of a voucher claimed by a request that is making its ledger voucher.
constexpr const char* kClaimMark = "\t";

// One source voucher of the request.
struct SourceVoucher {
  std::string guid;
  std::string ts;
  bool isLoan;
};

std::string upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

std::string textOf(const Variant& value) { return value.isNull() || value.isEmpty() ? std::string() : CStr(value); }

// The vouchers of //daily, each once, in request order.
std::vector<SourceVoucher> requestSources(const XmlNode& funcNode) {
  std::vector<SourceVoucher> sources;
  std::set<std::string> seen;
  for (const XmlNode& row : funcNode.selectNodes("//daily/*")) {
    const std::string guid = row.attribute("guid");
    if (!seen.insert(upper(guid)).second) continue;
    sources.push_back({guid, row.attribute("ts"), row.attribute("strtypecode").rfind('3', 0) == 0});
  }
  return sources;
}

// The source GUIDs of a draft line (LineSources).
std::vector<std::string> lineSources(const db::Recordset& line) {
  return LineSources(textOf(line.field("coutid").value()), textOf(line.field("VouchGUID").value()));
}

// The source GUIDs the draft's lines name.
std::set<std::string> draftSources(db::Connection& CN, const std::string& draftTable) {
  std::set<std::string> guids;
  for (db::Recordset rs = sql::openReadOnly(CN, "Select coutid, VouchGUID From " + draftTable); !rs.eof();
       rs.moveNext()) {
    for (std::string& guid : lineSources(rs)) guids.insert(std::move(guid));
  }
  return guids;
}

void requireSameSources(const std::set<std::string>& inDraft, const std::vector<SourceVoucher>& sources) {
  std::set<std::string> named;
  for (const SourceVoucher& source : sources) named.insert(upper(source.guid));
  if (named.empty() || named != inDraft) raiseMessage("Z7.Corvane.0681");
}

void importVoucher(LoginContext& ologin, db::Connection& CN, const PostingDraft& draft) {
  const std::unique_ptr<VoucherImporter> importer = ologin.host().voucherImporter(CN);
  if (!importer->InitLogin(ologin)) raiseBusiness(importer->LastErrorText());
  importer->TableName(draft.draftTable);
  if (!importer->Run()) throw RuntimeError(importer->LastErrorNumber(), importer->LastErrorText());
  const db::Recordset rs =
      sql::openReadOnly(CN, "Select Count(*) From GL_accvouch Where coutno_id = " + db::quoteLiteral(draft.batchId) +
                                " And IsNull(iflag,0) <> 1");
  if (CLng(rs.field(0).value()) == 0) raiseMessage("Z7.Corvane.0681");
}

const char* headTable(const SourceVoucher& source) { return source.isLoan ? "KX_LoanVouch" : "KX_ExpenVouch"; }

// The state a source must be in: unclaimed as the client read it, or claimed by this request.
std::string postableCondition(const SourceVoucher& source, const PostingDraft& draft) {
  const bool claimedHere = draft.claimedGuids.count(source.guid) > 0;
  std::string condition;
  if (claimedHere) {
    condition = "strMakerID = " + db::quoteLiteral(kClaimMark);
  } else {
    const std::optional<RowVersion> version = RowVersion::parse(source.ts);
    if (!version) raiseMessage("Z7.Corvane.0167");
    condition = version->condition() + " And IsNull(strMakerID,'') = ''";
  }
  condition += " And IsNull(strAuditorID,'') <> ''";
  if (!source.isLoan) condition += " And IsNull(strVerifier,'') <> ''";
  return condition;
}

void refusePendingPayment(db::Connection& CN, const SourceVoucher& source) {
  const std::string pending =
      source.isLoan
          ? "select guid from KX_LoanVouch_sub where isnull(strpayid,'')<>'' and isnull(blnnetok,0)<>1 and mguid="
          : "select guid from KX_Balanceinfo where isnull(strpayid,'')<>'' and isnull(blnnetok,0)<>1 and expenguid=";
  if (!sql::openReadOnly(CN, pending + db::quoteLiteral(source.guid)).eof())
    raiseMessage(source.isLoan ? "Z7.Corvane.0294" : "Z7.Corvane.0295");
}

void linkSource(LoginContext& ologin, db::Connection& CN, const SourceVoucher& source, const PostingDraft& draft) {
  const std::string table = headTable(source);
  const std::string key = " Where GUID = " + db::quoteLiteral(source.guid) + " And ";
  if (sql::openReadOnly(
          CN, "select top 1 Guid from " + GetAuthSource(ologin, table, true) + key + postableCondition(source, draft))
          .eof())
    raiseMessage("Z7.Corvane.0167");
  refusePendingPayment(CN, source);
  const long linked = sql::execute(CN, "Update " + table + " Set PZGUID = " + db::quoteLiteral(draft.batchId) +
                                           ", strMakerID = " + db::quoteLiteral(ologin.UserName()) + key +
                                           postableCondition(source, draft));
  if (linked != 1) raiseMessage("Z7.Corvane.0167");
}

// Every payment row of the batch's sources that was paid through the net bank.
void recordBankLinks(db::Connection& CN, const PostingDraft& draft, BankPay& bank) {
  const std::string batch = db::quoteLiteral(draft.batchId);
  db::Recordset rs = sql::openReadOnly(
      CN,
      "select kx_loanvouch_sub.guid, isnull(kx_loanvouch_sub.strPayID,'') as strPayID from kx_loanvouch "
      "join kx_loanvouch_sub on kx_loanvouch_sub.mguid=kx_loanvouch.guid where kx_loanvouch.pzguid = " +
          batch +
          " union select KX_BalanceInfo.guid, isnull(KX_BalanceInfo.strPayID,'') as strPayID from kx_expenvouch "
          "join KX_BalanceInfo on KX_BalanceInfo.expenguid=kx_expenvouch.guid where kx_expenvouch.pzguid = " +
          batch);
  for (; !rs.eof(); rs.moveNext()) {
    if (textOf(rs.field(1).value()).empty()) continue;
    std::string errorText;
    if (!bank.WritePZID(kBankSource, CN, textOf(rs.field(0).value()), kModule, errorText)) raiseBusiness(errorText);
  }
}

void releaseClaims(db::Connection& CN, const PostingDraft& draft) {
  for (const std::string& guid : draft.claimedGuids) {
    for (const char* table : {"KX_LoanVouch", "KX_ExpenVouch"}) {
      try {
        sql::execute(CN, std::string("Update ") + table + " Set strMakerID = Null Where GUID = " +
                             db::quoteLiteral(guid) + " And strMakerID = " + db::quoteLiteral(kClaimMark));
      } catch (const RuntimeError&) {
        // A claim that cannot be released now stays until the maker's claims are cleared.
      }
    }
  }
}

Currency amountOf(const db::Recordset& line) {
  const bool local = textOf(line.field("cexch_name").value()).empty();
  const auto money = [&](const char* column) {
    const Variant& value = line.field(column).value();
    return value.isNull() ? Currency() : CCur(value);
  };
  const Currency credit = money(local ? "mc" : "mc_f");
  return credit != Currency() ? credit : money(local ? "md" : "md_f");
}

// The claim a bill line pays, among the line's sources that the batch posted as claims: the one
// whose receipt or payment row carries the line's bill number, else the first; nullopt when no
// source is a claim (a loan's bill line: its cheque is registered at the loan's approval).
// Answers the claimant's name.
std::optional<std::string> claimantOf(db::Connection& CN, const PostingDraft& draft,
                                      const std::vector<std::string>& sources, const std::string& billNumber) {
  if (sources.empty()) return std::nullopt;
  std::string list;
  for (const std::string& guid : sources) list += (list.empty() ? "" : ",") + db::quoteLiteral(guid);
  db::Recordset claims =
      sql::openReadOnly(CN,
                        "select kx_expenvouch.guid, person.cPersonName, (select count(*) from KX_BalanceInfo where "
                        "KX_BalanceInfo.ExpenGUID = kx_expenvouch.guid and KX_BalanceInfo.strBillID = " +
                            db::quoteLiteral(billNumber) +
                            ") as bills from kx_expenvouch left join Person on "
                            "kx_expenvouch.strLoanID = person.cPersonCode where kx_expenvouch.pzguid = " +
                            db::quoteLiteral(draft.batchId) + " and kx_expenvouch.guid in (" + list + ")");
  // (no row of the claim carries the bill, place among the sources, claimant): the least wins.
  std::vector<std::tuple<bool, std::ptrdiff_t, std::string>> candidates;
  for (; !claims.eof(); claims.moveNext()) {
    const auto found = std::find(sources.begin(), sources.end(), upper(textOf(claims.field("guid").value())));
    candidates.emplace_back(CLng(claims.field("bills").value()) == 0, found - sources.begin(),
                            textOf(claims.field("cPersonName").value()));
  }
  if (candidates.empty()) return std::nullopt;
  return std::get<2>(*std::min_element(candidates.begin(), candidates.end()));
}

// Registers the claims' bill lines of the voucher (a bill number, an account and a bill settle
// style), each line once, with the person of the claim it pays. Answers the refusals, each
// followed by CR LF.
std::string registerCheques(LoginContext& ologin, db::Connection& CN, const PostingDraft& draft) {
  std::string refusals;
  db::Recordset lines = sql::openReadOnly(
      CN,
      "select d.ccode, d.cn_id, d.csettle, d.cexch_name, d.md, d.mc, d.md_f, d.mc_f, d.dbill_date, d.cdigest, "
      "d.cdept_name, d.coutid, d.VouchGUID from " +
          draft.draftTable +
          " d join code on d.ccode=code.ccode "
          "join settlestyle on settlestyle.cSSCode=d.csettle and settlestyle.bSSFlag=1 "
          "where isnull(d.cn_id,'')<>'' and isnull(d.ccode,'')<>'' Order By d.inid");
  for (; !lines.eof(); lines.moveNext()) {
    const std::string billNumber = textOf(lines.field("cn_id").value());
    const std::optional<std::string> claimant = claimantOf(CN, draft, lineSources(lines), billNumber);
    if (!claimant) continue;
    std::string notice;
    const Variant& date = lines.field("dbill_date").value();
    if (!RegisterCheque(ologin, false, textOf(lines.field("ccode").value()), billNumber,
                        textOf(lines.field("csettle").value()), amountOf(lines),
                        IsDate(date) ? CDate(date) : DateTime{}, textOf(lines.field("cdigest").value()),
                        textOf(lines.field("cdept_name").value()), *claimant, "", notice))
      refusals += notice + "\r\n";
  }
  return refusals;
}

void convert(LoginContext& ologin, db::Connection& CN, const XmlNode& funcNode, const PostingDraft& draft) {
  const std::vector<SourceVoucher> sources = requestSources(funcNode);
  const std::unique_ptr<BankPay> bank = ologin.host().bankPay();
  RequestTransaction transaction(CN);
  requireSameSources(draftSources(CN, draft.draftTable), sources);
  importVoucher(ologin, CN, draft);
  for (const SourceVoucher& source : sources) linkSource(ologin, CN, source, draft);
  recordBankLinks(CN, draft, *bank);
  transaction.commit();
}

}  // namespace

bool ConvertDraft(LoginContext& ologin, db::Connection& CN, const XmlNode& funcNode, XmlDocument& oXml,
                  const PostingDraft& draft) {
  try {
    convert(ologin, CN, funcNode, draft);
  } catch (const RuntimeError& error) {
    releaseClaims(CN, draft);
    loadReply(oXml, ErrorReply("CLoan", "recordGet", error.number(), error.description()));
    return false;
  }
  return true;
}

void RegisterDraftCheques(LoginContext& ologin, db::Connection& CN, const PostingDraft& draft, XmlDocument& oXml) {
  std::string refusals;
  try {
    refusals = registerCheques(ologin, CN, draft);
  } catch (const RuntimeError& error) {
    refusals = error.description() + "\r\n";
  }
  if (!refusals.empty())
    loadReply(oXml,
              "<?xml version='1.0' encoding='utf-8'?><message><id>Corvane:CExpend:SaveVouch:ExpenStandard</id>"
              "<text>" +
                  escapeXml(refusals) + "</text></message>");
}

bool ConvertPZ(LoginContext& ologin, db::Connection& CN, const XmlNode& funcNode, XmlDocument& oXml,
               const PostingDraft& draft) {
  if (!ConvertDraft(ologin, CN, funcNode, oXml, draft)) return false;
  RegisterDraftCheques(ologin, CN, draft, oXml);
  return true;
}

}  // namespace corvane
